// Placement matrices fixed when the script is read (scene-script classes 9 and 10). Each record makes a
// new matrix from the previous one, so a chain of records reads like a chain of operations: a scale
// applied to a translation gives S T, scaling a vertex first and moving it second.
#pragma once

#include "graph/script_object.h"
#include "math/matrix4.h"

namespace scene {

class StaticMatrix : public graph::ScriptObject {
public:
    static constexpr const char* kScriptName = "static matrix";

    explicit StaticMatrix(const math::Matrix4& matrix) : matrix_(matrix) {}
    const math::Matrix4& matrix() const { return matrix_; }

private:
    math::Matrix4 matrix_;
};

// Class 9: matTranslate(previous, x, y, z), the identity standing in for a null previous.
StaticMatrix* makeStaticTranslate(graph::ObjectStore& store, StaticMatrix* previous, float x, float y, float z);
// Class 10: matScale(previous, sx, sy, sz), the identity standing in for a null previous.
StaticMatrix* makeStaticScale(graph::ObjectStore& store, StaticMatrix* previous, float sx, float sy, float sz);

// The matrix, or the identity for null.
math::Matrix4 matrixOrIdentity(const StaticMatrix* matrix);

}  // namespace scene
