// The class tables that map a scene-script record's class index to its constructor.
#pragma once

#include <cstddef>

#include "graph/constructor.h"

namespace shell {

// Class indices of the main scene script.
enum class ClassIndex : int {
    ConstantVector = 0,
    LookAtTransform = 1,
    Camera = 2,
    Light = 3,
    Cube = 4,
    Spherify = 5,
    Smooth = 6,
    RandomScale = 7,
    ChannelOp = 8,
    StaticTranslate = 9,
    StaticScale = 10,
    ConstantTransform = 11,
    SpinTransform = 12,
    Canvas = 13,
    Gradient = 14,
    TextureUpload = 15,
    SpriteMaterial = 16,
    MeshCopy = 17,
    ObjectInstance = 18,
    SceneClip = 19,
    ScalarCurve = 20,
    Text = 21,
    ScreenOverlay = 22,
    FaceChannelFromVertices = 23,
    Extrude = 24,
    SurfaceMaterial = 25,
    ClearLayer = 26,
    ScaleByChannel = 27,
    CopyToVertices = 28,
    OrbitPath = 29,
    CopyAlongPath = 30,
    MergeMeshes = 31,
    Combine = 32,
    Noise = 33,
    Timeline = 34,
    Music = 35,
    Demo = 36,
};

constexpr std::size_t kMainClassCount = 37;
constexpr std::size_t kLoaderClassCount = 12;

// The 37 constructors of the scene script. Classes that are not built yet yield null objects.
graph::ClassTable mainClassTable();

// The table of the loader script, which holds no records: none of its constructors is ever called.
graph::ClassTable loaderClassTable();

}  // namespace shell
