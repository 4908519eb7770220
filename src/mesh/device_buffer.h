// One managed vertex or index buffer that holds a mesh array's contents once they have been uploaded.
#pragma once

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"

namespace mesh {

class DeviceBuffer {
public:
    // CreateVertexBuffer(length, usage 0, no FVF, D3DPOOL_MANAGED); false, holding nothing, when refused.
    bool createVertexBuffer(device::IDirect3DDevice9& device, device::UINT length);
    // CreateIndexBuffer(length, usage 0, D3DFMT_INDEX32, D3DPOOL_MANAGED); false, holding nothing, when refused.
    bool createIndexBuffer(device::IDirect3DDevice9& device, device::UINT length);

    // Maps the whole buffer (offset 0, size 0); null when there is no buffer or the lock fails.
    void* lock(device::DWORD flags);
    void unlock();

    explicit operator bool() const { return vertex_ || index_; }
    device::IDirect3DVertexBuffer9* vertexBuffer() const { return vertex_.get(); }
    device::IDirect3DIndexBuffer9* indexBuffer() const { return index_.get(); }

private:
    device::DeviceRef<device::IDirect3DVertexBuffer9> vertex_;
    device::DeviceRef<device::IDirect3DIndexBuffer9> index_;
};

}  // namespace mesh
