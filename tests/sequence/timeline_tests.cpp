// The timeline's schedule: due events, insertion order, local times, restarts, and malformed streams.
#include "sequence/timeline.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "support/script_writer.h"

namespace {

using sequence::Layer;
using sequence::Timeline;
using testsupport::EventWriter;

// A timeline used to move its arrays' blocks away but leave their counts behind; it now cannot be
// moved or copied at all, so no half-emptied schedule can be reached.
static_assert(!std::is_move_constructible_v<Timeline> && !std::is_move_assignable_v<Timeline>);
static_assert(!std::is_copy_constructible_v<Timeline> && !std::is_copy_assignable_v<Timeline>);

// A layer that logs the calls it receives as "name.update@time".
class LoggingLayer : public Layer {
public:
    LoggingLayer(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    void update(float time) override { log_.push_back(name_ + ".update@" + format(time)); }
    void render(float time) override { log_.push_back(name_ + ".render@" + format(time)); }

private:
    static std::string format(float time) {
        std::string text = std::to_string(time);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
        return text;
    }
    std::string name_;
    std::vector<std::string>& log_;
};

class TimelineTest : public testing::Test {
protected:
    TimelineTest() {
        for (const char* name : {"a", "b", "c"}) {
            layers_.push_back(std::make_unique<LoggingLayer>(name, log_));
            pool_.pushValue(static_cast<graph::ScriptObject*>(layers_.back().get()));
        }
    }

    Timeline makeTimeline(const EventWriter& events) { return Timeline(&pool_, events.bytes()); }

    // Names of the active layers in drawing order.
    std::vector<Layer*> active(const Timeline& timeline) const {
        std::vector<Layer*> out;
        for (std::int32_t i = 0; i < timeline.activeCount(); ++i) {
            out.push_back(timeline.activeLayer(i));
        }
        return out;
    }
    Layer* layer(int index) const { return layers_[static_cast<std::size_t>(index)].get(); }

    std::vector<std::string> log_;
    std::vector<std::unique_ptr<LoggingLayer>> layers_;
    graph::PointerArray pool_;
};

TEST_F(TimelineTest, EventsAtTimeZeroApplyBeforeTheFirstUpdate) {
    Timeline timeline = makeTimeline(EventWriter().insert(0.0f, 0, 0).end());
    timeline.update(0.0f);
    timeline.render(0.0f);
    EXPECT_EQ(log_, (std::vector<std::string>{"a.update@0", "a.render@0"}));
}

TEST_F(TimelineTest, EventIsDueExactlyAtItsTime) {
    Timeline timeline = makeTimeline(EventWriter().insert(24.0f, 0, 1).end());
    timeline.update(23.999f);
    EXPECT_EQ(timeline.activeCount(), 0);
    timeline.update(24.0f);
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(1)}));
}

TEST_F(TimelineTest, LocalTimeStartsAtTheInsertEvent) {
    Timeline timeline = makeTimeline(EventWriter().insert(24.0f, 0, 0).end());
    timeline.update(24.0f);
    timeline.render(24.0f);
    timeline.update(25.5f);
    timeline.render(25.5f);
    EXPECT_EQ(log_, (std::vector<std::string>{"a.update@0", "a.render@0", "a.update@1.5", "a.render@1.5"}));
}

TEST_F(TimelineTest, OffsetShiftsTheLocalClock) {
    Timeline timeline = makeTimeline(EventWriter().insert(10.0f, 0, 0, 3.0f).end());
    timeline.update(12.0f);
    EXPECT_FLOAT_EQ(timeline.activeOffset(0), -7.0f);
    EXPECT_EQ(log_, (std::vector<std::string>{"a.update@5"}));
}

TEST_F(TimelineTest, SecondInsertAtTheSamePositionIsDrawnBehind) {
    Timeline timeline = makeTimeline(EventWriter().insert(1.0f, 0, 0).insert(1.0f, 0, 1).end());
    timeline.render(1.0f);
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(1), layer(0)}));
    EXPECT_EQ(log_, (std::vector<std::string>{"b.render@0", "a.render@0"}));
}

TEST_F(TimelineTest, RemoveTakesTheEntryAtItsPosition) {
    // Removal kinds other than 0 and 255 all remove.
    Timeline timeline = makeTimeline(
        EventWriter().insert(0.0f, 0, 0).insert(0.0f, 1, 1).insert(0.0f, 2, 2).remove(5.0f, 1).remove(6.0f, 0, 77).end());
    timeline.update(5.0f);
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(0), layer(2)}));
    timeline.update(6.0f);
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(2)}));
}

