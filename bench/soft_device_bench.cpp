// Software device benchmarks: the vertex stage on a lit, specular, 50,000-triangle indexed mesh (raster
// stage replaced by a sink that only counts), and the same draw as a whole frame with the raster stage.
// Each reports a ratio to a plain transform of the mesh's vertices by one matrix, timed in the same process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/soft/soft_direct3d.h"
#include "platform/soft/soft_ref.h"

namespace {

using namespace device;

struct Float4 {
    float x, y, z, w;
};

// A unit sphere 3 units ahead: 101 x 251 vertices, 50,000 triangles, normals and positions in separate
// 16-byte streams as the engine stores meshes.
struct SphereMesh {
    std::vector<Float4> positions, normals;
    std::vector<std::uint32_t> indices;

    SphereMesh() {
        constexpr int kRings = 100, kSegments = 250;
        constexpr float kPi = 3.14159265f;
        for (int ring = 0; ring <= kRings; ++ring) {
            const float theta = kPi * static_cast<float>(ring) / kRings;
            for (int segment = 0; segment <= kSegments; ++segment) {
                const float phi = 2.0f * kPi * static_cast<float>(segment) / kSegments;
                const Float4 n{std::sin(theta) * std::sin(phi), std::cos(theta), -std::sin(theta) * std::cos(phi), 0};
                normals.push_back(n);
                positions.push_back({n.x, n.y, n.z + 3.0f, 1.0f});
            }
        }
        for (int ring = 0; ring < kRings; ++ring) {
            for (int segment = 0; segment < kSegments; ++segment) {
                const auto a = static_cast<std::uint32_t>(ring * (kSegments + 1) + segment);
                const auto b = a + kSegments + 1;
                indices.insert(indices.end(), {a, a + 1, b, a + 1, b + 1, b});
            }
        }
    }
};

const SphereMesh& sphere() {
    static const SphereMesh mesh;
    return mesh;
}

// Median time of transforming every sphere vertex by one 4x4 matrix, in seconds, measured once.
double transformSeconds() {
    static const double seconds = [] {
        const SphereMesh& mesh = sphere();
        std::vector<Float4> out(mesh.positions.size());
        const float m[16] = {1, 0, 0, 0, 0, 1.6f, 0, 0, 0, 0, 1.00001f, 1, 0, 0, -0.01f, 0};
        std::vector<double> samples;
        for (int i = 0; i < 51; ++i) {
            const auto start = std::chrono::steady_clock::now();
            for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
                const Float4& p = mesh.positions[v];
                out[v] = {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
                          p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14], p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15]};
            }
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
            samples.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        std::nth_element(samples.begin(), samples.begin() + 25, samples.end());
        return samples[25];
    }();
    return seconds;
}

