// Vertex and index buffers: host-visible Vulkan buffers that Lock maps
// directly. A lock with flags 0 waits for the GPU work that reads the buffer;
// D3DLOCK_NOOVERWRITE does not; D3DLOCK_DISCARD on a buffer in use moves to
// fresh memory, recycling memory the GPU has finished with.
#pragma once

#include "Resource.h"

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

// A vertex or index buffer: Interface is IDirect3DVertexBuffer9 or
// IDirect3DIndexBuffer9, Desc its description.
template <typename Interface, typename Desc, D3DRESOURCETYPE Type>
class BufferResource final : public Resource<Interface, Type>
{
public:
    BufferResource(Device& device, const Desc& desc);
    ~BufferResource() override;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD(Lock)(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    STDMETHOD(Unlock)() override { return buffer_.unlock(); }
    STDMETHOD(GetDesc)(Desc* pDesc) override;

    HostBuffer& buffer() { return buffer_; }
    const Desc& desc() const { return desc_; }

private:
    Desc desc_;
    HostBuffer buffer_;
};

using VertexBuffer =
    BufferResource<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER>;
using IndexBuffer =
    BufferResource<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER>;

} // namespace swk::d3d9
