// A Direct3D 9 surface: a level of a texture, a render target, a depth-stencil
// surface or a plain off-screen surface. GPU surfaces live in a Vulkan image
// level; lockable ones keep a CPU copy with a real pitch, which is all a
// system-memory surface has.
#pragma once

#include "Formats.h"
#include "Resource.h"

#include <d3d9.h>

#include "swk/vk/Image.h"

#include <memory>
#include <vector>

namespace swk::d3d9
{

class Texture;

class Surface final : public Resource<IDirect3DSurface9, D3DRTYPE_SURFACE>
{
public:
    struct Storage
    {
        std::shared_ptr<vk::Image> image; // null: CPU only
        uint32_t level = 0;
        bool cpuCopy = false; // keep a lockable CPU copy
        bool ownsImage = false;
    };

    Surface(Device& device, Owner owner, Lifetime* container, Texture* texture,
            const D3DSURFACE_DESC& desc, const FormatInfo& format, Storage storage);
    ~Surface() override;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override
    {
        return queryInterface(riid, ppvObject, IID_IDirect3DSurface9);
    }
    // IDirect3DSurface9
    STDMETHOD(GetContainer)(REFIID riid, void** ppContainer) override;
    STDMETHOD(GetDesc)(D3DSURFACE_DESC* pDesc) override;
    STDMETHOD(LockRect)(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    STDMETHOD(UnlockRect)() override;

    const D3DSURFACE_DESC& desc() const { return desc_; }
    const FormatInfo& format() const { return *format_; }
    vk::Image* image() const { return storage_.image.get(); }
    uint32_t level() const { return storage_.level; }
    Texture* texture() const { return texture_; }
    bool isRenderTarget() const { return (desc_.Usage & D3DUSAGE_RENDERTARGET) != 0; }
    bool isDepthStencil() const { return (desc_.Usage & D3DUSAGE_DEPTHSTENCIL) != 0; }
    bool lockable() const;
    bool locked() const { return locked_; }

    // CPU copy, present on system-memory and lockable surfaces.
    uint8_t* bits() { return cpu_.data(); }
    UINT pitch() const { return pitch_; }
    // After the GPU wrote the image: the CPU copy is stale.
    void invalidateCpuCopy() { cpuStale_ = true; }

private:
    void refreshCpuCopy();

    const FormatInfo* format_;
    D3DSURFACE_DESC desc_;
    Storage storage_;
    Texture* texture_;
    std::vector<uint8_t> cpu_;
    UINT pitch_ = 0;
    bool cpuStale_ = false;
    bool locked_ = false;
    RECT lockedRect_{};
    DWORD lockFlags_ = 0;
};

// Rows of a CPU surface are DWORD aligned, as Direct3D 9's are.
UINT surfacePitch(UINT width, const FormatInfo& format);

} // namespace swk::d3d9
