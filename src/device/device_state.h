// The one process-wide device state: the Direct3D objects, the render buffers, the lost flag and the
// shared render objects every drawing layer uses. Filled by startDevice, kept until the process ends;
// resetDeviceState is the one way back to the start (tests call it around each case).
#pragma once

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"
#include "math/matrix4.h"

namespace device {

struct DeviceState {
    DeviceRef<IDirect3D9> direct3D;
    DeviceRef<IDirect3DDevice9> device;
    // Reused by Reset, so it must stay what the device was created with.
    D3DPRESENT_PARAMETERS presentParameters{};
    // Render target 0 and our depth-stencil surface: the only resources a Reset needs released.
    DeviceRef<IDirect3DSurface9> backBuffer;
    DeviceRef<IDirect3DSurface9> depthStencil;
    bool deviceLost = false;
    // The shell's setup option; it only widens the depth-stencil surface.
    bool antiAliasing = false;

    // The fixed 800 x 500 frame, letterboxed in full screen by the viewport's Y.
    float viewWidth = 800.0f;
    float viewHeight = 500.0f;
    D3DVIEWPORT9 viewport{};
    // Filled by each drawing step just before it hands them to SetTransform; the camera's view is folded
    // into sharedWorld, the device's view transform stays the identity.
    math::Matrix4 sharedWorld;
    math::Matrix4 sharedProjection;
    DeviceRef<IDirect3DVertexDeclaration9> meshDeclaration;
    DeviceRef<IDirect3DVertexDeclaration9> quadDeclaration;
    // One D3DCOLOR, bound with stride 0 so that every vertex of a draw reads the same colour.
    DeviceRef<IDirect3DVertexBuffer9> constantColorBuffer;
};

DeviceState& deviceState();

// Releases every Direct3D object the state holds, newest first; values and the antiAliasing option stay.
void releaseDeviceObjects(DeviceState& state);

// Releases the objects and returns the whole state, antiAliasing included, to its initial values.
void resetDeviceState();

}  // namespace device
