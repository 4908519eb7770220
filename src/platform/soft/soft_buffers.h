// Vertex buffers, index buffers and vertex declarations of the software device. The buffers are plain byte
// arrays that the vertex stage reads at draw time, always through bounds-checked reads.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device/device_ref.h"
#include "device/ref_counted.h"
#include "platform/soft/resource_tracker.h"

namespace soft {

// The storage and Lock rules shared by both buffer kinds: Lock (offset, 0) maps from offset to the end;
// a range reaching past the end is refused. Locks nest; Unlock without a lock is harmless.
class ByteBuffer {
public:
    ByteBuffer(std::size_t length, device::D3DPOOL pool, std::shared_ptr<ResourceTracker> tracker);

    device::HRESULT lock(device::UINT offset, device::UINT size, void** data);
    device::HRESULT unlock();

    const std::uint8_t* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
    DefaultPoolToken poolToken_;
    int lockCount_ = 0;
};

class SoftVertexBuffer final : public device::RefCounted<device::IDirect3DVertexBuffer9> {
public:
    // Null for a zero length or when the memory cannot be had.
    static SoftVertexBuffer* create(device::UINT length, device::D3DPOOL pool,
                                    std::shared_ptr<ResourceTracker> tracker);

    device::HRESULT Lock(device::UINT offsetToLock, device::UINT sizeToLock, void** data,
                         device::DWORD flags) override;
    device::HRESULT Unlock() override;

    const ByteBuffer& bytes() const { return buffer_; }

private:
    SoftVertexBuffer(device::UINT length, device::D3DPOOL pool, std::shared_ptr<ResourceTracker> tracker);

    ByteBuffer buffer_;
};

class SoftIndexBuffer final : public device::RefCounted<device::IDirect3DIndexBuffer9> {
public:
    // Null for a zero length, a format other than D3DFMT_INDEX16 / D3DFMT_INDEX32, or no memory.
    static SoftIndexBuffer* create(device::UINT length, device::D3DFORMAT format, device::D3DPOOL pool,
                                   std::shared_ptr<ResourceTracker> tracker);

    device::HRESULT Lock(device::UINT offsetToLock, device::UINT sizeToLock, void** data,
                         device::DWORD flags) override;
    device::HRESULT Unlock() override;

    const ByteBuffer& bytes() const { return buffer_; }
    std::uint32_t indexSize() const { return format_ == device::D3DFMT_INDEX32 ? 4u : 2u; }

private:
    SoftIndexBuffer(device::UINT length, device::D3DFORMAT format, device::D3DPOOL pool,
                    std::shared_ptr<ResourceTracker> tracker);

    ByteBuffer buffer_;
    device::D3DFORMAT format_;
};

class SoftVertexDeclaration final : public device::RefCounted<device::IDirect3DVertexDeclaration9> {
public:
    // Copies the elements up to D3DDECL_END. Null when the list has no end within 64 elements, names a
    // stream beyond the device's streams or uses an element type the device cannot read.
    static SoftVertexDeclaration* create(const device::D3DVERTEXELEMENT9* elements);

    const std::vector<device::D3DVERTEXELEMENT9>& elements() const { return elements_; }

private:
    explicit SoftVertexDeclaration(std::vector<device::D3DVERTEXELEMENT9> elements)
        : elements_(std::move(elements)) {}

    std::vector<device::D3DVERTEXELEMENT9> elements_;
};

}  // namespace soft
