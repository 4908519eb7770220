// Recorded surfaces, textures, vertex and index buffers and vertex declarations. Lockable resources
// keep real memory, so tests can read what the code under test wrote into them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/recording_backend.h"

namespace recording {

class RecordingSurface final : public Recorded<device::IDirect3DSurface9> {
public:
    RecordingSurface(Backend& backend, std::string name, const device::D3DSURFACE_DESC& desc, bool ownedByDevice);

    device::HRESULT GetDesc(device::D3DSURFACE_DESC* desc) override;
    device::HRESULT LockRect(device::D3DLOCKED_RECT* lockedRect, const device::RECT* rect, device::DWORD flags) override;
    device::HRESULT UnlockRect() override;

    device::D3DSURFACE_DESC desc;
    bool discard = false;  // depth-stencil surfaces: the discard flag they were created with
    // Four bytes per pixel, row after row; allocated at the first LockRect.
    std::vector<std::uint32_t> pixels;
};

class RecordingTexture final : public Recorded<device::IDirect3DTexture9> {
public:
    RecordingTexture(Backend& backend, std::string name, device::UINT width, device::UINT height,
                     device::UINT levels, device::DWORD usage, device::D3DFORMAT format, device::D3DPOOL pool);

    device::DWORD GetLevelCount() override;
    device::HRESULT GetLevelDesc(device::UINT level, device::D3DSURFACE_DESC* desc) override;
    device::HRESULT LockRect(device::UINT level, device::D3DLOCKED_RECT* lockedRect, const device::RECT* rect,
                             device::DWORD flags) override;
    device::HRESULT UnlockRect(device::UINT level) override;

    device::UINT width, height;
    device::DWORD usage;
    device::D3DFORMAT format;
    device::D3DPOOL pool;
    // Four bytes per texel for every level, level 0 first; a level is allocated at its first LockRect.
    std::vector<std::vector<std::uint32_t>> levels;

private:
    device::D3DSURFACE_DESC levelDesc(device::UINT level) const;
};

// Vertex and index buffers differ only in their interface and creation arguments.
template <class Interface>
class RecordingBuffer final : public Recorded<Interface> {
public:
    RecordingBuffer(Backend& backend, std::string name, device::UINT length, device::DWORD usage,
                    device::DWORD formatOrFvf, device::D3DPOOL pool);

    device::HRESULT Lock(device::UINT offsetToLock, device::UINT sizeToLock, void** data, device::DWORD flags) override;
    device::HRESULT Unlock() override;

    device::DWORD usage;
    device::DWORD formatOrFvf;  // the FVF of a vertex buffer, the D3DFORMAT of an index buffer
    device::D3DPOOL pool;
    std::vector<std::byte> contents;
    bool locked = false;
};

using RecordingVertexBuffer = RecordingBuffer<device::IDirect3DVertexBuffer9>;
using RecordingIndexBuffer = RecordingBuffer<device::IDirect3DIndexBuffer9>;

class RecordingDeclaration final : public Recorded<device::IDirect3DVertexDeclaration9> {
public:
    RecordingDeclaration(Backend& backend, std::string name, std::vector<device::D3DVERTEXELEMENT9> elements);

    // As passed to CreateVertexDeclaration, D3DDECL_END included.
    std::vector<device::D3DVERTEXELEMENT9> elements;
};

}  // namespace recording
