// The root of the scene graph (scene-script class 36): the timeline that draws every frame, the end time
// and the music that plays until it.
#pragma once

#include "graph/constructor.h"
#include "music/music.h"
#include "sequence/layer.h"

namespace shell {

class Demo : public graph::ScriptObject {
public:
    static constexpr const char* kScriptName = "Demo";

    // timeline and music may be null.
    Demo(sequence::Layer* timeline, float endTime, music::Music* music)
        : timeline_(timeline), endTime_(endTime), music_(music) {}

    // One frame at t seconds: the timeline's update, the clear of colour and depth, the timeline's render
    // between BeginScene and EndScene. At t >= end time stops the music and returns false; true otherwise,
    // also when t or the end time is not a number.
    bool runFrame(float t);

    sequence::Layer* timeline() const { return timeline_; }
    float endTime() const { return endTime_; }
    music::Music* music() const { return music_; }

private:
    sequence::Layer* timeline_;
    float endTime_;
    music::Music* music_;
};

// Class 36: timeline, end time (seconds), music.
Demo* makeDemo(graph::ObjectStore& store, sequence::Layer* timeline, float endTime, music::Music* music);

}  // namespace shell
