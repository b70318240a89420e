#include "Buffers.h"
#include "Device.h"

namespace swk::d3d9
{

HostBuffer::HostBuffer(Device& device, UINT length, VkBufferUsageFlags usage, const char* name)
    : device_(device), length_(length), usage_(usage), name_(name)
{
    current_ = device.renderer().createBuffer(length, usage, vk::MemoryKind::Upload, name);
}

HostBuffer::~HostBuffer()
{
    device_.renderer().release(std::move(current_));
    for (Retired& r : spare_)
        device_.renderer().release(std::move(r.buffer));
}

void HostBuffer::markUsed()
{
    lastUse_ = device_.renderer().currentSerial();
}

HRESULT HostBuffer::lock(UINT offset, UINT size, void** data, DWORD flags, bool dynamic)
{
    if (offset > length_ || (size && uint64_t(offset) + size > length_))
        return device_.refuse("Lock", Rule::BufferRange, offset, size);
    return guarded(
        [&]() -> HRESULT
        {
            vk::Renderer& renderer = device_.renderer();
            const bool busy = lastUse_ > renderer.stream().completedSerial();
            if (busy && !(flags & D3DLOCK_NOOVERWRITE))
            {
                if ((flags & D3DLOCK_DISCARD) && dynamic && locks_ == 0)
                {
                    // Keep the old memory for the work that reads it; take memory
                    // the GPU is done with, or new memory.
                    const uint64_t completed = renderer.stream().completedSerial();
                    spare_.push_back({std::move(current_), lastUse_});
                    for (auto it = spare_.begin(); it != spare_.end(); ++it)
                        if (it->lastUse <= completed)
                        {
                            current_ = std::move(it->buffer);
                            spare_.erase(it);
                            break;
                        }
                    if (!current_)
                        current_ =
                            renderer.createBuffer(length_, usage_, vk::MemoryKind::Upload, name_);
                    lastUse_ = 0;
                }
                else
                    renderer.waitFor(lastUse_);
            }
            ++locks_;
            *data = current_->mapped() + offset;
            return D3D_OK;
        });
}

HRESULT HostBuffer::unlock()
{
    if (locks_ == 0)
        return device_.refuse("Unlock", Rule::UnlockNotLocked);
    --locks_;
    return D3D_OK;
}

namespace
{

template <typename Interface> const IID& bufferInterface();
template <> const IID& bufferInterface<IDirect3DVertexBuffer9>()
{
    return IID_IDirect3DVertexBuffer9;
}
template <> const IID& bufferInterface<IDirect3DIndexBuffer9>()
{
    return IID_IDirect3DIndexBuffer9;
}

template <typename Interface> VkBufferUsageFlags bufferUsage();
template <> VkBufferUsageFlags bufferUsage<IDirect3DVertexBuffer9>()
{
    return VK_BUFFER_USAGE_VERTEX_BUFFER_BIT;
}
template <> VkBufferUsageFlags bufferUsage<IDirect3DIndexBuffer9>()
{
    return VK_BUFFER_USAGE_INDEX_BUFFER_BIT;
}

} // namespace

template <typename Interface, typename Desc, D3DRESOURCETYPE Type>
BufferResource<Interface, Desc, Type>::BufferResource(Device& device, const Desc& desc)
    : Resource<Interface, Type>(device, Lifetime::Owner::Self, nullptr, desc.Pool), desc_(desc),
      buffer_(device, desc.Size, bufferUsage<Interface>(),
              Type == D3DRTYPE_VERTEXBUFFER ? "vertex buffer" : "index buffer")
{
    if (desc.Pool == D3DPOOL_DEFAULT)
        device.registerDefaultPool(this);
}

template <typename Interface, typename Desc, D3DRESOURCETYPE Type>
BufferResource<Interface, Desc, Type>::~BufferResource()
{
    this->device().unregisterDefaultPool(this);
}

template <typename Interface, typename Desc, D3DRESOURCETYPE Type>
STDMETHODIMP BufferResource<Interface, Desc, Type>::QueryInterface(REFIID riid, void** ppvObject)
{
    return this->queryInterface(riid, ppvObject, bufferInterface<Interface>());
}

template <typename Interface, typename Desc, D3DRESOURCETYPE Type>
STDMETHODIMP BufferResource<Interface, Desc, Type>::Lock(UINT OffsetToLock, UINT SizeToLock,
                                                         void** ppbData, DWORD Flags)
{
    if (!ppbData)
        return this->device().refuse(__func__, Rule::NullArgument);
    *ppbData = nullptr;
    return buffer_.lock(OffsetToLock, SizeToLock, ppbData, Flags,
                        (desc_.Usage & D3DUSAGE_DYNAMIC) != 0);
}

template <typename Interface, typename Desc, D3DRESOURCETYPE Type>
STDMETHODIMP BufferResource<Interface, Desc, Type>::GetDesc(Desc* pDesc)
{
    if (!pDesc)
        return this->device().refuse(__func__, Rule::NullArgument);
    *pDesc = desc_;
    return D3D_OK;
}

template class BufferResource<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER>;
template class BufferResource<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER>;

} // namespace swk::d3d9
