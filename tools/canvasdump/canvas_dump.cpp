// Texture-only class table with snapshotting constructors, the PNG output and the command line.
#include "canvas_dump.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "graph/graph_builder.h"
#include "platform/font_factory.h"
#include "platform/headless/png_writer.h"
#include "shell/class_table.h"
#include "texture/canvas.h"

namespace canvasdump {

namespace {

using shell::ClassIndex;

constexpr std::array<ClassIndex, 5> kTextureClasses = {ClassIndex::Canvas, ClassIndex::Gradient, ClassIndex::Text,
                                                       ClassIndex::Combine, ClassIndex::Noise};

// The build in progress; one at a time, since class-table entries are plain functions.
struct Capture {
    std::int32_t record = 0;
    std::optional<std::int32_t> only;
    std::vector<Snapshot>* snapshots = nullptr;
};
Capture* activeCapture = nullptr;

// Calls the engine's constructor of class C and keeps a copy of the canvas it returns.
template <ClassIndex C>
graph::ScriptObject* snapshotting(graph::ObjectStore& store, std::span<const graph::ScriptArg> args) {
    graph::ScriptObject* object = shell::mainClassTable()[static_cast<std::size_t>(C)](store, args);
    const auto* canvas = dynamic_cast<const texture::Canvas*>(object);
    Capture& capture = *activeCapture;
    if (canvas != nullptr && (!capture.only || *capture.only == capture.record)) {
        capture.snapshots->push_back({capture.record, static_cast<std::int32_t>(C), canvas->width(), canvas->height(),
                                      std::vector<std::uint32_t>(canvas->pixels().begin(), canvas->pixels().end())});
    }
    ++capture.record;
    return object;
}

graph::ScriptObject* skipped(graph::ObjectStore&, std::span<const graph::ScriptArg>) {
    ++activeCapture->record;
    return nullptr;
}

std::array<graph::Constructor, shell::kMainClassCount> textureTable() {
    std::array<graph::Constructor, shell::kMainClassCount> table{};
    table.fill(&skipped);
    table[static_cast<std::size_t>(ClassIndex::Canvas)] = &snapshotting<ClassIndex::Canvas>;
    table[static_cast<std::size_t>(ClassIndex::Gradient)] = &snapshotting<ClassIndex::Gradient>;
    table[static_cast<std::size_t>(ClassIndex::Text)] = &snapshotting<ClassIndex::Text>;
    table[static_cast<std::size_t>(ClassIndex::Combine)] = &snapshotting<ClassIndex::Combine>;
    table[static_cast<std::size_t>(ClassIndex::Noise)] = &snapshotting<ClassIndex::Noise>;
    return table;
}

const char* operatorName(std::int32_t classIndex) {
    switch (static_cast<ClassIndex>(classIndex)) {
        case ClassIndex::Canvas: return "canvas";
        case ClassIndex::Gradient: return "gradient";
        case ClassIndex::Text: return "text";
        case ClassIndex::Combine: return "combine";
        case ClassIndex::Noise: return "noise";
        default: return "object";
    }
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = path + ": read error";
        return false;
    }
    return true;
}

constexpr const char* kUsage = "usage: canvasdump [--record N] SCRIPT OUTPUT-DIRECTORY";

void printHelp(std::ostream& out) {
    out << kUsage << "\n\n"
        << "Builds the canvases of a scene script (the byte-coded records, as a file) with the engine's\n"
        << "texture operators and fonts, and writes the canvas of every texture record as it stands after\n"
        << "that record: NNN-<operator>.png with its colour and NNN-<operator>-alpha.png with its alpha as\n"
        << "grey, NNN being the record number from 0. Records of other classes are not built.\n\n"
        << "  --record N  write only the canvas of record N\n"
        << "  --help      show this text\n\n"
        << "Exit status: 0 success, 1 malformed script or unwritable output, 2 bad arguments.\n";
}

struct Options {
    bool help = false;
    std::optional<std::int32_t> record;
    std::string script;
    std::string directory;
};

bool parseArguments(const std::vector<std::string>& arguments, Options& options, std::string& error) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--record") {
            std::int32_t value = 0;
            const std::string text = i + 1 < arguments.size() ? arguments[++i] : "";
            const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (text.empty() || code != std::errc{} || end != text.data() + text.size() || value < 0) {
                error = "--record needs a record number (0 or more)";
                return false;
            }
            options.record = value;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            files.push_back(a);
        }
    }
    if (options.help) {
        return true;
    }
    if (files.size() != 2) {
        error = "expected a script and an output directory";
        return false;
    }
    options.script = files[0];
    options.directory = files[1];
    return true;
}

}  // namespace

bool buildSnapshots(std::span<const std::uint8_t> script, std::optional<std::int32_t> only,
                    std::vector<Snapshot>& snapshots, std::string& error) {
    static const auto table = textureTable();
    Capture capture{0, only, &snapshots};
    activeCapture = &capture;
    graph::ObjectStore store;
    const graph::BuildResult result = graph::buildGraph(script, table, nullptr, store);
    activeCapture = nullptr;
    error = result.error;
    return result.ok();
}

std::string snapshotName(const Snapshot& snapshot) {
    std::string number = std::to_string(snapshot.record);
    if (number.size() < 3) {
        number.insert(0, 3 - number.size(), '0');
    }
    return number + "-" + operatorName(snapshot.classIndex);
}

bool writeSnapshot(const Snapshot& snapshot, const std::string& directory, std::string& error) {
    const std::filesystem::path base = std::filesystem::path(directory) / snapshotName(snapshot);
    if (!headless::writePng(base.string() + ".png", snapshot.width, snapshot.height, snapshot.pixels, error)) {
        return false;
    }
    std::vector<std::uint32_t> alpha(snapshot.pixels.size());
    for (std::size_t i = 0; i < alpha.size(); ++i) {
        const std::uint32_t a = snapshot.pixels[i] >> 24;
        alpha[i] = a << 16 | a << 8 | a;
    }
    return headless::writePng(base.string() + "-alpha.png", snapshot.width, snapshot.height, alpha, error);
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Options options;
    std::string error;
    if (!parseArguments(arguments, options, error)) {
        err << "canvasdump: " << error << "\n" << kUsage << "\n";
        return 2;
    }
    if (options.help) {
        printHelp(out);
        return 0;
    }
    std::vector<std::uint8_t> script;
    if (!readFile(options.script, script, error)) {
        err << "canvasdump: " << error << "\n";
        return 1;
    }
    platform::useSystemFontRenderer();
    std::vector<Snapshot> snapshots;
    const bool built = buildSnapshots(script, options.record, snapshots, error);
    if (!built) {
        // The records before the fault were built; they are still worth looking at.
        err << "canvasdump: " << options.script << ": " << error << "\n";
    }
    std::error_code created;
    std::filesystem::create_directories(options.directory, created);
    for (const Snapshot& snapshot : snapshots) {
        if (!writeSnapshot(snapshot, options.directory, error)) {
            err << "canvasdump: " << error << "\n";
            return 1;
        }
        out << snapshotName(snapshot) << " " << snapshot.width << " x " << snapshot.height << "\n";
    }
    if (options.record && snapshots.empty()) {
        err << "canvasdump: record " << *options.record << " is not a texture record that made a canvas\n";
        return 1;
    }
    return built ? 0 : 1;
}

}  // namespace canvasdump