TEST_F(TimelineTest, SecondAdvanceOfAFrameAppliesNothing) {
    Timeline timeline = makeTimeline(EventWriter().insert(0.0f, 0, 0).insert(2.0f, 0, 1).end());
    timeline.update(1.0f);
    timeline.render(1.0f);
    EXPECT_EQ(timeline.activeCount(), 1);
}

TEST_F(TimelineTest, TimeGoingBackwardsReplaysFromTheStart) {
    Timeline timeline = makeTimeline(
        EventWriter().insert(0.0f, 0, 0).insert(20.0f, 1, 1).remove(40.0f, 0).insert(45.0f, 0, 2).end());
    timeline.update(50.0f);
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(2), layer(1)}));
    timeline.update(10.0f);
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(0)}));
    timeline.update(30.0f);
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(0), layer(1)}));
}

TEST_F(TimelineTest, ReinsertedLayerRestartsItsClock) {
    Timeline timeline = makeTimeline(EventWriter().insert(0.0f, 0, 0).remove(5.0f, 0).insert(8.0f, 0, 0).end());
    timeline.update(9.0f);
    EXPECT_EQ(log_, (std::vector<std::string>{"a.update@1"}));
}

TEST_F(TimelineTest, SameLayerMayBeActiveTwice) {
    Timeline timeline = makeTimeline(EventWriter().insert(0.0f, 0, 0).insert(2.0f, 1, 0).end());
    timeline.update(3.0f);
    EXPECT_EQ(log_, (std::vector<std::string>{"a.update@3", "a.update@1"}));
}

TEST_F(TimelineTest, NaNTimeNeitherRestartsNorAppliesEvents) {
    Timeline timeline = makeTimeline(EventWriter().insert(0.0f, 0, 0).insert(5.0f, 0, 1).end());
    timeline.update(1.0f);
    timeline.update(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(0)}));
    timeline.update(6.0f);
    EXPECT_EQ(timeline.activeCount(), 2);
}

TEST_F(TimelineTest, StreamWithoutEndByteStillEnds) {
    Timeline timeline = makeTimeline(EventWriter().insert(0.0f, 0, 0));
    timeline.update(100.0f);
    EXPECT_EQ(timeline.activeCount(), 1);
}

TEST_F(TimelineTest, BadPositionsAndPoolIndicesAreSkipped) {
    Timeline timeline = makeTimeline(EventWriter()
                                         .insert(0.0f, 1, 0)   // position past the end of the active list
                                         .insert(0.0f, 0, 3)   // pool index past the pool
                                         .insert(0.0f, 0, -1)  // negative pool index
                                         .insert(0.0f, -1, 0)  // negative position
                                         .remove(0.0f, 0)      // nothing to remove
                                         .insert(0.0f, 0, 2)   // valid
                                         .remove(1.0f, 1)      // past the end
                                         .end());
    timeline.update(2.0f);
    EXPECT_EQ(active(timeline), (std::vector<Layer*>{layer(2)}));
    EXPECT_EQ(log_, (std::vector<std::string>{"c.update@2"}));
}

TEST_F(TimelineTest, TruncatedEventEndsTheStream) {
    EventWriter events;
    events.insert(0.0f, 0, 0);
    std::vector<std::uint8_t> bytes = events.bytes();
    bytes.insert(bytes.end(), {0, 0, 0, 0, 0, 0, 0});  // an insert cut off after its time and 2 bytes
    Timeline timeline(&pool_, bytes);
    timeline.update(1.0f);
    EXPECT_EQ(timeline.activeCount(), 1);
}

TEST_F(TimelineTest, NullPoolEntriesAreNeverCalled) {
    graph::PointerArray pool;
    pool.pushValue(static_cast<graph::ScriptObject*>(nullptr));
    Timeline timeline(&pool, EventWriter().insert(0.0f, 0, 0).end().bytes());
    timeline.update(0.0f);
    timeline.render(0.0f);
    EXPECT_EQ(timeline.activeCount(), 1);
    EXPECT_TRUE(log_.empty());
}

TEST_F(TimelineTest, RestartDoesNotRepeatEarlierInserts) {
    Timeline timeline = makeTimeline(EventWriter().insert(0.0f, 0, 0).end());
    timeline.update(1.0f);
    timeline.update(0.5f);
    EXPECT_EQ(timeline.activeCount(), 1);
}

}  // namespace
