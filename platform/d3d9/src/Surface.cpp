#include "Surface.h"
#include "Device.h"
#include "Texture.h"

namespace swk::d3d9
{

UINT surfacePitch(UINT width, const FormatInfo& format)
{
    return (width * format.bytesPerTexel + 3) & ~3u;
}

Surface::Surface(Device& device, Owner owner, Lifetime* container, Texture* texture,
                 const D3DSURFACE_DESC& desc, const FormatInfo& format, Storage storage)
    : Resource(device, owner, container, desc.Pool), format_(&format), desc_(desc),
      storage_(std::move(storage)), texture_(texture)
{
    if (!storage_.image || storage_.cpuCopy)
    {
        pitch_ = surfacePitch(desc.Width, format);
        cpu_.assign(size_t(pitch_) * desc.Height, 0);
    }
    if (owner == Owner::Self && desc.Pool == D3DPOOL_DEFAULT)
        device.registerDefaultPool(this);
}

Surface::~Surface()
{
    if (storage_.ownsImage)
        device().renderer().release(std::move(storage_.image));
    device().unregisterDefaultPool(this);
}

STDMETHODIMP Surface::GetContainer(REFIID riid, void** ppContainer)
{
    if (!ppContainer)
        return device().refuse(__func__, Rule::NullArgument);
    *ppContainer = nullptr;
    if (texture_)
        return texture_->QueryInterface(riid, ppContainer);
    return device().QueryInterface(riid, ppContainer);
}

STDMETHODIMP Surface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    if (!pDesc)
        return device().refuse(__func__, Rule::NullArgument);
    *pDesc = desc_;
    return D3D_OK;
}

bool Surface::lockable() const
{
    if (isDepthStencil())
        return desc_.Format == D3DFMT_D16_LOCKABLE || desc_.Format == D3DFMT_D32F_LOCKABLE;
    return !cpu_.empty();
}

void Surface::refreshCpuCopy()
{
    if (!cpuStale_ || !storage_.image)
        return;
    device().renderer().read(*storage_.image, storage_.level, format_->bytesPerTexel, cpu_.data(),
                             pitch_);
    cpuStale_ = false;
}

STDMETHODIMP Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    if (!pLockedRect)
        return device().refuse(__func__, Rule::NullArgument);
    pLockedRect->pBits = nullptr;
    pLockedRect->Pitch = 0;
    if (locked_)
        return device().refuse(__func__, Rule::LockAlreadyLocked);
    if (!lockable() || cpu_.empty())
        return device().refuse(__func__, Rule::LockNotLockable);
    RECT rect{0, 0, LONG(desc_.Width), LONG(desc_.Height)};
    if (pRect)
    {
        if (pRect->left < 0 || pRect->top < 0 || pRect->left >= pRect->right ||
            pRect->top >= pRect->bottom || pRect->right > LONG(desc_.Width) ||
            pRect->bottom > LONG(desc_.Height))
            return device().refuse(__func__, Rule::RectOutsideSurface, desc_.Width, desc_.Height);
        rect = *pRect;
    }
    return guarded(
        [&]() -> HRESULT
        {
            if (!(Flags & D3DLOCK_DISCARD))
                refreshCpuCopy();
            cpuStale_ = false;
            locked_ = true;
            lockedRect_ = rect;
            lockFlags_ = Flags;
            pLockedRect->Pitch = INT(pitch_);
            pLockedRect->pBits = cpu_.data() + size_t(rect.top) * pitch_ +
                                 size_t(rect.left) * format_->bytesPerTexel;
            return D3D_OK;
        });
}

STDMETHODIMP Surface::UnlockRect()
{
    if (!locked_)
        return device().refuse(__func__, Rule::UnlockNotLocked);
    locked_ = false;
    if ((lockFlags_ & D3DLOCK_READONLY) || !storage_.image)
        return D3D_OK;
    return guarded(
        [&]() -> HRESULT
        {
            const RECT& r = lockedRect_;
            const uint8_t* first =
                cpu_.data() + size_t(r.top) * pitch_ + size_t(r.left) * format_->bytesPerTexel;
            device().renderer().upload(*storage_.image, storage_.level, {r.left, r.top},
                                       {UINT(r.right - r.left), UINT(r.bottom - r.top)},
                                       format_->bytesPerTexel, first, pitch_);
            if (texture_)
                texture_->uploaded(storage_.level);
            return D3D_OK;
        });
}

} // namespace swk::d3d9
