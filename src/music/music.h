// The scene graph's handle on the music: a private copy of the embedded XM module, loaded and played by
// start, silenced by stop.
//
// The embedded soundtrack plays by the engine's own rules (the default). A module the user names, written
// in FastTracker 2 or a successor, should play by that tracker's rules:
//     music::Music music(music::Music::blockOf(fileBytes), music::PlaybackRules::FastTracker2);
// or, on the script's Music, setRules(music::PlaybackRules::FastTracker2) before start.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "graph/constructor.h"
#include "music/module.h"
#include "music/playback_rules.h"

namespace music {

class Music : public graph::ScriptObject {
public:
    // block: the little-endian int32 length followed by that many module bytes, or empty for no module.
    explicit Music(std::vector<std::uint8_t> block, PlaybackRules rules = PlaybackRules::Engine);
    ~Music() override;
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // Loads the module from the copy and starts playing it; false when it does not load or no device opens.
    virtual bool start();
    // Stops playing; the module stays loaded.
    virtual void stop();

    // The rules the next start loads and plays by.
    void setRules(PlaybackRules rules) { rules_ = rules; }
    PlaybackRules rules() const { return rules_; }

    // The block form of a module file's bytes: the int32 length in front. Empty for more than an int32
    // can count.
    static std::vector<std::uint8_t> blockOf(std::span<const std::uint8_t> moduleBytes);

    Module* module() const { return module_; }
    std::span<const std::uint8_t> block() const { return block_; }

private:
    std::vector<std::uint8_t> block_;
    Module* module_ = nullptr;
    PlaybackRules rules_ = PlaybackRules::Engine;
};

// Class-table constructor: the module blob (tag 5). A blob whose length field is negative or larger than
// its bytes gives a Music without a copy, whose start fails.
Music* makeMusic(graph::ObjectStore& store, graph::Blob module);

}  // namespace music
