// Writes the module loader's fuzz seeds: small modules that between them use every effect, volume-column
// command, loop mode, envelope mode and both frequency tables. Usage: xmwriter_fuzz_seeds OUTPUT_FOLDER
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "xm_writer.h"

namespace {

xmwriter::Sample wave(int bits, int frames, xmwriter::LoopType loop) {
    xmwriter::Sample sample;
    sample.bits = bits;
    const double amplitude = bits == 16 ? 20000.0 : 90.0;
    for (int i = 0; i < frames; ++i) {
        sample.frames.push_back(static_cast<std::int32_t>(std::lround(amplitude * std::sin(i * 6.283185307 / frames))));
    }
    sample.loop = loop;
    sample.loopStart = loop == xmwriter::LoopType::None ? 0 : static_cast<std::uint32_t>(frames / 4);
    sample.loopLength = loop == xmwriter::LoopType::None ? 0 : static_cast<std::uint32_t>(frames / 2);
    return sample;
}

xmwriter::Instrument instrument(xmwriter::Sample sample, bool envelopes) {
    xmwriter::Instrument result;
    result.samples.push_back(std::move(sample));
    if (envelopes) {
        result.volumeEnvelope.points = {{0, 64}, {6, 40}, {12, 50}, {30, 0}};
        result.volumeEnvelope.sustain = 1;
        result.volumeEnvelope.loopStart = 1;
        result.volumeEnvelope.loopEnd = 2;
        result.volumeEnvelope.type = xmwriter::kEnvelopeOn | xmwriter::kEnvelopeSustain | xmwriter::kEnvelopeLoop;
        result.panningEnvelope.points = {{0, 0}, {10, 64}, {20, 32}};
        result.panningEnvelope.type = xmwriter::kEnvelopeOn | xmwriter::kEnvelopeLoop;
        result.panningEnvelope.loopEnd = 2;
        result.vibratoType = 1;
        result.vibratoSweep = 8;
        result.vibratoDepth = 6;
        result.vibratoRate = 20;
        result.fadeout = 800;
    }
    return result;
}

xmwriter::Song baseSong(int channels, std::uint16_t flags) {
    xmwriter::Song song;
    song.name = "seed";
    song.channels = channels;
    song.flags = flags;
    song.instruments.push_back(instrument(wave(8, 64, xmwriter::LoopType::Forward), false));
    song.instruments.push_back(instrument(wave(16, 48, xmwriter::LoopType::PingPong), true));
    song.instruments.push_back(instrument(wave(8, 200, xmwriter::LoopType::None), true));
    return song;
}

// Every effect 0..0x21 and every extended effect, one per row, with notes every few rows.
xmwriter::Song effectsSong(std::uint16_t flags) {
    xmwriter::Song song = baseSong(2, flags);
    xmwriter::Pattern& pattern = song.patterns.emplace_back(64, 2);
    int row = 0;
    for (std::uint8_t effect = 0; effect <= 0x21 && row < 64; ++effect, ++row) {
        if (effect == 0x0B || effect == 0x0D) {
            continue;  // flow effects live in the flow seed
        }
        pattern.at(row, 0) = {static_cast<std::uint8_t>(40 + row % 20), static_cast<std::uint8_t>(1 + row % 3), 0,
                              effect, static_cast<std::uint8_t>(0x21 + row * 7)};
        pattern.at(row, 1) = {0, 0, static_cast<std::uint8_t>(0x10 + row * 4), 0x0E,
                              static_cast<std::uint8_t>((row % 16) << 4 | 3)};
    }
    for (; row < 64; ++row) {
        pattern.at(row, 0).volume = static_cast<std::uint8_t>(0x60 + (row % 10) * 0x10 + 5);
    }
    song.orders = {0};
    return song;
}

xmwriter::Song flowSong() {
    xmwriter::Song song = baseSong(4, 1);
    song.restartPosition = 1;
    for (int p = 0; p < 3; ++p) {
        xmwriter::Pattern& pattern = song.patterns.emplace_back(16 + p * 8, 4);
        pattern.at(0, 0) = {static_cast<std::uint8_t>(49 + p), 2, 0, 0x0F, static_cast<std::uint8_t>(3 + p)};
        pattern.at(0, 1) = {61, 3, 0x40, 0x0F, 0x90};
        pattern.at(2, 2) = {37, 1, 0, 0x0E, 0x60};
        pattern.at(5, 2) = {0, 0, 0, 0x0E, 0x62};
        pattern.at(6, 3) = {97, 0, 0, 0x0E, 0xE2};
        pattern.at(8, 1) = {0, 0, 0, 0x14, 0x04};
        pattern.at(9, 0) = {0, 0, 0, 0x15, 0x08};
        pattern.at(10, 3) = {0, 0, 0, p == 2 ? std::uint8_t{0x0B} : std::uint8_t{0x0D},
                             static_cast<std::uint8_t>(p == 2 ? 0 : 0x04)};
    }
    song.orders = {0, 1, 2, 1};
    return song;
}

xmwriter::Song wideSong() {
    xmwriter::Song song = baseSong(32, 1);
    xmwriter::Pattern& pattern = song.patterns.emplace_back(8, 32);
    for (int c = 0; c < 32; ++c) {
        pattern.at(c % 8, c) = {static_cast<std::uint8_t>(1 + c * 3), static_cast<std::uint8_t>(1 + c % 3),
                                static_cast<std::uint8_t>(0xC0 + c % 16), 0x09, static_cast<std::uint8_t>(c)};
    }
    song.orders = {0, 0};
    return song;
}

bool save(const std::string& folder, const std::string& name, const xmwriter::Song& song) {
    const auto bytes = xmwriter::writeXm(song);
    std::ofstream out(folder + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xmwriter_fuzz_seeds OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = save(folder, "effects_linear.xm", effectsSong(1)) &&
                    save(folder, "effects_amiga.xm", effectsSong(0)) && save(folder, "flow.xm", flowSong()) &&
                    save(folder, "wide.xm", wideSong());
    return ok ? 0 : 1;
}
