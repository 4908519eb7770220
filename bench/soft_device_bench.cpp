// Software device benchmarks, drawn through the Direct3D 9 interface the way the engine draws:
//
//   BM_MemcpyFrame                   the reference: one memcpy of an 800 x 500 frame of 32-bit pixels.
//   BM_OverlayQuad/threads/mapping   a full-frame 800 x 500 overlay: a 256 x 256 texture, bilinear
//                                    filtering, modulated by a translucent vertex colour and alpha-blended
//                                    over the frame, set up as ScreenOverlay::render sets the device.
//                                    mapping 0: the texture stretched (every pixel filtered); 1: one texel
//                                    per pixel; 2: one texel per pixel scrolled by a fraction of a texel.
//   BM_LitTriangles50k/threads       a frame of 50,000 lit Gouraud triangles (a rippled sheet over the
//                                    whole frame, indexed, a point light with specular, depth-tested),
//                                    including the colour and depth clear.
//   BM_VertexStageLitTriangles50k    the same draw with the raster stage replaced by a counting sink.
//
// How to read the output: every benchmark runs 9 repetitions and prints only their aggregates; read the
// *_median rows. Time is the median over the repetitions of the wall time of one draw (or frame). The
// counter x_memcpy is that time as a multiple of one memcpy of the frame, timed (median of 201 copies)
// in the same process before the benchmarks run, so it hardly depends on the machine: x_memcpy=8 means
// the draw costs as much as eight memcpy's of the frame. threads is the raster stage's thread count, the
// calling thread included. Run: build/bench/soft_device_bench (add --benchmark_filter=Overlay for one).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "device/device_ref.h"
#include "device/shared_render_state.h"
#include "device/texture_binding.h"
#include "frame_reference.h"
#include "platform/soft/soft_direct3d.h"

namespace {

using namespace device;
using bench::kFrameHeight;
using bench::kFrameWidth;
using bench::timeAgainstMemcpy;

constexpr int kRepetitions = 9;

std::uint32_t nextRandom(std::uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed;
}

// A device on the software Direct3D object with an 800 x 500 back buffer and a depth buffer.
class Device {
public:
    explicit Device(const soft::RasterSettings& raster, soft::RasterSink* sink = nullptr) {
        soft::SoftDirect3DOptions options;
        options.rasterSink = sink;
        options.raster = raster;
        d3d_ = DeviceRef<IDirect3D9>::adopt(soft::createSoftDirect3D(options));
        D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferWidth = kFrameWidth;
        parameters.BackBufferHeight = kFrameHeight;
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, device_.out());
        device_->CreateDepthStencilSurface(kFrameWidth, kFrameHeight, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                           depth_.out(), nullptr);
        device_->SetDepthStencilSurface(depth_.get());
    }

    IDirect3DDevice9& operator*() const { return *device_; }
    IDirect3DDevice9* operator->() const { return device_.get(); }

private:
    // Released in reverse: the depth surface, the device, then the Direct3D object.
    DeviceRef<IDirect3D9> d3d_;
    DeviceRef<IDirect3DDevice9> device_;
    DeviceRef<IDirect3DSurface9> depth_;
};

DeviceRef<IDirect3DVertexDeclaration9> declaration(IDirect3DDevice9& d, const D3DVERTEXELEMENT9* elements) {
    DeviceRef<IDirect3DVertexDeclaration9> created;
    d.CreateVertexDeclaration(elements, created.out());
    return created;
}

// --- the overlay -------------------------------------------------------------------------------------

// A 256 x 256 A8R8G8B8 texture of noise, alpha included.
DeviceRef<IDirect3DTexture9> noiseTexture(IDirect3DDevice9& d) {
    DeviceRef<IDirect3DTexture9> texture;
    d.CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out(), nullptr);
    D3DLOCKED_RECT locked{};
    texture->LockRect(0, &locked, nullptr, 0);
    std::uint32_t seed = 1;
    for (int y = 0; y < 256; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < 256; ++x) row[x] = nextRandom(seed);
    }
    texture->UnlockRect(0);
    return texture;
}

