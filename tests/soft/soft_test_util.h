// Helpers for the software device tests: a device whose draws are captured (or rasterized), buffers and
// declarations built from plain data, the two projections the engine uses, and frame read-back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "device/device_ref.h"
#include "device/shared_render_state.h"
#include "platform/headless/frame_capture.h"
#include "platform/soft/soft_direct3d.h"

namespace softtest {

using namespace device;

// Records every draw that reaches the raster stage.
class CapturingRasterSink final : public soft::RasterSink {
public:
    struct Draw {
        bool lines = false;
        soft::RenderTarget target;
        soft::PixelState state;
        std::vector<soft::ScreenVertex> vertices;
    };

    void drawTriangles(const soft::RenderTarget& target, const soft::PixelState& state,
                       const soft::ScreenVertex* vertices, std::size_t triangleCount) override {
        draws.push_back({false, target, state, {vertices, vertices + 3 * triangleCount}});
    }
    void drawLines(const soft::RenderTarget& target, const soft::PixelState& state, const soft::ScreenVertex* vertices,
                   std::size_t lineCount) override {
        draws.push_back({true, target, state, {vertices, vertices + 2 * lineCount}});
    }

    // All captured vertices of all draws, in order.
    std::vector<soft::ScreenVertex> allVertices() const {
        std::vector<soft::ScreenVertex> all;
        for (const Draw& d : draws) all.insert(all.end(), d.vertices.begin(), d.vertices.end());
        return all;
    }

    std::vector<Draw> draws;
};

class CollectingPresentSink final : public soft::PresentSink {
public:
    void present(const std::uint32_t* pixels, int width, int height, int pitchInPixels) override {
        frames.emplace_back();
        for (int y = 0; y < height; ++y) {
            frames.back().insert(frames.back().end(), pixels + y * pitchInPixels, pixels + y * pitchInPixels + width);
        }
        lastWidth = width;
        lastHeight = height;
    }

    std::vector<std::vector<std::uint32_t>> frames;
    int lastWidth = 0;
    int lastHeight = 0;
};

inline D3DPRESENT_PARAMETERS windowedParameters() {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferFormat = D3DFMT_UNKNOWN;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return p;
}

inline D3DPRESENT_PARAMETERS fullScreenParameters(D3DFORMAT format) {
    D3DPRESENT_PARAMETERS p = windowedParameters();
    p.Windowed = FALSE;
    p.BackBufferWidth = 800;
    p.BackBufferHeight = 600;
    p.BackBufferFormat = format;
    return p;
}

// A device over a Direct3D object with the given sinks (null raster sink: the real raster stage).
class TestDevice {
public:
    explicit TestDevice(soft::RasterSink* rasterSink, soft::PresentSink* presentSink = nullptr,
                        D3DPRESENT_PARAMETERS parameters = windowedParameters(),
                        const soft::RasterSettings& raster = {}) {
        soft::SoftDirect3DOptions options;
        options.rasterSink = rasterSink;
        options.presentSink = presentSink;
        options.raster = raster;
        d3d_ = DeviceRef<IDirect3D9>::adopt(soft::createSoftDirect3D(options));
        EXPECT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, device_.out()),
                  S_OK);
        parameters_ = parameters;
    }

    IDirect3DDevice9* operator->() const { return device_.get(); }
    IDirect3DDevice9* get() const { return device_.get(); }
    const D3DPRESENT_PARAMETERS& parameters() const { return parameters_; }

private:
    // The device goes first, then the Direct3D object it came from.
    DeviceRef<IDirect3D9> d3d_;
    DeviceRef<IDirect3DDevice9> device_;
    D3DPRESENT_PARAMETERS parameters_{};
};

// A managed vertex buffer holding the bytes of data.
template <typename T>
DeviceRef<IDirect3DVertexBuffer9> makeVertexBuffer(IDirect3DDevice9* device, const std::vector<T>& data) {
    DeviceRef<IDirect3DVertexBuffer9> buffer;
    const UINT length = static_cast<UINT>(data.size() * sizeof(T));
    EXPECT_EQ(device->CreateVertexBuffer(length, 0, 0, D3DPOOL_MANAGED, buffer.out(), nullptr), S_OK);
    void* bytes = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &bytes, 0), S_OK);
    std::memcpy(bytes, data.data(), length);
    buffer->Unlock();
    return buffer;
}

template <typename Index>
DeviceRef<IDirect3DIndexBuffer9> makeIndexBuffer(IDirect3DDevice9* device, const std::vector<Index>& indices) {
    DeviceRef<IDirect3DIndexBuffer9> buffer;
    const UINT length = static_cast<UINT>(indices.size() * sizeof(Index));
    const D3DFORMAT format = sizeof(Index) == 4 ? D3DFMT_INDEX32 : D3DFMT_INDEX16;
    EXPECT_EQ(device->CreateIndexBuffer(length, 0, format, D3DPOOL_MANAGED, buffer.out(), nullptr), S_OK);
    void* bytes = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &bytes, 0), S_OK);
    std::memcpy(bytes, indices.data(), length);
    buffer->Unlock();
    return buffer;
}

// The engine's two declarations: six separate 16-byte streams, and one interleaved stream of QuadVertex.
inline DeviceRef<IDirect3DVertexDeclaration9> createDeclaration(IDirect3DDevice9* device,
                                                                 const D3DVERTEXELEMENT9* elements) {
    DeviceRef<IDirect3DVertexDeclaration9> declaration;
    EXPECT_EQ(device->CreateVertexDeclaration(elements, declaration.out()), S_OK);
    return declaration;
}

inline DeviceRef<IDirect3DVertexDeclaration9> meshDeclaration(IDirect3DDevice9* device) {
    return createDeclaration(device, kMeshDeclarationElements.data());
}

inline DeviceRef<IDirect3DVertexDeclaration9> quadDeclaration(IDirect3DDevice9* device) {
    return createDeclaration(device, kQuadDeclarationElements.data());
}

// Mesh-stream vertex data: x, y, z and one float that never reaches the device.
struct Float4 {
    float x, y, z, w;
};

inline D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

inline D3DMATRIX scaling(float s) {
    D3DMATRIX m = identity();
    m._11 = m._22 = m._33 = s;
    return m;
}

// The engine's screen projection for an 800 x 500 frame: pixels with the origin top-left, w = z, _44 = 0.
inline D3DMATRIX screenProjection() {
    D3DMATRIX m{};
    m._11 = 2.0f / 800.0f;
    m._22 = -2.0f / 500.0f;
    m._33 = 1.0f;
    m._34 = 1.0f;
    m._41 = -1.0f;
    m._42 = 1.0f;
    return m;
}

// The engine's perspective projection at a 90-degree horizontal field of view: near 0.01, far 1000.
inline D3DMATRIX perspectiveProjection() {
    D3DMATRIX m{};
    m._11 = 1.0f;
    m._22 = 1.6f;
    m._33 = 1.0000100135803223f;
    m._34 = 1.0f;
    m._43 = -0.010000099427998066f;
    return m;
}

// The render target as the words GetRenderTargetData delivers.
inline std::vector<std::uint32_t> readBack(IDirect3DDevice9* device) {
    headless::Frame frame;
    std::string error;
    EXPECT_TRUE(headless::captureFrame(*device, frame, error)) << error;
    return frame.pixels;
}

// The draw state every test starts from: lighting off, no culling, the given projection.
inline void setUnlitState(IDirect3DDevice9* device, const D3DMATRIX& projection) {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const D3DMATRIX world = identity();
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

}  // namespace softtest