void reportRatio(benchmark::State& state) {
    state.counters["x_transform"] = benchmark::Counter(transformSeconds() * static_cast<double>(state.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

class CountingSink final : public soft::RasterSink {
public:
    void drawTriangles(const soft::RenderTarget&, const soft::PixelState&, const soft::ScreenVertex*,
                       std::size_t triangleCount) override {
        triangles += triangleCount;
    }
    void drawLines(const soft::RenderTarget&, const soft::PixelState&, const soft::ScreenVertex*,
                   std::size_t) override {}
    std::size_t triangles = 0;
};

// A device set up like a lit scene of the engine: a perspective projection, one white point light,
// specular highlights, a depth buffer.
class Scene {
public:
    explicit Scene(soft::RasterSink* sink) {
        soft::SoftDirect3DOptions options;
        options.rasterSink = sink;
        d3d_ = soft::createSoftDirect3D(options);
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device_);
        setUpState();
        setUpMesh();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    ~Scene() {
        positions_.reset();
        normals_.reset();
        indices_.reset();
        declaration_.reset();
        depth_.reset();
        device_->Release();
        d3d_->Release();
    }

    void drawFrame() {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device_->BeginScene();
        const auto& mesh = sphere();
        device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(mesh.positions.size()), 0,
                                      static_cast<UINT>(mesh.indices.size() / 3));
        device_->EndScene();
    }

private:
    template <typename T>
    soft::Ref<IDirect3DVertexBuffer9> vertexBuffer(const std::vector<T>& data) {
        IDirect3DVertexBuffer9* buffer = nullptr;
        const auto length = static_cast<UINT>(data.size() * sizeof(T));
        device_->CreateVertexBuffer(length, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr);
        void* bytes = nullptr;
        buffer->Lock(0, 0, &bytes, 0);
        std::memcpy(bytes, data.data(), length);
        buffer->Unlock();
        return soft::Ref<IDirect3DVertexBuffer9>::adopt(buffer);
    }

    void setUpState() {
        D3DMATRIX projection{};
        projection._11 = 1.0f;
        projection._22 = 1.6f;
        projection._33 = 1.0000100135803223f;
        projection._34 = 1.0f;
        projection._43 = -0.010000099427998066f;
        device_->SetTransform(D3DTS_PROJECTION, &projection);
        const D3DMATERIAL9 material{{0.25f, 0.8f, 1.0f, 1.0f}, {0.12f, 0.12f, 0.12f, 1.0f}, {1, 1, 1, 1}, {}, 64.9f};
        device_->SetMaterial(&material);
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_POINT;
        light.Diffuse = light.Specular = light.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        light.Position = {-3.0f, 3.0f, 0.0f};
        light.Range = 2000.0f;
        light.Attenuation0 = 1.0f;
        device_->SetLight(0, &light);
        device_->LightEnable(0, TRUE);
        device_->SetRenderState(D3DRS_AMBIENT, 0xFF303030);
        device_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        device_->SetRenderState(D3DRS_ZENABLE, TRUE);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
        IDirect3DSurface9* depth = nullptr;
        device_->CreateDepthStencilSurface(1024, 1024, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, nullptr);
        depth_ = soft::Ref<IDirect3DSurface9>::adopt(depth);
        device_->SetDepthStencilSurface(depth);
    }

    void setUpMesh() {
        const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                              {2, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0}, D3DDECL_END()};
        IDirect3DVertexDeclaration9* declaration = nullptr;
        device_->CreateVertexDeclaration(elements, &declaration);
        declaration_ = soft::Ref<IDirect3DVertexDeclaration9>::adopt(declaration);
        device_->SetVertexDeclaration(declaration);
        const SphereMesh& mesh = sphere();
        positions_ = vertexBuffer(mesh.positions);
        normals_ = vertexBuffer(mesh.normals);
        device_->SetStreamSource(0, positions_.get(), 0, 16);
        device_->SetStreamSource(2, normals_.get(), 0, 16);
        IDirect3DIndexBuffer9* indices = nullptr;
        const auto length = static_cast<UINT>(mesh.indices.size() * 4);
        device_->CreateIndexBuffer(length, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &indices, nullptr);
        void* bytes = nullptr;
        indices->Lock(0, 0, &bytes, 0);
        std::memcpy(bytes, mesh.indices.data(), length);
        indices->Unlock();
        indices_ = soft::Ref<IDirect3DIndexBuffer9>::adopt(indices);
        device_->SetIndices(indices);
    }

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    soft::Ref<IDirect3DSurface9> depth_;
    soft::Ref<IDirect3DVertexDeclaration9> declaration_;
    soft::Ref<IDirect3DVertexBuffer9> positions_, normals_;
    soft::Ref<IDirect3DIndexBuffer9> indices_;
};

void BM_VertexStageLitSphere50k(benchmark::State& state) {
    CountingSink sink;
    Scene scene(&sink);
    for (auto _ : state) scene.drawFrame();
    state.counters["triangles_drawn"] = static_cast<double>(sink.triangles) / static_cast<double>(state.iterations());
    reportRatio(state);
}
BENCHMARK(BM_VertexStageLitSphere50k)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FrameLitSphere50k(benchmark::State& state) {
    Scene scene(nullptr);
    for (auto _ : state) scene.drawFrame();
    reportRatio(state);
}
BENCHMARK(BM_FrameLitSphere50k)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
