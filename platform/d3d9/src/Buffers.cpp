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
    if (offset > length_ || (size && offset + size > length_))
        return D3DERR_INVALIDCALL;
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
        return D3DERR_INVALIDCALL;
    --locks_;
    return D3D_OK;
}

namespace
{

template <typename Self> HRESULT getDevice(Self& self, IDirect3DDevice9** ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    self.device().AddRef();
    *ppDevice = &self.device();
    return D3D_OK;
}

} // namespace

VertexBuffer::VertexBuffer(Device& device, const D3DVERTEXBUFFER_DESC& desc)
    : Lifetime(device, Owner::Self), desc_(desc),
      buffer_(device, desc.Size, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, "vertex buffer")
{
    if (desc.Pool == D3DPOOL_DEFAULT)
        device.registerDefaultPool(this);
}

VertexBuffer::~VertexBuffer()
{
    device().unregisterDefaultPool(this);
}

STDMETHODIMP VertexBuffer::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 ||
        riid == IID_IDirect3DVertexBuffer9)
    {
        AddRef();
        *ppvObject = static_cast<IDirect3DVertexBuffer9*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP VertexBuffer::GetDevice(IDirect3DDevice9** ppDevice)
{
    return getDevice(*this, ppDevice);
}

STDMETHODIMP_(DWORD) VertexBuffer::SetPriority(DWORD PriorityNew)
{
    const DWORD old = priority_;
    if (desc_.Pool == D3DPOOL_MANAGED)
        priority_ = PriorityNew;
    return old;
}

STDMETHODIMP VertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags)
{
    if (!ppbData)
        return D3DERR_INVALIDCALL;
    *ppbData = nullptr;
    return buffer_.lock(OffsetToLock, SizeToLock, ppbData, Flags,
                        (desc_.Usage & D3DUSAGE_DYNAMIC) != 0);
}

STDMETHODIMP VertexBuffer::Unlock()
{
    return buffer_.unlock();
}

STDMETHODIMP VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = desc_;
    return D3D_OK;
}

IndexBuffer::IndexBuffer(Device& device, const D3DINDEXBUFFER_DESC& desc)
    : Lifetime(device, Owner::Self), desc_(desc),
      buffer_(device, desc.Size, VK_BUFFER_USAGE_INDEX_BUFFER_BIT, "index buffer")
{
    if (desc.Pool == D3DPOOL_DEFAULT)
        device.registerDefaultPool(this);
}

IndexBuffer::~IndexBuffer()
{
    device().unregisterDefaultPool(this);
}

STDMETHODIMP IndexBuffer::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DIndexBuffer9)
    {
        AddRef();
        *ppvObject = static_cast<IDirect3DIndexBuffer9*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP IndexBuffer::GetDevice(IDirect3DDevice9** ppDevice)
{
    return getDevice(*this, ppDevice);
}

STDMETHODIMP_(DWORD) IndexBuffer::SetPriority(DWORD PriorityNew)
{
    const DWORD old = priority_;
    if (desc_.Pool == D3DPOOL_MANAGED)
        priority_ = PriorityNew;
    return old;
}

STDMETHODIMP IndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags)
{
    if (!ppbData)
        return D3DERR_INVALIDCALL;
    *ppbData = nullptr;
    return buffer_.lock(OffsetToLock, SizeToLock, ppbData, Flags,
                        (desc_.Usage & D3DUSAGE_DYNAMIC) != 0);
}

STDMETHODIMP IndexBuffer::Unlock()
{
    return buffer_.unlock();
}

STDMETHODIMP IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = desc_;
    return D3D_OK;
}

} // namespace swk::d3d9
