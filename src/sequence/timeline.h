// The schedule of the presentation: a pool of layers and a time-sorted event stream that inserts layers
// into the ordered active list or removes them; active layers are drawn in list order (the first lies
// at the back), each with its own local clock.
#pragma once

#include <cstdint>
#include <vector>

#include "graph/constructor.h"
#include "graph/pointer_array.h"
#include "sequence/layer.h"

namespace sequence {

// Event stream records (little-endian, unaligned):
//   kind 0   insert: time T (float32), position P (int32), pool index L (int32), offset O (float32)
//   kind 255 end
//   other    remove: time T (float32), position P (int32)
enum class EventKind : std::uint8_t { Insert = 0, End = 255 };
constexpr std::int32_t kInsertEventSize = 17;
constexpr std::int32_t kRemoveEventSize = 9;

class Timeline : public Layer {
public:
    // layers: the pool (events name layers by index here); events: the stream's bytes, copied.
    Timeline(const graph::PointerArray* layers, std::span<const std::uint8_t> events);
    // The graph holds the timeline by pointer: a copy or a move would leave two halves of one schedule.
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;
    Timeline(Timeline&&) = delete;
    Timeline& operator=(Timeline&&) = delete;

    // Applies every event due at t (t >= T). A t earlier than the previous call replays the stream
    // from its start.
    void advance(float t);
    void update(float t) override;
    void render(float t) override;

    std::int32_t activeCount() const { return active_.count(); }
    Layer* activeLayer(std::int32_t index) const { return active_.valueAt<Layer*>(index); }
    // Added to the global time to give the entry's local time.
    float activeOffset(std::int32_t index) const { return offsets_.valueAt<float>(index); }

private:
    void restart();
    // Applies the event at the cursor if it is due; false when the stream ends or the event is not due.
    bool applyNextEvent(float t);

    graph::PointerArray pool_;
    std::vector<std::uint8_t> events_;  // the stream plus one end byte
    std::int32_t cursor_ = 0;
    float lastTime_ = 0.0f;
    graph::PointerArray active_;
    graph::PointerArray offsets_{static_cast<std::int32_t>(sizeof(float))};
};

// Class-table constructor: layer list (tag 4), event stream (tag 5 blob).
Timeline* makeTimeline(graph::ObjectStore& store, const graph::PointerArray* layers, graph::Blob events);

}  // namespace sequence
