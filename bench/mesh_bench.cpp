// Mesh generation benchmarks: the heaviest chains the scene script builds at start-up, and their stages.
//
//   BM_MemcpyFrame             the reference: one memcpy of an 800 x 500 frame of 32-bit pixels.
//   BM_SphereChain             cube, spherify with 3 subdivisions, smooth with 2 more, random scale:
//                              6,146 vertices, 12,288 faces.
//   BM_CopiedExtrusionChain    an extruded cube (170 vertices) copied along the normals of every vertex of
//                              another extruded cube (170), then spherified: 28,900 vertices, 57,120 faces.
//   BM_TwoOrbitChain           a small cube scaled by a random vertex channel, copied 49 times along one
//                              orbit path and 42 times along another, the two merged: 2,366 vertices,
//                              4,368 faces.
//   BM_PrepareMesh/chain       prepareMesh, as an object instance runs it, into software-device buffers:
//                              0 the sphere chain for sprites; 1 the sphere chain flat-shaded (12,288 faces
//                              unwelded into 36,864 vertices, the heaviest flat mesh that fits); 2 the copied
//                              extrusion chain smooth (flat it would need 171,360 vertices, which a mesh may
//                              not have); 3 the two-orbit chain flat-shaded.
//   BM_PresentationMeshes      every mesh of the presentation's eight clips generated and prepared for its
//                              material, one after another (the parameters the content leaves open are
//                              ours): the figure to hold against the 100 ms aimed at for all meshes.
//   BM_Subdivide5, BM_EdgeTable, BM_Normals, BM_SmoothPass, BM_CopyToVertices, BM_Upload
//                              one stage each, on the sphere chain's sizes, to show where the time goes.
//   BM_EdgeTableCopies, BM_NormalsCopies
//                              the two computing stages of preparing the copied extrusion chain, in arrays
//                              that already exist: what is left of BM_PrepareMesh/chain:2 is the first
//                              touch of its fresh arrays and device buffers (page faults) and the uploads.
//   BM_ManySmallCopies         an 8-vertex cube copied onto each of the sphere chain's 6,146 vertices:
//                              many small appends, which must cost linear time.
//
// Read the *_median rows: Time is the median wall time of one run of the chain or stage; x_memcpy is that
// time as a multiple of one memcpy of the frame, timed in the same process before the benchmarks run.
// Run: build/release/bench/mesh_bench (add --benchmark_filter=Chain for the chains alone).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <utility>

#include "device/d3d9_interfaces.h"
#include "frame_reference.h"
#include "mesh/channel_ops.h"
#include "mesh/edge_table.h"
#include "mesh/extrude.h"
#include "mesh/normals.h"
#include "mesh/prepare_mesh.h"
#include "mesh/replication.h"
#include "mesh/shape_modifiers.h"
#include "mesh/subdivide.h"
#include "platform/soft/soft_direct3d.h"
#include "scene/material.h"
#include "scene/orbit_path.h"
#include "texture/texture_upload.h"

