// Recorded resources: every call logged, locks bounds-checked against real memory.
#include "device/recording_resources.h"

#include <algorithm>

#include "device/recording_format.h"

namespace recording {

using namespace device;

namespace {

std::string lockedRange(const RECT* rect, DWORD flags) { return args(toText(rect), hex(flags)); }

// The rectangle to lock, or false when it does not lie inside a width x height image.
bool lockOrigin(const RECT* rect, UINT width, UINT height, std::size_t& offset) {
    offset = 0;
    if (rect == nullptr) {
        return true;
    }
    if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(width) ||
        rect->bottom > static_cast<LONG>(height) || rect->left >= rect->right || rect->top >= rect->bottom) {
        return false;
    }
    offset = static_cast<std::size_t>(rect->top) * width + static_cast<std::size_t>(rect->left);
    return true;
}

}  // namespace

RecordingSurface::RecordingSurface(Backend& backend, std::string name, const D3DSURFACE_DESC& surfaceDesc,
                                   bool ownedByDevice)
    : Recorded(backend, std::move(name), ownedByDevice ? 0 : 1), desc(surfaceDesc) {
    if (ownedByDevice) {
        setOwnedByDevice();
    }
}

HRESULT RecordingSurface::GetDesc(D3DSURFACE_DESC* out) {
    const HRESULT hr = call("GetDesc");
    if (succeeded(hr) && out != nullptr) {
        *out = desc;
    }
    return out == nullptr && succeeded(hr) ? invalidCall() : hr;
}

HRESULT RecordingSurface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    const HRESULT hr = call("LockRect", lockedRange(rect, flags));
    std::size_t offset = 0;
    if (failed(hr)) {
        return hr;
    }
    if (lockedRect == nullptr || !lockOrigin(rect, desc.Width, desc.Height, offset)) {
        return invalidCall();
    }
    pixels.resize(static_cast<std::size_t>(desc.Width) * desc.Height);
    lockedRect->Pitch = static_cast<INT>(desc.Width * 4);
    lockedRect->pBits = pixels.data() + offset;
    return hr;
}

HRESULT RecordingSurface::UnlockRect() { return call("UnlockRect"); }

RecordingTexture::RecordingTexture(Backend& backend, std::string name, UINT textureWidth, UINT textureHeight,
                                   UINT levelCount, DWORD textureUsage, D3DFORMAT textureFormat,
                                   D3DPOOL texturePool)
    : Recorded(backend, std::move(name), 1),
      width(textureWidth),
      height(textureHeight),
      usage(textureUsage),
      format(textureFormat),
      pool(texturePool) {
    // Zero levels asks for the whole chain down to 1 x 1.
    UINT fullChain = 1;
    for (UINT size = std::max(width, height); size > 1; size /= 2) {
        ++fullChain;
    }
    levels.resize(levelCount == 0 || levelCount > fullChain ? fullChain : levelCount);
}

DWORD RecordingTexture::GetLevelCount() {
    note("GetLevelCount", {}, std::to_string(levels.size()));
    return static_cast<DWORD>(levels.size());
}

D3DSURFACE_DESC RecordingTexture::levelDesc(UINT level) const {
    return {format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, std::max(width >> level, 1u),
            std::max(height >> level, 1u)};
}

HRESULT RecordingTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* out) {
    const HRESULT hr = call("GetLevelDesc", args(level));
    if (failed(hr)) {
        return hr;
    }
    if (out == nullptr || level >= levels.size()) {
        return invalidCall();
    }
    *out = levelDesc(level);
    return hr;
}

HRESULT RecordingTexture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    const HRESULT hr = call("LockRect", args(level, lockedRange(rect, flags)));
    if (failed(hr)) {
        return hr;
    }
    if (lockedRect == nullptr || level >= levels.size()) {
        return invalidCall();
    }
    const D3DSURFACE_DESC d = levelDesc(level);
    std::size_t offset = 0;
    if (!lockOrigin(rect, d.Width, d.Height, offset)) {
        return invalidCall();
    }
    levels[level].resize(static_cast<std::size_t>(d.Width) * d.Height);
    lockedRect->Pitch = static_cast<INT>(d.Width * 4);
    lockedRect->pBits = levels[level].data() + offset;
    return hr;
}

HRESULT RecordingTexture::UnlockRect(UINT level) { return call("UnlockRect", args(level)); }

template <class Interface>
RecordingBuffer<Interface>::RecordingBuffer(Backend& backend, std::string name, UINT length, DWORD bufferUsage,
                                            DWORD bufferFormatOrFvf, D3DPOOL bufferPool)
    : Recorded<Interface>(backend, std::move(name), 1),
      usage(bufferUsage),
      formatOrFvf(bufferFormatOrFvf),
      pool(bufferPool),
      contents(length) {}

template <class Interface>
HRESULT RecordingBuffer<Interface>::Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) {
    const HRESULT hr = this->call("Lock", args(offsetToLock, sizeToLock, hex(flags)));
    if (failed(hr)) {
        return hr;
    }
    // Size 0 locks everything from the offset on.
    const std::size_t end = sizeToLock == 0 ? contents.size() : std::size_t{offsetToLock} + sizeToLock;
    if (data == nullptr || offsetToLock > contents.size() || end > contents.size()) {
        return this->invalidCall();
    }
    if (locked) {
        this->backend_.violation(this->name() + " locked twice");
    }
    locked = true;
    *data = contents.data() + offsetToLock;
    return hr;
}

template <class Interface>
HRESULT RecordingBuffer<Interface>::Unlock() {
    const HRESULT hr = this->call("Unlock");
    if (!locked) {
        this->backend_.violation(this->name() + " unlocked without a lock");
    }
    locked = false;
    return hr;
}

template class RecordingBuffer<IDirect3DVertexBuffer9>;
template class RecordingBuffer<IDirect3DIndexBuffer9>;

RecordingDeclaration::RecordingDeclaration(Backend& backend, std::string name,
                                           std::vector<D3DVERTEXELEMENT9> declarationElements)
    : Recorded(backend, std::move(name), 1), elements(std::move(declarationElements)) {}

}  // namespace recording
