// Creation, mapping and release of a mesh array's device buffer.
#include "mesh/device_buffer.h"

#include "device/device_state.h"

namespace mesh {

using namespace device;

bool DeviceBuffer::createVertexBuffer(IDirect3DDevice9& device, UINT length) {
    reset();
    IDirect3DVertexBuffer9* buffer = nullptr;
    if (failed(device.CreateVertexBuffer(length, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr)) || buffer == nullptr) {
        return false;
    }
    vertex_ = buffer;
    return true;
}

bool DeviceBuffer::createIndexBuffer(IDirect3DDevice9& device, UINT length) {
    reset();
    IDirect3DIndexBuffer9* buffer = nullptr;
    if (failed(device.CreateIndexBuffer(length, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &buffer, nullptr)) ||
        buffer == nullptr) {
        return false;
    }
    index_ = buffer;
    return true;
}

void* DeviceBuffer::lock(DWORD flags) {
    void* data = nullptr;
    HRESULT result = D3DERR_INVALIDCALL;
    if (vertex_ != nullptr) {
        result = vertex_->Lock(0, 0, &data, flags);
    } else if (index_ != nullptr) {
        result = index_->Lock(0, 0, &data, flags);
    }
    return succeeded(result) ? data : nullptr;
}

void DeviceBuffer::unlock() {
    if (vertex_ != nullptr) {
        vertex_->Unlock();
    } else if (index_ != nullptr) {
        index_->Unlock();
    }
}

void DeviceBuffer::reset() {
    releaseAndNull(vertex_);
    releaseAndNull(index_);
}

}  // namespace mesh
