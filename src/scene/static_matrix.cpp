// The static matrix records.
#include "scene/static_matrix.h"

namespace scene {

math::Matrix4 matrixOrIdentity(const StaticMatrix* matrix) {
    return matrix != nullptr ? matrix->matrix() : math::matIdentity();
}

StaticMatrix* makeStaticTranslate(graph::ObjectStore& store, StaticMatrix* previous, float x, float y, float z) {
    return store.make<StaticMatrix>(math::matTranslate(matrixOrIdentity(previous), x, y, z));
}

StaticMatrix* makeStaticScale(graph::ObjectStore& store, StaticMatrix* previous, float sx, float sy, float sz) {
    return store.make<StaticMatrix>(math::matScale(matrixOrIdentity(previous), sx, sy, sz));
}

}  // namespace scene
