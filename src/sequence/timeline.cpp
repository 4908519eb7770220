// Event application and per-layer local time of the timeline.
#include "sequence/timeline.h"

#include "graph/byte_reader.h"

namespace sequence {

Timeline::Timeline(const graph::PointerArray* layers, std::span<const std::uint8_t> events) {
    graph::copyObjectList<Layer>(layers, pool_);
    events_.assign(events.begin(), events.end());
    // The copy always ends in an end byte, even when the stream itself does not.
    events_.push_back(static_cast<std::uint8_t>(EventKind::End));
}

void Timeline::restart() {
    lastTime_ = 0.0f;
    cursor_ = 0;
    active_.clear();
    offsets_.clear();
}

void Timeline::advance(float t) {
    if (lastTime_ > t) {
        restart();
    }
    lastTime_ = t;
    while (applyNextEvent(t)) {
    }
}

bool Timeline::applyNextEvent(float t) {
    graph::ByteReader reader(events_);
    reader.seek(static_cast<std::size_t>(cursor_));
    const std::uint8_t kind = reader.readU8();
    if (kind == static_cast<std::uint8_t>(EventKind::End)) {
        return false;
    }
    const float eventTime = reader.readF32LE();
    const std::int32_t position = reader.readI32LE();
    // Not due yet; a NaN on either side also waits.
    if (reader.failed() || !(t >= eventTime)) {
        return false;
    }
    if (kind == static_cast<std::uint8_t>(EventKind::Insert)) {
        const std::int32_t poolIndex = reader.readI32LE();
        const float offset = reader.readF32LE();
        if (reader.failed()) {
            return false;  // a truncated record ends the stream
        }
        cursor_ += kInsertEventSize;
        // An event naming a position or pool entry that does not exist is skipped.
        if (poolIndex >= 0 && poolIndex < pool_.count() && position >= 0 && position <= active_.count()) {
            active_.insertValue(position, pool_.valueAt<Layer*>(poolIndex));
            offsets_.insertValue(position, offset - eventTime);
        }
    } else {
        cursor_ += kRemoveEventSize;
        if (position >= 0 && position < active_.count()) {
            active_.removeAt(position);
            offsets_.removeAt(position);
        }
    }
    return true;
}

void Timeline::update(float t) {
    advance(t);
    for (std::int32_t i = 0; i < active_.count(); ++i) {
        if (Layer* layer = activeLayer(i)) {
            layer->update(activeOffset(i) + t);
        }
    }
}

void Timeline::render(float t) {
    advance(t);
    for (std::int32_t i = 0; i < active_.count(); ++i) {
        if (Layer* layer = activeLayer(i)) {
            layer->render(activeOffset(i) + t);
        }
    }
}

Timeline* makeTimeline(graph::ObjectStore& store, const graph::PointerArray* layers, graph::Blob events) {
    return store.make<Timeline>(layers, events.bytes);
}

}  // namespace sequence
