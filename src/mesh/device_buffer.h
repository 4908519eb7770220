// One managed vertex or index buffer that holds a mesh array's contents once they have been uploaded.
// Holds the one reference its creation returned and releases it when destroyed.
#pragma once

#include <utility>

#include "device/d3d9_interfaces.h"

namespace mesh {

class DeviceBuffer {
public:
    DeviceBuffer() = default;
    DeviceBuffer(const DeviceBuffer&) = delete;
    DeviceBuffer& operator=(const DeviceBuffer&) = delete;
    DeviceBuffer(DeviceBuffer&& other) noexcept { swap(other); }
    DeviceBuffer& operator=(DeviceBuffer&& other) noexcept {
        DeviceBuffer(std::move(other)).swap(*this);
        return *this;
    }
    ~DeviceBuffer() { reset(); }

    // CreateVertexBuffer(length, usage 0, no FVF, D3DPOOL_MANAGED); false, holding nothing, when refused.
    bool createVertexBuffer(device::IDirect3DDevice9& device, device::UINT length);
    // CreateIndexBuffer(length, usage 0, D3DFMT_INDEX32, D3DPOOL_MANAGED); false, holding nothing, when refused.
    bool createIndexBuffer(device::IDirect3DDevice9& device, device::UINT length);

    // Maps the whole buffer (offset 0, size 0); null when there is no buffer or the lock fails.
    void* lock(device::DWORD flags);
    void unlock();

    // Releases the buffer, if any.
    void reset();

    explicit operator bool() const { return vertex_ != nullptr || index_ != nullptr; }
    device::IDirect3DVertexBuffer9* vertexBuffer() const { return vertex_; }
    device::IDirect3DIndexBuffer9* indexBuffer() const { return index_; }

private:
    void swap(DeviceBuffer& other) noexcept {
        std::swap(vertex_, other.vertex_);
        std::swap(index_, other.index_);
    }

    device::IDirect3DVertexBuffer9* vertex_ = nullptr;
    device::IDirect3DIndexBuffer9* index_ = nullptr;
};

}  // namespace mesh