// The device state of a textured ScreenOverlay: stage 0 modulating texture and diffuse, bilinear
// filtering, the screen projection (frame pixels to clip space with w = z), no depth, no lighting,
// SRCALPHA / INVSRCALPHA blending.
void setOverlayState(IDirect3DDevice9& d, IDirect3DTexture9* texture, IDirect3DVertexDeclaration9* quad) {
    bindModulatedTexture(d, texture);
    D3DMATRIX projection{};
    projection._11 = 2.0f / kFrameWidth;
    projection._22 = -2.0f / kFrameHeight;
    projection._33 = 1.0f;
    projection._34 = 1.0f;
    projection._41 = -1.0f;
    projection._42 = 1.0f;
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    d.SetTransform(D3DTS_PROJECTION, &projection);
    d.SetTransform(D3DTS_WORLD, &identity);
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetVertexDeclaration(quad);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void BM_OverlayQuad(benchmark::State& state) {
    Device d({.threadCount = static_cast<int>(state.range(0))});
    const auto texture = noiseTexture(*d);
    const auto quad = declaration(*d, kQuadDeclarationElements.data());
    setOverlayState(*d, texture.get(), quad.get());
    float u0 = 0.1f, v0 = 0.2f, du = 1.3f, dv = 1.1f;  // stretched, wrapping once across u
    if (state.range(1) != 0) {
        u0 = state.range(1) == 2 ? 0.3f / 256.0f : 0.0f;
        v0 = state.range(1) == 2 ? 0.6f / 256.0f : 0.0f;
        du = kFrameWidth / 256.0f;
        dv = kFrameHeight / 256.0f;
    }
    const D3DCOLOR color = 0xB3FFE6CC;  // alpha 0.7
    const float x0 = -0.5f, y0 = -0.5f, x1 = x0 + kFrameWidth, y1 = y0 + kFrameHeight;
    const QuadVertex vertices[4] = {{x0, y0, 1.0f, u0, v0, color},
                                    {x1, y0, 1.0f, u0 + du, v0, color},
                                    {x1, y1, 1.0f, u0 + du, v0 + dv, color},
                                    {x0, y1, 1.0f, u0, v0 + dv, color}};
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0);
    timeAgainstMemcpy(state, [&] {
        d->BeginScene();
        d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, vertices, sizeof(QuadVertex));
        d->EndScene();
    });
}

// --- 50,000 lit triangles ----------------------------------------------------------------------------

// A rippled sheet 3 units ahead filling the frame: 251 x 101 vertices, 250 x 100 quads, 50,000
// front-facing triangles of about eight pixels each; positions and normals in separate 16-byte streams
// as the engine stores meshes.
struct Sheet {
    static constexpr int kColumns = 250, kRows = 100;
    struct Float4 {
        float x, y, z, w;
    };
    std::vector<Float4> positions, normals;
    std::vector<std::uint32_t> indices;

    Sheet() {
        for (int j = 0; j <= kRows; ++j) {
            for (int i = 0; i <= kColumns; ++i) {
                const float x = -3.1f + 6.2f * static_cast<float>(i) / kColumns;
                const float y = 2.0f - 4.0f * static_cast<float>(j) / kRows;
                const float z = 3.0f + 0.08f * std::sin(3.0f * x) * std::cos(4.0f * y);
                const float dzdx = 0.24f * std::cos(3.0f * x) * std::cos(4.0f * y);
                const float dzdy = -0.32f * std::sin(3.0f * x) * std::sin(4.0f * y);
                const float length = std::sqrt(dzdx * dzdx + dzdy * dzdy + 1.0f);
                positions.push_back({x, y, z, 1.0f});
                normals.push_back({dzdx / length, dzdy / length, -1.0f / length, 0.0f});
            }
        }
        // Clockwise on the screen, as the default D3DCULL_CCW keeps.
        for (int j = 0; j < kRows; ++j) {
            for (int i = 0; i < kColumns; ++i) {
                const auto a = static_cast<std::uint32_t>(j * (kColumns + 1) + i);
                const auto c = a + kColumns + 1;
                indices.insert(indices.end(), {a, a + 1, c, a + 1, c + 1, c});
            }
        }
    }
};

const Sheet& sheet() {
    static const Sheet mesh;
    return mesh;
}

