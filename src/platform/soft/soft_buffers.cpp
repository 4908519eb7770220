// Vertex buffers, index buffers and vertex declarations of the software device.
#include "platform/soft/soft_buffers.h"

#include <new>

#include "platform/soft/soft_limits.h"

namespace soft {

using namespace device;

ByteBuffer::ByteBuffer(std::size_t length, D3DPOOL pool, std::shared_ptr<ResourceTracker> tracker)
    : bytes_(length, 0), poolToken_(std::move(tracker), pool) {}

HRESULT ByteBuffer::lock(UINT offset, UINT size, void** data) {
    if (!data) return D3DERR_INVALIDCALL;
    const std::size_t length = bytes_.size();
    if (offset > length) return D3DERR_INVALIDCALL;
    const std::size_t span = size == 0 ? length - offset : size;
    if (span > length - offset) return D3DERR_INVALIDCALL;
    *data = bytes_.data() + offset;
    ++lockCount_;
    return S_OK;
}

HRESULT ByteBuffer::unlock() {
    if (lockCount_ > 0) --lockCount_;
    return S_OK;
}

SoftVertexBuffer* SoftVertexBuffer::create(UINT length, D3DPOOL pool, std::shared_ptr<ResourceTracker> tracker) {
    if (length == 0) return nullptr;
    try {
        return new SoftVertexBuffer(length, pool, std::move(tracker));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

SoftVertexBuffer::SoftVertexBuffer(UINT length, D3DPOOL pool, std::shared_ptr<ResourceTracker> tracker)
    : buffer_(length, pool, std::move(tracker)) {}

HRESULT SoftVertexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD) {
    return buffer_.lock(offsetToLock, sizeToLock, data);
}

HRESULT SoftVertexBuffer::Unlock() { return buffer_.unlock(); }

SoftIndexBuffer* SoftIndexBuffer::create(UINT length, D3DFORMAT format, D3DPOOL pool,
                                         std::shared_ptr<ResourceTracker> tracker) {
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) return nullptr;
    try {
        return new SoftIndexBuffer(length, format, pool, std::move(tracker));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

SoftIndexBuffer::SoftIndexBuffer(UINT length, D3DFORMAT format, D3DPOOL pool,
                                 std::shared_ptr<ResourceTracker> tracker)
    : buffer_(length, pool, std::move(tracker)), format_(format) {}

HRESULT SoftIndexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD) {
    return buffer_.lock(offsetToLock, sizeToLock, data);
}

HRESULT SoftIndexBuffer::Unlock() { return buffer_.unlock(); }

SoftVertexDeclaration* SoftVertexDeclaration::create(const D3DVERTEXELEMENT9* elements) {
    constexpr std::size_t kMaxElements = 64;
    if (!elements) return nullptr;
    std::vector<D3DVERTEXELEMENT9> copy;
    for (std::size_t i = 0; i <= kMaxElements; ++i) {
        const D3DVERTEXELEMENT9& element = elements[i];
        if (element.Stream == 0xFF) return new SoftVertexDeclaration(std::move(copy));
        if (i == kMaxElements || element.Stream >= kMaxStreams || element.Type > D3DDECLTYPE_D3DCOLOR) {
            return nullptr;
        }
        copy.push_back(element);
    }
    return nullptr;
}

}  // namespace soft
