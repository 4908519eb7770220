// The shared frame, viewport, projections, vertex declarations and constant colour buffer.
#include "device/shared_render_state.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "device/device_state.h"

namespace device {

namespace {

constexpr UINT kFrameWidth = 800;
constexpr UINT kFrameHeight = 500;
constexpr D3DCOLOR kInitialConstantColor = 0xFFFFFF00;

// Near 0.01 and far 1000 as the float32 values of zf / (zf - zn) and -zn zf / (zf - zn).
constexpr float kPerspectiveDepthScale = 1.0000100135803223f;   // bits 0x3F800054
constexpr float kPerspectiveDepthOffset = -0.010000099427998066f;  // bits 0xBC23D775
static_assert(std::bit_cast<std::uint32_t>(kPerspectiveDepthScale) == 0x3F800054u);
static_assert(std::bit_cast<std::uint32_t>(kPerspectiveDepthOffset) == 0xBC23D775u);

// Beyond this the tangent of the half angle heads for its pole and the picture degenerates.
constexpr float kMaxFieldOfView = 3.0f;

void createConstantColorBuffer(DeviceState& state) {
    DeviceRef<IDirect3DVertexBuffer9>& buffer = state.constantColorBuffer;
    if (failed(state.device->CreateVertexBuffer(sizeof(D3DCOLOR), 0, 0, D3DPOOL_MANAGED, buffer.out(), nullptr)) ||
        !buffer) {
        buffer.reset();
        return;
    }
    void* data = nullptr;
    if (failed(buffer->Lock(0, 0, &data, 0)) || data == nullptr) {
        return;
    }
    std::memcpy(data, &kInitialConstantColor, sizeof kInitialConstantColor);
    buffer->Unlock();
}

bool createDeclaration(IDirect3DDevice9& device, const D3DVERTEXELEMENT9* elements,
                       DeviceRef<IDirect3DVertexDeclaration9>& declaration) {
    DeviceRef<IDirect3DVertexDeclaration9> created;
    if (failed(device.CreateVertexDeclaration(elements, created.out())) || !created) {
        return false;
    }
    declaration = std::move(created);
    return true;
}

}  // namespace

void initSharedRenderState(UINT backBufferHeight) {
    DeviceState& state = deviceState();
    state.viewWidth = static_cast<float>(kFrameWidth);
    state.viewHeight = static_cast<float>(kFrameHeight);
    // A back buffer lower than the frame cannot centre it; the frame then starts at the top.
    const DWORD top = backBufferHeight > kFrameHeight ? (backBufferHeight - kFrameHeight) / 2 : 0;
    state.viewport = D3DVIEWPORT9{0, top, kFrameWidth, kFrameHeight, 0.0f, 1.0f};
    state.constantColorBuffer.reset();
    if (state.device) {
        createConstantColorBuffer(state);
    }
}

bool createVertexDeclarations() {
    DeviceState& state = deviceState();
    if (!state.device) {
        return false;
    }
    return createDeclaration(*state.device, kMeshDeclarationElements.data(), state.meshDeclaration) &&
           createDeclaration(*state.device, kQuadDeclarationElements.data(), state.quadDeclaration);
}

void setScreenProjection() {
    DeviceState& state = deviceState();
    math::Matrix4& p = state.sharedProjection;
    p = math::Matrix4{};
    p.at(0, 0) = 2.0f / state.viewWidth;
    p.at(1, 1) = -2.0f / state.viewHeight;
    p.at(2, 2) = 1.0f;
    p.at(2, 3) = 1.0f;  // w = z; _44 stays 0
    p.at(3, 0) = -1.0f;
    p.at(3, 1) = 1.0f;
    state.sharedWorld = math::matIdentity();
}

void setPerspectiveProjection(float fieldOfView) {
    DeviceState& state = deviceState();
    if (fieldOfView > kMaxFieldOfView) {
        fieldOfView = kMaxFieldOfView;
    }
    const float f = 1.0f / std::tan(fieldOfView / 2.0f);
    math::Matrix4& p = state.sharedProjection;
    p = math::Matrix4{};
    p.at(0, 0) = f;
    // The field of view is horizontal; the vertical one follows from the frame's aspect.
    p.at(1, 1) = f / (state.viewHeight / state.viewWidth);
    p.at(2, 2) = kPerspectiveDepthScale;
    p.at(2, 3) = 1.0f;
    p.at(3, 2) = kPerspectiveDepthOffset;
    state.sharedWorld = math::matIdentity();
}

}  // namespace device