namespace {

using bench::timeAgainstMemcpy;
using mesh::Mesh;

constexpr int kRepetitions = 9;

void require(const mesh::Status& status) {
    if (!status.ok()) throw std::runtime_error(status.message());
}

std::unique_ptr<Mesh> sphereChain() {
    auto m = std::make_unique<Mesh>();
    require(mesh::makeCubeMesh(*m, 0, 1.0f));
    require(mesh::spherify(*m, 3, 1.5f, 1.0f));
    require(mesh::smooth(*m, 2, 0.5f));
    require(mesh::randomScale(*m, -1, 5, 0.1f, 1.0f));
    return m;
}

// A cube with random vertex weights, every face raised by one ring.
std::unique_ptr<Mesh> extrudedCube(float halfSize, float seedParameter) {
    auto m = std::make_unique<Mesh>();
    require(mesh::makeCubeMesh(*m, 1, halfSize));
    mesh::channelOp(*m, 1, 0, 0, 16, seedParameter);
    require(mesh::faceChannelFromVertices(*m, 4, 1, 9));
    require(mesh::extrude(*m, 4, halfSize * 0.5f, 1));
    return m;
}

std::unique_ptr<Mesh> copiedExtrusionChain() {
    auto source = extrudedCube(0.15f, 0.3f);
    auto target = extrudedCube(2.0f, 0.7f);
    auto result = std::make_unique<Mesh>();
    require(mesh::copyToVertices(*source, *target, 1, *result));
    require(mesh::spherify(*result, 0, 3.0f, 0.3f));
    return result;
}

std::unique_ptr<Mesh> twoOrbitChain() {
    Mesh small;
    require(mesh::makeCubeMesh(small, 1, 0.08f));
    mesh::channelOp(small, 1, 0, 0, 16, 0.4f);
    mesh::scaleByChannel(small, 1, 2.0f, 0.5f, 2.0f);
    scene::OrbitPath first(3, 2.5f, 0.4f, 10.0f);
    scene::OrbitPath second(2, 1.6f, 0.8f, 8.0f);
    Mesh along, across;
    require(mesh::copyAlongPath(small, first, 49, 1, along));
    require(mesh::copyAlongPath(small, second, 42, 1, across));
    auto merged = std::make_unique<Mesh>();
    const Mesh* both[] = {&along, &across};
    require(mesh::mergeMeshes(both, *merged));
    return merged;
}

// The materials the scene draws its meshes with: sprites, lit flat surfaces, a smooth surface, and the
// invisible smooth surface under white lines along the edge list.
struct Materials {
    texture::TextureUpload spriteImage{nullptr, 32, 32, 32, 32, nullptr};
    scene::Material sprites;
    scene::Material flat;
    scene::Material smooth;
    scene::Material wire;

