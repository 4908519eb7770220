// canvasdump: builds the canvases of a scene script with the engine's texture operators and writes each
// record's result as PNG, so that textures can be looked at while they are designed.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace canvasdump {

// One texture record's canvas as it stood right after the record.
struct Snapshot {
    std::int32_t record = 0;
    std::int32_t classIndex = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

// Runs the script with only the texture classes built (canvas, gradient, text, combine, noise); every
// other record yields null. only: keep the snapshot of that record alone. False with the reason in error
// when the script is malformed.
bool buildSnapshots(std::span<const std::uint8_t> script, std::optional<std::int32_t> only,
                    std::vector<Snapshot>& snapshots, std::string& error);

// "042-gradient": the record number and the operator.
std::string snapshotName(const Snapshot& snapshot);

// Writes <name>.png (colour) and <name>-alpha.png (alpha as grey) into directory.
bool writeSnapshot(const Snapshot& snapshot, const std::string& directory, std::string& error);

// The whole program: arguments without the program name; returns the exit status.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace canvasdump
