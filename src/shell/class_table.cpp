// Registry of the scene-script classes: one const table per script.
#include "shell/class_table.h"

#include <array>

#include "graph/checked_constructor.h"
#include "mesh/mesh_classes.h"
#include "mesh/object_instance.h"
#include "music/music.h"
#include "scene/camera.h"
#include "scene/constant_vector.h"
#include "scene/keyframe_curves.h"
#include "scene/light.h"
#include "scene/look_at_transform.h"
#include "scene/material.h"
#include "scene/matrix_values.h"
#include "scene/orbit_path.h"
#include "scene/scalar_remap.h"
#include "scene/static_matrix.h"
#include "shell/demo.h"
#include "sequence/clear_layer.h"
#include "sequence/scene_clip.h"
#include "sequence/screen_overlay.h"
#include "sequence/timeline.h"
#include "texture/canvas.h"
#include "texture/combine.h"
#include "texture/gradient.h"
#include "texture/noise.h"
#include "texture/text.h"
#include "texture/texture_upload.h"

namespace shell {

namespace {

using graph::Constructor;
using graph::constructChecked;

constexpr std::size_t slot(ClassIndex index) { return static_cast<std::size_t>(index); }

constexpr std::array<Constructor, kMainClassCount> makeMainTable() {
    std::array<Constructor, kMainClassCount> table{};
    table.fill(&graph::nullConstructor);
    table[slot(ClassIndex::ConstantVector)] = &constructChecked<"ConstantVector", scene::makeConstantVector>;
    table[slot(ClassIndex::LookAtTransform)] = &constructChecked<"LookAtTransform", scene::makeLookAtTransform>;
    table[slot(ClassIndex::Camera)] = &constructChecked<"Camera", scene::makeCamera>;
    table[slot(ClassIndex::Light)] = &constructChecked<"Light", scene::makeLight>;
    table[slot(ClassIndex::StaticTranslate)] = &constructChecked<"StaticTranslate", scene::makeStaticTranslate>;
    table[slot(ClassIndex::StaticScale)] = &constructChecked<"StaticScale", scene::makeStaticScale>;
    table[slot(ClassIndex::ConstantTransform)] =
        &constructChecked<"ConstantTransform", scene::makeConstantTransform>;
    table[slot(ClassIndex::SpinTransform)] = &constructChecked<"SpinTransform", scene::makeSpinTransform>;
    table[slot(ClassIndex::SpriteMaterial)] = &constructChecked<"SpriteMaterial", scene::makeSpriteMaterial>;
    table[slot(ClassIndex::SceneClip)] = &constructChecked<"SceneClip", sequence::makeSceneClip>;
    table[slot(ClassIndex::ScalarCurve)] = &constructChecked<"ScalarCurve", scene::makeScalarCurve>;
    table[slot(ClassIndex::ScreenOverlay)] = &constructChecked<"ScreenOverlay", sequence::makeScreenOverlay>;
    table[slot(ClassIndex::SurfaceMaterial)] = &constructChecked<"SurfaceMaterial", scene::makeSurfaceMaterial>;
    table[slot(ClassIndex::ClearLayer)] = &constructChecked<"ClearLayer", sequence::makeClearLayer>;
    table[slot(ClassIndex::OrbitPath)] = &constructChecked<"OrbitPath", scene::makeOrbitPath>;
    table[slot(ClassIndex::Canvas)] = &constructChecked<"Canvas", texture::makeCanvas>;
    table[slot(ClassIndex::Gradient)] = &constructChecked<"Gradient", texture::makeGradient>;
    table[slot(ClassIndex::TextureUpload)] = &constructChecked<"TextureUpload", texture::makeTextureUpload>;
    table[slot(ClassIndex::Text)] = &constructChecked<"Text", texture::makeText>;
    table[slot(ClassIndex::Combine)] = &constructChecked<"Combine", texture::makeCombine>;
    table[slot(ClassIndex::Noise)] = &constructChecked<"Noise", texture::makeNoise>;
    table[slot(ClassIndex::Cube)] = &constructChecked<"Cube", mesh::makeCube>;
    table[slot(ClassIndex::Spherify)] = &constructChecked<"Spherify", mesh::makeSpherify>;
    table[slot(ClassIndex::Smooth)] = &constructChecked<"Smooth", mesh::makeSmooth>;
    table[slot(ClassIndex::RandomScale)] = &constructChecked<"RandomScale", mesh::makeRandomScale>;
    table[slot(ClassIndex::ChannelOp)] = &constructChecked<"ChannelOp", mesh::makeChannelOp>;
    table[slot(ClassIndex::MeshCopy)] = &constructChecked<"MeshCopy", mesh::makeMeshCopy>;
    table[slot(ClassIndex::FaceChannelFromVertices)] =
        &constructChecked<"FaceChannelFromVertices", mesh::makeFaceChannelFromVertices>;
    table[slot(ClassIndex::Extrude)] = &constructChecked<"Extrude", mesh::makeExtrude>;
    table[slot(ClassIndex::ScaleByChannel)] = &constructChecked<"ScaleByChannel", mesh::makeScaleByChannel>;
    table[slot(ClassIndex::CopyToVertices)] = &constructChecked<"CopyToVertices", mesh::makeCopyToVertices>;
    table[slot(ClassIndex::CopyAlongPath)] = &constructChecked<"CopyAlongPath", mesh::makeCopyAlongPath>;
    table[slot(ClassIndex::MergeMeshes)] = &constructChecked<"MergeMeshes", mesh::makeMergeMeshes>;
    table[slot(ClassIndex::ObjectInstance)] = &constructChecked<"ObjectInstance", mesh::makeObjectInstance>;
    table[static_cast<std::size_t>(ClassIndex::Timeline)] = &graph::construct<sequence::makeTimeline>;
    table[static_cast<std::size_t>(ClassIndex::Music)] = &graph::construct<music::makeMusic>;
    table[slot(ClassIndex::Demo)] = &constructChecked<"Demo", makeDemo>;
    return table;
}

constexpr std::array<Constructor, kLoaderClassCount> makeLoaderTable() {
    std::array<Constructor, kLoaderClassCount> table{};
    table.fill(&graph::nullConstructor);
    // The loader script's own numbering.
    table[0] = &constructChecked<"ScreenOverlay", sequence::makeScreenOverlay>;
    table[1] = &constructChecked<"Canvas", texture::makeCanvas>;
    table[3] = &constructChecked<"TextureUpload", texture::makeTextureUpload>;
    table[4] = &constructChecked<"VectorCurve", scene::makeVectorCurve>;
    table[5] = &constructChecked<"ScalarRemap", scene::makeScalarRemap>;
    table[7] = &constructChecked<"Text", texture::makeText>;
    table[9] = &constructChecked<"ClearLayer", sequence::makeClearLayer>;
    table[10] = &graph::construct<sequence::makeTimeline>;
    table[11] = &constructChecked<"Demo", makeDemo>;
    return table;
}

constexpr std::array<Constructor, kMainClassCount> kMainTable = makeMainTable();
constexpr std::array<Constructor, kLoaderClassCount> kLoaderTable = makeLoaderTable();

}  // namespace

graph::ClassTable mainClassTable() { return kMainTable; }

graph::ClassTable loaderClassTable() { return kLoaderTable; }

}  // namespace shell
