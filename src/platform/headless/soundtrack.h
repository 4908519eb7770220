// The soundtrack without a sound card: the music's module rendered from its start in the audio output's
// 20 ms blocks, so that the samples are the ones the live output would play.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "music/music.h"

namespace headless {

constexpr std::int32_t kSoundtrackRate = 44100;

// Receives interleaved 16-bit stereo frames, left first, as little-endian bytes.
using SoundSink = std::function<bool(std::span<const std::uint8_t> bytes)>;

// The frames of seconds of sound at kSoundtrackRate, rounded to the nearest frame.
std::int64_t soundtrackFrames(double seconds);

// Loads the music's module from its own copy and renders frames frames into sink. False with the reason in
// error when the module does not load or the sink refuses bytes.
bool renderSoundtrack(const music::Music& music, std::int64_t frames, const SoundSink& sink, std::string& error);

// Renders into a 16-bit stereo WAV file that appears only when complete.
bool writeSoundtrackWav(const music::Music& music, std::int64_t frames, const std::string& path, std::string& error);

}  // namespace headless
