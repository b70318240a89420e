// A Direct3D 9 2D texture with its levels as surfaces. Textures created with
// D3DUSAGE_AUTOGENMIPMAP show one level to the application and regenerate the
// rest on the GPU after level 0 changed, before they are sampled.
#pragma once

#include "Formats.h"
#include "Resource.h"
#include "Surface.h"

#include <d3d9.h>

#include <memory>
#include <vector>

namespace swk::d3d9
{

class Texture final : public Resource<IDirect3DTexture9, D3DRTYPE_TEXTURE>
{
public:
    // levels: the number of levels to create (already resolved from 0).
    Texture(Device& device, UINT width, UINT height, UINT levels, DWORD usage,
            const FormatInfo& format, D3DPOOL pool);
    ~Texture() override;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override
    {
        return queryInterface(riid, ppvObject, IID_IDirect3DTexture9, &IID_IDirect3DBaseTexture9);
    }
    // IDirect3DBaseTexture9
    STDMETHOD_(DWORD, SetLOD)(DWORD LODNew) override;
    STDMETHOD_(DWORD, GetLOD)() override;
    STDMETHOD_(DWORD, GetLevelCount)() override;
    STDMETHOD(SetAutoGenFilterType)(D3DTEXTUREFILTERTYPE FilterType) override;
    STDMETHOD_(D3DTEXTUREFILTERTYPE, GetAutoGenFilterType)() override;
    STDMETHOD_(void, GenerateMipSubLevels)() override;
    // IDirect3DTexture9
    STDMETHOD(GetLevelDesc)(UINT Level, D3DSURFACE_DESC* pDesc) override;
    STDMETHOD(GetSurfaceLevel)(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    STDMETHOD(LockRect)
    (UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    STDMETHOD(UnlockRect)(UINT Level) override;
    STDMETHOD(AddDirtyRect)(const RECT* pDirtyRect) override;

    vk::Image* image() const { return image_.get(); }
    const FormatInfo& format() const { return *format_; }
    DWORD usage() const { return usage_; }
    bool autoGenMips() const { return (usage_ & D3DUSAGE_AUTOGENMIPMAP) != 0; }
    // The CPU wrote a level through a lock.
    void uploaded(uint32_t level);
    // The GPU wrote a level (draw, clear): CPU copies are stale.
    void rendered(uint32_t level);
    // Brings the mip chain up to date; call outside any use as a target.
    void prepareForSampling();

private:
    UINT visibleLevels() const;

    const FormatInfo* format_;
    DWORD usage_;
    std::shared_ptr<vk::Image> image_;
    std::vector<std::unique_ptr<Surface>> levels_;
    bool mipsStale_ = false;
    D3DTEXTUREFILTERTYPE autoGenFilter_ = D3DTEXF_LINEAR;
    DWORD lod_ = 0;
};

} // namespace swk::d3d9
