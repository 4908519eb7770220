// Mesh generation benchmarks: the heaviest chains the scene script builds at start-up, and their stages.
//
//   BM_MemcpyFrame             the reference: one memcpy of an 800 x 500 frame of 32-bit pixels.
//   BM_SphereChain             cube, spherify with 3 subdivisions, smooth with 2 more, random scale:
//                              6,146 vertices, 12,288 faces.
//   BM_CopiedExtrusionChain    an extruded cube (170 vertices) copied along the normals of every vertex of
//                              another extruded cube (170), then spherified: 28,900 vertices, 57,120 faces.
//   BM_PrepareParts/chain      what drawing needs of a finished mesh that exists today: texture
//                              coordinates, the edge table, vertex normals with tangent frames, and the
//                              uploads of every array into software-device buffers (0 sphere, 1 copies).
//   BM_Subdivide5, BM_EdgeTable, BM_Normals, BM_SmoothPass, BM_CopyToVertices, BM_Upload
//                              one stage each, on the sphere chain's sizes, to show where the time goes.
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
#include "mesh/replication.h"
#include "mesh/shape_modifiers.h"
#include "mesh/subdivide.h"
#include "platform/soft/soft_direct3d.h"

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

void prepareParts(Mesh& m, device::IDirect3DDevice9* device) {
    mesh::ensureTexCoords(m);
    require(mesh::buildEdgeTable(m));
    require(mesh::computeNormals(m, mesh::VertexNormals::Yes, mesh::TangentFrame::Yes));
    uploadAll(m, device);
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

void BM_PrepareParts(benchmark::State& state) {
    SoftDevice device;
    // Preparation consumes its mesh, so every run gets a freshly generated one.
    timeAfterSetup(state, state.range(0) == 0 ? &sphereChain : &copiedExtrusionChain,
                   [&](Mesh& m) { prepareParts(m, device.get()); });
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
BENCHMARK(BM_PrepareParts)->ArgName("chain")->Arg(0)->Arg(1)->Apply(inMilliseconds);
BENCHMARK(BM_Subdivide5)->Apply(inMilliseconds);
BENCHMARK(BM_EdgeTable)->Apply(inMilliseconds);
BENCHMARK(BM_Normals)->Apply(inMilliseconds);
BENCHMARK(BM_SmoothPass)->Apply(inMilliseconds);
BENCHMARK(BM_CopyToVertices)->Apply(inMilliseconds);
BENCHMARK(BM_Upload)->Apply(inMilliseconds);
BENCHMARK(BM_ManySmallCopies)->Apply(inMilliseconds);

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
