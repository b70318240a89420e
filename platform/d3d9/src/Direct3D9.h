// IDirect3D9 over Vulkan: one adapter, the chosen Vulkan device.
#pragma once

#include "Emulation.h"

#include <d3d9.h>
#include <swk/Com.h>

#include "swk/vk/Context.h"

#include <memory>

namespace swk::d3d9
{

class Direct3D9 final : public ComObject<IDirect3D9>
{
public:
    Direct3D9(std::shared_ptr<vk::Context> context, Emulation emulation);

    STDMETHOD_(UINT, GetAdapterCount)() override { return 1; }
    STDMETHOD(GetAdapterIdentifier)
    (UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override;
    STDMETHOD_(UINT, GetAdapterModeCount)(UINT Adapter, D3DFORMAT Format) override;
    STDMETHOD(EnumAdapterModes)
    (UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override;
    STDMETHOD(GetAdapterDisplayMode)(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    STDMETHOD(CheckDeviceType)
    (UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat,
     BOOL bWindowed) override;
    STDMETHOD(CheckDeviceFormat)
    (UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
     D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    STDMETHOD(CheckDepthStencilMatch)
    (UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, D3DFORMAT RenderTargetFormat,
     D3DFORMAT DepthStencilFormat) override;
    STDMETHOD(GetDeviceCaps)(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
    STDMETHOD(CreateDevice)
    (UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
     D3DPRESENT_PARAMETERS* pPresentationParameters,
     IDirect3DDevice9** ppReturnedDeviceInterface) override;

    const Emulation& emulation() const { return emulation_; }
    HRESULT refuse(const char* entryPoint, Rule rule, unsigned a = 0, unsigned b = 0) const
    {
        return emulation_.validation.refuse(entryPoint, rule, a, b);
    }
    const std::shared_ptr<vk::Context>& context() const { return context_; }

private:
    ~Direct3D9();

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<vk::Context> context_;
    Emulation emulation_;
};

// The format a device reports as its display mode for a back buffer format.
D3DFORMAT displayFormatFor(D3DFORMAT backBuffer);
bool isDisplayFormat(D3DFORMAT format);

// What CheckDeviceFormat answers for a resource of the format and usage.
HRESULT checkFormat(const vk::Context& context, const Emulation& emulation, DWORD usage,
                    D3DRESOURCETYPE type, D3DFORMAT format);
// The Vulkan format to use: the format's own, or its fallback when the own
// one lacks the features the usage needs. VK_FORMAT_UNDEFINED when neither fits.
VkFormat chooseVkFormat(const vk::Context& context, D3DFORMAT format, DWORD usage);

// Checks presentation parameters and fills in the members Direct3D 9 chooses
// (zero sizes, unknown format, back buffer count).
HRESULT normalizePresentParameters(Direct3D9& d3d, D3DPRESENT_PARAMETERS& present,
                                   const char* entryPoint);

void fillCaps(const vk::Context& context, const Emulation& emulation, D3DCAPS9* caps);
// MaxTextureWidth and MaxTextureHeight: the bound on every surface's size.
UINT maxSurfaceSize(const vk::Context& context);

} // namespace swk::d3d9
