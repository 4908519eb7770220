// Creation and mapping of a mesh array's device buffer.
#include "mesh/device_buffer.h"

namespace mesh {

using namespace device;

bool DeviceBuffer::createVertexBuffer(IDirect3DDevice9& device, UINT length) {
    index_.reset();
    return succeeded(device.CreateVertexBuffer(length, 0, 0, D3DPOOL_MANAGED, vertex_.out(), nullptr)) && vertex_;
}

bool DeviceBuffer::createIndexBuffer(IDirect3DDevice9& device, UINT length) {
    vertex_.reset();
    return succeeded(device.CreateIndexBuffer(length, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, index_.out(), nullptr)) &&
           index_;
}

void* DeviceBuffer::lock(DWORD flags) {
    void* data = nullptr;
    HRESULT result = D3DERR_INVALIDCALL;
    if (vertex_) {
        result = vertex_->Lock(0, 0, &data, flags);
    } else if (index_) {
        result = index_->Lock(0, 0, &data, flags);
    }
    return succeeded(result) ? data : nullptr;
}

void DeviceBuffer::unlock() {
    if (vertex_) {
        vertex_->Unlock();
    } else if (index_) {
        index_->Unlock();
    }
}

}  // namespace mesh
