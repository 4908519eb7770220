// The effect column: a first-tick and a later-ticks half per effect type, run by processRow and
// processTick for each channel.
#pragma once

#include <cstdint>

#include "music/channel.h"
#include "music/module.h"

namespace music {

// What the first tick of a row knows beyond the channel: the state before the row's note (for the note
// delay) and whether a position jump was already seen in this row.
struct RowContext {
    std::int32_t savedPeriod = 0;
    std::int32_t savedVolume = 0;
    std::int32_t savedPanning = 0;
    bool jumpSeen = false;
};

// Everything one effect step may touch. row is null on later ticks.
struct EffectCall {
    Channel& channel;
    const Cell& cell;
    Sample& sample;
    const Instrument& instrument;
    Module& module;
    RowContext* row;

    std::uint8_t x() const { return static_cast<std::uint8_t>(cell.parameter >> 4); }
    std::uint8_t y() const { return static_cast<std::uint8_t>(cell.parameter & 0x0F); }
};

void effectFirstTick(Channel& channel, const Cell& cell, Sample& sample, const Instrument& instrument,
                     Module& module, RowContext& row);
void effectLaterTick(Channel& channel, const Cell& cell, Sample& sample, const Instrument& instrument,
                     Module& module);

// The volume change of a multi-retrigger by its x nibble, before clamping.
std::int32_t multiRetriggerVolume(std::int32_t volume, std::uint8_t change);

}  // namespace music
