// What the timeline drives: anything that is updated and then rendered at a time in seconds.
#pragma once

#include "graph/script_object.h"

namespace sequence {

class Layer : public graph::ScriptObject {
public:
    // Advances the layer's state to time (seconds, the layer's local clock). Called before render.
    virtual void update(float time) = 0;
    // Draws the layer at time. Called after update with the same time.
    virtual void render(float time) = 0;
};

}  // namespace sequence
