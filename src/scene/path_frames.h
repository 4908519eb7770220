// Coordinate frames along a vector value, for placing copies of a mesh along a path: a rotation-minimising
// sweep whose normal follows the path without spinning about it.
#pragma once

#include <vector>

#include "math/matrix4.h"
#include "scene/animated_value.h"

namespace scene {

// n + 1 frames at times i x period / n, i = 0 .. n: rows normal, side, tangent (unit length, mutually
// perpendicular) and the position. Each frame inherits the previous frame's normal, projected onto the
// plane across its own tangent. A closed path's inner frames are then turned about their tangents by
// their share of the twist that frame n has gathered against frame 0, so that the sweep closes without a
// jump; frames 0 and n stay as built. Fewer than one step (n < 1) gives no frames.
std::vector<math::Matrix4> samplePathFrames(VectorValue& path, int n);

}  // namespace scene
