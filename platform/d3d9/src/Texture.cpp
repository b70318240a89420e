#include "Texture.h"
#include "Device.h"

#include <algorithm>

namespace swk::d3d9
{

Texture::Texture(Device& device, UINT width, UINT height, UINT levels, DWORD usage,
                 const FormatInfo& format, D3DPOOL pool)
    : Resource(device, Owner::Self, nullptr, pool), format_(&format), usage_(usage)
{
    const bool gpu = pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED;
    if (gpu)
    {
        vk::ImageDesc desc;
        desc.width = width;
        desc.height = height;
        desc.levels = levels;
        desc.format = format.vk;
        desc.swizzle = format.swizzle;
        desc.usage = VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT |
                     VK_IMAGE_USAGE_TRANSFER_DST_BIT;
        if (usage & D3DUSAGE_RENDERTARGET)
            desc.usage |= VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
        desc.name = "texture " + std::to_string(width) + "x" + std::to_string(height);
        image_ = device.renderer().createImage(desc);
    }
    // Levels the application can lock keep a CPU copy; render targets cannot be locked.
    const bool lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC);
    const UINT surfaces = (usage & D3DUSAGE_AUTOGENMIPMAP) ? 1 : levels;
    for (UINT level = 0; level < surfaces; ++level)
    {
        D3DSURFACE_DESC desc{};
        desc.Format = format.format;
        desc.Type = D3DRTYPE_SURFACE;
        desc.Usage = usage;
        desc.Pool = pool;
        desc.MultiSampleType = D3DMULTISAMPLE_NONE;
        desc.Width = std::max(1u, width >> level);
        desc.Height = std::max(1u, height >> level);
        Surface::Storage storage;
        storage.image = image_;
        storage.level = level;
        storage.cpuCopy = lockable;
        levels_.push_back(std::make_unique<Surface>(device, Owner::Container, this, this, desc,
                                                    format, std::move(storage)));
    }
    if (pool == D3DPOOL_DEFAULT)
        device.registerDefaultPool(this);
}

Texture::~Texture()
{
    levels_.clear();
    device().renderer().release(std::move(image_));
    device().unregisterDefaultPool(this);
}

STDMETHODIMP_(DWORD) Texture::SetLOD(DWORD LODNew)
{
    const DWORD old = lod_;
    if (pool() == D3DPOOL_MANAGED)
        lod_ = std::min<DWORD>(LODNew, visibleLevels() - 1);
    return old;
}

STDMETHODIMP_(DWORD) Texture::GetLOD()
{
    return lod_;
}

STDMETHODIMP_(DWORD) Texture::GetLevelCount()
{
    return visibleLevels();
}

UINT Texture::visibleLevels() const
{
    return static_cast<UINT>(levels_.size());
}

STDMETHODIMP Texture::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType)
{
    if (!autoGenMips() || (FilterType != D3DTEXF_POINT && FilterType != D3DTEXF_LINEAR))
        return device().refuse(__func__, Rule::AutoGenFilter, FilterType);
    autoGenFilter_ = FilterType;
    mipsStale_ = true;
    return D3D_OK;
}

STDMETHODIMP_(D3DTEXTUREFILTERTYPE) Texture::GetAutoGenFilterType()
{
    return autoGenMips() ? autoGenFilter_ : D3DTEXF_NONE;
}

STDMETHODIMP_(void) Texture::GenerateMipSubLevels()
{
    guarded(
        [&]() -> HRESULT
        {
            prepareForSampling();
            return D3D_OK;
        });
}

STDMETHODIMP Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    if (!pDesc)
        return device().refuse(__func__, Rule::NullArgument);
    if (Level >= levels_.size())
        return device().refuse(__func__, Rule::LevelIndex, Level, visibleLevels());
    *pDesc = levels_[Level]->desc();
    return D3D_OK;
}

STDMETHODIMP Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel)
{
    if (!ppSurfaceLevel)
        return device().refuse(__func__, Rule::NullArgument);
    *ppSurfaceLevel = nullptr;
    if (Level >= levels_.size())
        return device().refuse(__func__, Rule::LevelIndex, Level, visibleLevels());
    levels_[Level]->AddRef();
    *ppSurfaceLevel = levels_[Level].get();
    return D3D_OK;
}

STDMETHODIMP Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                               DWORD Flags)
{
    if (!pLockedRect)
        return device().refuse(__func__, Rule::NullArgument);
    if (Level >= levels_.size())
    {
        pLockedRect->pBits = nullptr;
        pLockedRect->Pitch = 0;
        return device().refuse(__func__, Rule::LevelIndex, Level, visibleLevels());
    }
    return levels_[Level]->LockRect(pLockedRect, pRect, Flags);
}

STDMETHODIMP Texture::UnlockRect(UINT Level)
{
    if (Level >= levels_.size())
        return device().refuse(__func__, Rule::LevelIndex, Level, visibleLevels());
    return levels_[Level]->UnlockRect();
}

STDMETHODIMP Texture::AddDirtyRect(const RECT*)
{
    return D3D_OK;
}

void Texture::uploaded(uint32_t level)
{
    if (autoGenMips() && level == 0)
        mipsStale_ = true;
}

void Texture::rendered(uint32_t level)
{
    uploaded(level);
    if (level < levels_.size())
        levels_[level]->invalidateCpuCopy();
}

void Texture::prepareForSampling()
{
    if (!mipsStale_ || !image_)
        return;
    device().renderer().generateMips(*image_, autoGenFilter_ == D3DTEXF_POINT ? VK_FILTER_NEAREST
                                                                              : VK_FILTER_LINEAR);
    mipsStale_ = false;
}

} // namespace swk::d3d9
