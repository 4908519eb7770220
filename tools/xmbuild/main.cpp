// xmbuild: turns the song source into an XM module, synthesising every instrument from its recipe.
//   xmbuild SONG OUTPUT.xm [--timeline]
// --timeline prints when each order starts at 44100 Hz, as the engine times ticks.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <utility>

#include "instruments.h"
#include "song_parser.h"
#include "xm_writer.h"

namespace {

constexpr int kMixRate = 44100;

// The engine's tick length: truncate(1000 / (BPM x 0.4) x rate x 0.001) in single precision.
int samplesPerTick(int bpm) {
    return static_cast<int>(1000.0f / (static_cast<float>(bpm) * 0.4f) * static_cast<float>(kMixRate) * 0.001f);
}

void printTimeline(const xmwriter::Song& song) {
    int speed = song.defaultSpeed;
    int tick = samplesPerTick(song.defaultBpm);
    long long samples = 0;
    for (std::size_t order = 0; order < song.orders.size(); ++order) {
        const xmwriter::Pattern& pattern = song.patterns[song.orders[order]];
        std::printf("order %2zu  pattern %02X  %3d rows  starts %7.3f s\n", order, song.orders[order], pattern.rows,
                    static_cast<double>(samples) / kMixRate);
        for (int row = 0; row < pattern.rows; ++row) {
            for (int channel = 0; channel < pattern.channels; ++channel) {
                const xmwriter::Cell& cell = pattern.at(row, channel);
                if (cell.effect == 15 && cell.parameter >= 32) {
                    tick = samplesPerTick(cell.parameter);
                } else if (cell.effect == 15 && cell.parameter > 0) {
                    speed = cell.parameter;
                }
            }
            samples += static_cast<long long>(speed) * tick;
        }
    }
    std::printf("end %36.3f s\n", static_cast<double>(samples) / kMixRate);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: xmbuild SONG OUTPUT.xm [--timeline]\n";
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    if (!input) {
        std::cerr << "xmbuild: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::ostringstream text;
    text << input.rdbuf();
    try {
        xmbuild::SongSource source = xmbuild::parseSong(text.str());
        for (const xmbuild::InstrumentSlot& slot : source.instruments) {
            const xmbuild::Recipe* recipe = xmbuild::findRecipe(slot.recipe);
            if (recipe == nullptr) {
                std::cerr << "xmbuild: no recipe named '" << slot.recipe << "'\n";
                return 1;
            }
            xmwriter::Instrument instrument = recipe->build();
            for (xmwriter::Sample& sample : instrument.samples) {
                if (slot.volume >= 0) {
                    sample.volume = static_cast<std::uint8_t>(slot.volume);
                }
                if (slot.panning >= 0) {
                    sample.panning = static_cast<std::uint8_t>(slot.panning);
                }
            }
            source.song.instruments.push_back(std::move(instrument));
        }
        const std::vector<std::uint8_t> bytes = xmwriter::writeXm(source.song);
        std::ofstream output(argv[2], std::ios::binary);
        output.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!output) {
            std::cerr << "xmbuild: cannot write " << argv[2] << "\n";
            return 1;
        }
        if (argc > 3 && std::string(argv[3]) == "--timeline") {
            printTimeline(source.song);
            std::printf("%zu bytes\n", bytes.size());
        }
    } catch (const std::exception& error) {
        std::cerr << argv[1] << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
