// The two rule sets a module can be played by: the engine's own (the presentation's soundtrack is written
// for them) and FastTracker 2's, for modules made in that tracker and its successors. A rule set is a set
// of named behaviours that the loader and the replayer ask for at the few places where they act.
#pragma once

#include <cstdint>
#include <string_view>

namespace music {

enum class PlaybackRules : std::uint8_t { Engine, FastTracker2 };

// Each behaviour is one place where FastTracker 2 differs from the engine's rules.
enum class Behaviour : std::uint32_t {
    // The loader reads XM 1.02 and 1.03 layouts and seeks by the pattern and sample header lengths the file
    // gives; pattern data are bounded by their packed size.
    HeaderLengthsFromFile = 1u << 0,
    // A sample offset at or past the sample's end silences the note; an offset on a row that starts no
    // note is only remembered.
    OffsetPastEndSilences = 1u << 1,
    // A volume-column tone portamento (Fx) counts as portamento: the note slides instead of restarting,
    // and its speed is not overwritten by a 3xx on the same row.
    VolumeColumnPortamento = 1u << 2,
    // ED0 plays its note, EC0 cuts at once, E90 retriggers on the row's first tick.
    ZeroTickExtendedEffects = 1u << 3,
    // The whole row waits for a note delay: a delayed key-off releases the note, and a delayed note
    // without an instrument keeps the channel's volume and panning.
    DelayedRowWaits = 1u << 4,
    // A key-off on an instrument without a volume envelope zeroes the channel volume; Kxx acts at tick xx,
    // K00 in place of the row's note.
    KeyOffZeroesVolume = 1u << 5,
    // E5y sets the finetune (y - 8) x 16 for the note it stands beside; the sample is not changed.
    NoteFinetune = 1u << 6,
    // EAy and EBy remember their values apart.
    SeparateFineVolumeMemories = 1u << 7,
    // A global volume change reaches every channel in the tick it happens.
    GlobalVolumeReachesAllChannels = 1u << 8,
    // Tremor runs from tick 1, T00 with nothing remembered is one tick on, one off, and its silence lasts
    // until a volume command.
    TrackerTremor = 1u << 9,
    // The arpeggio counts its ticks down from the speed, as the tracker's lookup table does, including the
    // table's overrun at speeds of 16 and above.
    CountdownArpeggio = 1u << 10,
    // An instrument number without a note (or naming no instrument) resets the volume and panning to the
    // defaults of the sample playing; the new instrument takes over with the next note.
    InstrumentAtNextNote = 1u << 11,
    // An envelope of a single point stays on, holding that point's value (the engine's loader switches
    // it off).
    SinglePointEnvelopes = 1u << 12,
};

class RuleSet {
public:
    constexpr RuleSet() = default;
    static constexpr RuleSet of(PlaybackRules rules) {
        return rules == PlaybackRules::FastTracker2 ? RuleSet(kAllBehaviours) : RuleSet();
    }

    constexpr bool has(Behaviour behaviour) const { return (bits_ & static_cast<std::uint32_t>(behaviour)) != 0; }

    // A rule set with one behaviour switched, for checking behaviours one at a time.
    constexpr RuleSet with(Behaviour behaviour, bool on) const {
        const auto bit = static_cast<std::uint32_t>(behaviour);
        return RuleSet(on ? bits_ | bit : bits_ & ~bit);
    }

    constexpr bool operator==(const RuleSet&) const = default;

private:
    static constexpr std::uint32_t kAllBehaviours = (1u << 13) - 1;
    explicit constexpr RuleSet(std::uint32_t bits) : bits_(bits) {}
    std::uint32_t bits_ = 0;
};

// "engine" or "ft2"; false for anything else.
bool parsePlaybackRules(std::string_view text, PlaybackRules& rules);
std::string_view playbackRulesName(PlaybackRules rules);

}  // namespace music
