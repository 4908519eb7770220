// The scene graph's handle on the music: a private copy of the embedded XM module, loaded and played by
// start, silenced by stop.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "graph/constructor.h"
#include "music/module.h"

namespace music {

class Music : public graph::ScriptObject {
public:
    // block: the little-endian int32 length followed by that many module bytes, or empty for no module.
    explicit Music(std::vector<std::uint8_t> block);
    ~Music() override;
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // Loads the module from the copy and starts playing it; false when it does not load or no device opens.
    virtual bool start();
    // Stops playing; the module stays loaded.
    virtual void stop();

    Module* module() const { return module_; }
    std::span<const std::uint8_t> block() const { return block_; }

private:
    std::vector<std::uint8_t> block_;
    Module* module_ = nullptr;
};

// Class-table constructor: the module blob (tag 5). A blob whose length field is negative or larger than
// its bytes gives a Music without a copy, whose start fails.
Music* makeMusic(graph::ObjectStore& store, graph::Blob module);

}  // namespace music