    Materials() {
        sprites.spriteTexture = &spriteImage;
        sprites.surfaceMode = -1;
        sprites.spriteSize = 1.0f;
        sprites.spriteSizeChannel = 1;
        smooth.surfaceMode = 1;
        wire.surfaceMode = 1;
        wire.lineMode = 2;
        wire.lighting = false;
    }
};

const Materials& materials() {
    static const Materials made;
    return made;
}

// A software device over an 800 x 500 frame that creates the managed buffers.
class SoftDevice {
public:
    SoftDevice() {
        d3d_ = soft::createSoftDirect3D();
        device::D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferWidth = bench::kFrameWidth;
        parameters.BackBufferHeight = bench::kFrameHeight;
        parameters.Windowed = device::TRUE;
        parameters.SwapEffect = device::D3DSWAPEFFECT_DISCARD;
        d3d_->CreateDevice(0, device::D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device_);
    }
    SoftDevice(const SoftDevice&) = delete;
    SoftDevice& operator=(const SoftDevice&) = delete;
    ~SoftDevice() {
        if (device_ != nullptr) device_->Release();
        d3d_->Release();
    }
    device::IDirect3DDevice9* get() const { return device_; }

private:
    device::IDirect3D9* d3d_ = nullptr;
    device::IDirect3DDevice9* device_ = nullptr;
};

void uploadAll(Mesh& m, device::IDirect3DDevice9* device) {
    for (auto* array : {&m.positions, &m.texCoords, &m.normals, &m.tangents, &m.binormals}) {
        array->uploadVertices(device);
    }
    m.faces.uploadIndices(device);
    m.edges.uploadIndices(device);
}

void prepare(Mesh& m, const scene::Material& material, device::IDirect3DDevice9* device) {
    require(mesh::prepareMesh(m, material, device));
}

void BM_SphereChain(benchmark::State& state) {
    timeAgainstMemcpy(state, [] { benchmark::DoNotOptimize(sphereChain()); });
}

void BM_CopiedExtrusionChain(benchmark::State& state) {
    timeAgainstMemcpy(state, [] { benchmark::DoNotOptimize(copiedExtrusionChain()); });
}

// Like timeAgainstMemcpy, with an untimed setup before each timed run: work(setup()).
template <typename Setup, typename Work>
void timeAfterSetup(benchmark::State& state, Setup setup, Work work) {
    double total = 0.0;
    for (auto _ : state) {
        auto input = setup();
        const auto start = std::chrono::steady_clock::now();
        work(*input);
        benchmark::ClobberMemory();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["x_memcpy"] = total / static_cast<double>(state.iterations()) / bench::memcpyFrameSeconds();
}

void BM_TwoOrbitChain(benchmark::State& state) {
    timeAgainstMemcpy(state, [] { benchmark::DoNotOptimize(twoOrbitChain()); });
}

void BM_PrepareMesh(benchmark::State& state) {
    SoftDevice device;
    const Materials& m = materials();
    struct Case {
        std::unique_ptr<Mesh> (*chain)();
        const scene::Material* material;
    };
    const Case cases[] = {{&sphereChain, &m.sprites},
                          {&sphereChain, &m.flat},
                          {&copiedExtrusionChain, &m.smooth},
                          {&twoOrbitChain, &m.flat}};
    const Case& chosen = cases[state.range(0)];
    // Preparation consumes its mesh, so every run gets a freshly generated one.
    timeAfterSetup(state, chosen.chain, [&](Mesh& mesh) { prepare(mesh, *chosen.material, device.get()); });
}

// A spherified cube with a random face channel, extruded, then smoothed with one more subdivision.
std::unique_ptr<Mesh> extrudedSmoothedSphere() {
    auto m = std::make_unique<Mesh>();
    require(mesh::makeCubeMesh(*m, 0, 1.0f));
    require(mesh::spherify(*m, 2, 1.2f, 1.0f));
    mesh::channelOp(*m, 4, 0, 0, 16, 0.2f);
    require(mesh::extrude(*m, 4, 0.3f, 1));
    require(mesh::smooth(*m, 1, 0.5f));
    return m;
}

// Every clip's mesh, generated and prepared: 0 and 6 the sphere chain (and its copy) as sprites, 7 a
// randomly scaled sphere of 98 sprites, 2 (and 13, the same instance) the extruded smoothed sphere flat,
// 10 the copied extrusion chain smooth, 12 the two-orbit chain flat, 23 an extruded smoothed cube as
// lines along its edges.
void presentationMeshes(device::IDirect3DDevice9* device) {
    const Materials& m = materials();
    auto sphere = sphereChain();
    mesh::channelOp(*sphere, 1, 0, 0, 16, 0.5f);
    Mesh sphereCopy;
    require(mesh::copyMesh(*sphere, sphereCopy));
    prepare(*sphere, m.sprites, device);
    prepare(sphereCopy, m.sprites, device);
    Mesh town;
    require(mesh::makeCubeMesh(town, 2, 1.0f));
    require(mesh::spherify(town, 0, 4.0f, 1.0f));
    require(mesh::randomScale(town, -1, 3, 0.3f, 1.0f));
    prepare(town, m.sprites, device);
    prepare(*extrudedSmoothedSphere(), m.flat, device);
    prepare(*copiedExtrusionChain(), m.smooth, device);
    prepare(*twoOrbitChain(), m.flat, device);
    auto lines = extrudedCube(1.0f, 0.9f);
    require(mesh::smooth(*lines, 1, 0.5f));
    prepare(*lines, m.wire, device);
}

void BM_PresentationMeshes(benchmark::State& state) {
    SoftDevice device;
    timeAgainstMemcpy(state, [&] { presentationMeshes(device.get()); });
}

void BM_Subdivide5(benchmark::State& state) {
    timeAgainstMemcpy(state, [] {
        Mesh m;
        require(mesh::makeCubeMesh(m, 5, 1.0f));
        benchmark::DoNotOptimize(m.positions.data());
    });
}

void BM_EdgeTable(benchmark::State& state) {
    auto m = sphereChain();
    timeAgainstMemcpy(state, [&] { require(mesh::buildEdgeTable(*m)); });
}

void BM_EdgeTableCopies(benchmark::State& state) {
    auto m = copiedExtrusionChain();
    timeAgainstMemcpy(state, [&] { require(mesh::buildEdgeTable(*m)); });
}

void BM_NormalsCopies(benchmark::State& state) {
    auto m = copiedExtrusionChain();
    timeAgainstMemcpy(state, [&] {
        require(mesh::computeNormals(*m, mesh::VertexNormals::Yes, mesh::TangentFrame::No));
    });
}

void BM_Normals(benchmark::State& state) {
    auto m = sphereChain();
    mesh::ensureTexCoords(*m);
    timeAgainstMemcpy(state, [&] {
        require(mesh::computeNormals(*m, mesh::VertexNormals::Yes, mesh::TangentFrame::Yes));
    });
}

void BM_SmoothPass(benchmark::State& state) {
    auto m = sphereChain();
    timeAgainstMemcpy(state, [&] { require(mesh::smooth(*m, 0, 0.01f)); });
}

void BM_CopyToVertices(benchmark::State& state) {
    auto source = extrudedCube(0.15f, 0.3f);
    auto target = extrudedCube(2.0f, 0.7f);
    timeAgainstMemcpy(state, [&] {
        Mesh result;
        require(mesh::copyToVertices(*source, *target, 1, result));
        benchmark::DoNotOptimize(result.positions.data());
    });
}

void BM_ManySmallCopies(benchmark::State& state) {
    auto target = sphereChain();
    Mesh small;
    require(mesh::makeCubeMesh(small, 0, 0.01f));
    timeAgainstMemcpy(state, [&] {
        Mesh result;
        require(mesh::copyToVertices(small, *target, 2, result));
        benchmark::DoNotOptimize(result.positions.data());
    });
}

void BM_Upload(benchmark::State& state) {
    SoftDevice device;
    auto prepared = sphereChain();
    mesh::ensureTexCoords(*prepared);
    require(mesh::buildEdgeTable(*prepared));
    require(mesh::computeNormals(*prepared, mesh::VertexNormals::Yes, mesh::TangentFrame::Yes));
    const auto freshCopy = [&] {  // of every array that is uploaded
        auto m = std::make_unique<Mesh>();
        for (auto [to, from] : {std::pair{&m->positions, &prepared->positions}, {&m->texCoords, &prepared->texCoords},
                                {&m->normals, &prepared->normals}, {&m->tangents, &prepared->tangents},
                                {&m->binormals, &prepared->binormals}}) {
            to->assign(*from);
        }
        m->faces.assign(prepared->faces);
        m->edges.assign(prepared->edges);
        return m;
    };
    timeAfterSetup(state, freshCopy, [&](Mesh& m) { uploadAll(m, device.get()); });
}

void inMilliseconds(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseManualTime()->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
}

BENCHMARK(bench::BM_MemcpyFrame)
    ->Name("BM_MemcpyFrame")
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SphereChain)->Apply(inMilliseconds);
BENCHMARK(BM_CopiedExtrusionChain)->Apply(inMilliseconds);
BENCHMARK(BM_TwoOrbitChain)->Apply(inMilliseconds);
BENCHMARK(BM_PrepareMesh)->ArgName("chain")->DenseRange(0, 3)->Apply(inMilliseconds);
BENCHMARK(BM_PresentationMeshes)->Apply(inMilliseconds);
BENCHMARK(BM_Subdivide5)->Apply(inMilliseconds);
BENCHMARK(BM_EdgeTable)->Apply(inMilliseconds);
BENCHMARK(BM_Normals)->Apply(inMilliseconds);
BENCHMARK(BM_EdgeTableCopies)->Apply(inMilliseconds);
BENCHMARK(BM_NormalsCopies)->Apply(inMilliseconds);
BENCHMARK(BM_SmoothPass)->Apply(inMilliseconds);
BENCHMARK(BM_CopyToVertices)->Apply(inMilliseconds);
BENCHMARK(BM_Upload)->Apply(inMilliseconds);
BENCHMARK(BM_ManySmallCopies)->Apply(inMilliseconds);

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