template <typename T>
DeviceRef<IDirect3DVertexBuffer9> vertexBuffer(IDirect3DDevice9& d, const std::vector<T>& data) {
    DeviceRef<IDirect3DVertexBuffer9> buffer;
    const auto length = static_cast<UINT>(data.size() * sizeof(T));
    d.CreateVertexBuffer(length, 0, 0, D3DPOOL_MANAGED, buffer.out(), nullptr);
    void* bytes = nullptr;
    buffer->Lock(0, 0, &bytes, 0);
    std::memcpy(bytes, data.data(), length);
    buffer->Unlock();
    return buffer;
}

// A device set up like a lit scene clip of the engine: the engine's mesh declaration with positions and
// normals bound, a perspective projection, one white point light, specular highlights, depth testing.
class LitScene {
public:
    explicit LitScene(const soft::RasterSettings& raster, soft::RasterSink* sink = nullptr) : device_(raster, sink) {
        IDirect3DDevice9& d = *device_;
        D3DMATRIX projection{};
        projection._11 = 1.0f;
        projection._22 = 1.6f;
        projection._33 = 1.0000100135803223f;
        projection._34 = 1.0f;
        projection._43 = -0.010000099427998066f;
        d.SetTransform(D3DTS_PROJECTION, &projection);
        const D3DMATERIAL9 material{{0.25f, 0.8f, 1.0f, 1.0f}, {0.12f, 0.12f, 0.12f, 1.0f}, {1, 1, 1, 1}, {}, 24.0f};
        d.SetMaterial(&material);
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_POINT;
        light.Diffuse = light.Specular = light.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        light.Position = {-1.5f, 1.5f, 0.5f};
        light.Range = 2000.0f;
        light.Attenuation0 = 1.0f;
        d.SetLight(0, &light);
        d.LightEnable(0, TRUE);
        d.SetRenderState(D3DRS_AMBIENT, 0xFF303030);
        d.SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        d.SetRenderState(D3DRS_ZENABLE, TRUE);
        d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
        declaration_ = declaration(d, kMeshDeclarationElements.data());
        d.SetVertexDeclaration(declaration_.get());
        const Sheet& mesh = sheet();
        positions_ = vertexBuffer(d, mesh.positions);
        normals_ = vertexBuffer(d, mesh.normals);
        d.SetStreamSource(0, positions_.get(), 0, 16);
        d.SetStreamSource(2, normals_.get(), 0, 16);
        const auto length = static_cast<UINT>(mesh.indices.size() * 4);
        d.CreateIndexBuffer(length, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, indices_.out(), nullptr);
        void* bytes = nullptr;
        indices_->Lock(0, 0, &bytes, 0);
        std::memcpy(bytes, mesh.indices.data(), length);
        indices_->Unlock();
        d.SetIndices(indices_.get());
    }

    void drawFrame() {
        IDirect3DDevice9& d = *device_;
        d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        d.BeginScene();
        const Sheet& mesh = sheet();
        d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(mesh.positions.size()), 0,
                               static_cast<UINT>(mesh.indices.size() / 3));
        d.EndScene();
    }

private:
    Device device_;
    DeviceRef<IDirect3DVertexDeclaration9> declaration_;
    DeviceRef<IDirect3DVertexBuffer9> positions_, normals_;
    DeviceRef<IDirect3DIndexBuffer9> indices_;
};

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

void BM_LitTriangles50k(benchmark::State& state) {
    LitScene scene({.threadCount = static_cast<int>(state.range(0))});
    timeAgainstMemcpy(state, [&] { scene.drawFrame(); });
}

// The counter triangles_drawn shows that every triangle reaches the raster stage.
void BM_VertexStageLitTriangles50k(benchmark::State& state) {
    CountingSink sink;
    LitScene scene({}, &sink);
    timeAgainstMemcpy(state, [&] { scene.drawFrame(); });
    state.counters["triangles_drawn"] = static_cast<double>(sink.triangles) / static_cast<double>(state.iterations());
}

BENCHMARK(bench::BM_MemcpyFrame)
    ->Name("BM_MemcpyFrame")
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_OverlayQuad)
    ->ArgsProduct({{1, 2}, {0, 1, 2}})
    ->ArgNames({"threads", "mapping"})
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LitTriangles50k)
    ->ArgNames({"threads"})
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_VertexStageLitTriangles50k)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
