// The constant vector value.
#include "scene/constant_vector.h"

namespace scene {

math::Vec4 ConstantVector::value(float) { return stored_; }

math::Vec4 ConstantVector::direction(float) { return {0.0f, 0.0f, 1.0f, 0.0f}; }

ConstantVector* makeConstantVector(graph::ObjectStore& store, float x, float y, float z, float w) {
    return store.make<ConstantVector>(math::Vec4{x, y, z, w});
}

}  // namespace scene
