// Vertex and index buffers: host-visible Vulkan buffers that Lock maps
// directly. A lock with flags 0 waits for the GPU work that reads the buffer;
// D3DLOCK_NOOVERWRITE does not; D3DLOCK_DISCARD on a buffer in use moves to
// fresh memory, recycling memory the GPU has finished with.
#pragma once

#include "Lifetime.h"

#include <d3d9.h>

#include "swk/vk/Buffer.h"

#include <memory>
#include <vector>

namespace swk::d3d9
{

class HostBuffer
{
public:
    HostBuffer(Device& device, UINT length, VkBufferUsageFlags usage, const char* name);
    ~HostBuffer();

    HRESULT lock(UINT offset, UINT size, void** data, DWORD flags, bool dynamic);
    HRESULT unlock();

    VkBuffer handle() const { return current_->handle(); }
    UINT length() const { return length_; }
    // The GPU reads the buffer in the work being recorded now.
    void markUsed();

private:
    Device& device_;
    UINT length_;
    VkBufferUsageFlags usage_;
    const char* name_;
    std::shared_ptr<vk::Buffer> current_;
    uint64_t lastUse_ = 0;
    struct Retired
    {
        std::shared_ptr<vk::Buffer> buffer;
        uint64_t lastUse;
    };
    std::vector<Retired> spare_;
    UINT locks_ = 0;
};

class VertexBuffer final : public IDirect3DVertexBuffer9, public Lifetime
{
public:
    VertexBuffer(Device& device, const D3DVERTEXBUFFER_DESC& desc);
    ~VertexBuffer() override;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
    STDMETHOD_(ULONG, Release)() override { return release(); }
    STDMETHOD(GetDevice)(IDirect3DDevice9** ppDevice) override;
    STDMETHOD_(DWORD, SetPriority)(DWORD PriorityNew) override;
    STDMETHOD_(DWORD, GetPriority)() override { return priority_; }
    STDMETHOD_(void, PreLoad)() override {}
    STDMETHOD_(D3DRESOURCETYPE, GetType)() override { return D3DRTYPE_VERTEXBUFFER; }
    STDMETHOD(Lock)(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    STDMETHOD(Unlock)() override;
    STDMETHOD(GetDesc)(D3DVERTEXBUFFER_DESC* pDesc) override;

    Lifetime& lifetime() { return *this; }
    HostBuffer& buffer() { return buffer_; }

private:
    D3DVERTEXBUFFER_DESC desc_;
    HostBuffer buffer_;
    DWORD priority_ = 0;
};

class IndexBuffer final : public IDirect3DIndexBuffer9, public Lifetime
{
public:
    IndexBuffer(Device& device, const D3DINDEXBUFFER_DESC& desc);
    ~IndexBuffer() override;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
    STDMETHOD_(ULONG, Release)() override { return release(); }
    STDMETHOD(GetDevice)(IDirect3DDevice9** ppDevice) override;
    STDMETHOD_(DWORD, SetPriority)(DWORD PriorityNew) override;
    STDMETHOD_(DWORD, GetPriority)() override { return priority_; }
    STDMETHOD_(void, PreLoad)() override {}
    STDMETHOD_(D3DRESOURCETYPE, GetType)() override { return D3DRTYPE_INDEXBUFFER; }
    STDMETHOD(Lock)(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    STDMETHOD(Unlock)() override;
    STDMETHOD(GetDesc)(D3DINDEXBUFFER_DESC* pDesc) override;

    Lifetime& lifetime() { return *this; }
    HostBuffer& buffer() { return buffer_; }
    const D3DINDEXBUFFER_DESC& desc() const { return desc_; }

private:
    D3DINDEXBUFFER_DESC desc_;
    HostBuffer buffer_;
    DWORD priority_ = 0;
};

} // namespace swk::d3d9
