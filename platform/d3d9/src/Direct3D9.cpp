#include "Direct3D9.h"
#include "Device.h"
#include "SharedContext.h"
#include "Window.h"

#include "swk/vk/Error.h"

#include <cstdio>
#include <cstring>

namespace swk::d3d9
{
namespace
{

// Headless: the "desktop" a windowless host would see.
constexpr UINT kDisplayWidth = 1024;
constexpr UINT kDisplayHeight = 768;

} // namespace

D3DFORMAT displayFormatFor(D3DFORMAT backBuffer)
{
    switch (backBuffer)
    {
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5:
        return D3DFMT_X1R5G5B5;
    case D3DFMT_R5G6B5:
        return D3DFMT_R5G6B5;
    case D3DFMT_A2R10G10B10:
        return D3DFMT_A2R10G10B10;
    default:
        return D3DFMT_X8R8G8B8;
    }
}

bool isDisplayFormat(D3DFORMAT format)
{
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_R5G6B5 ||
           format == D3DFMT_A2R10G10B10;
}

Direct3D9::Direct3D9(std::shared_ptr<vk::Context> context, Emulation emulation)
    : context_(std::move(context)), emulation_(std::move(emulation))
{
}

Direct3D9::~Direct3D9() = default;

STDMETHODIMP Direct3D9::GetAdapterIdentifier(UINT Adapter, DWORD,
                                             D3DADAPTER_IDENTIFIER9* pIdentifier)
{
    if (!pIdentifier)
        return refuse(__func__, Rule::NullArgument);
    if (Adapter != D3DADAPTER_DEFAULT)
        return refuse(__func__, Rule::Adapter, Adapter);
    std::memset(pIdentifier, 0, sizeof *pIdentifier);
    const VkPhysicalDeviceProperties& p = context_->properties();
    std::snprintf(pIdentifier->Driver, sizeof pIdentifier->Driver, "swk_d3d9 (Vulkan %u.%u.%u)",
                  VK_API_VERSION_MAJOR(p.apiVersion), VK_API_VERSION_MINOR(p.apiVersion),
                  VK_API_VERSION_PATCH(p.apiVersion));
    std::snprintf(pIdentifier->Description, sizeof pIdentifier->Description, "%s", p.deviceName);
    std::snprintf(pIdentifier->DeviceName, sizeof pIdentifier->DeviceName, "\\\\.\\DISPLAY1");
    pIdentifier->DriverVersion.QuadPart = p.driverVersion;
    pIdentifier->VendorId = p.vendorID;
    pIdentifier->DeviceId = p.deviceID;
    std::memcpy(&pIdentifier->DeviceIdentifier, p.pipelineCacheUUID,
                sizeof pIdentifier->DeviceIdentifier);
    return D3D_OK;
}

STDMETHODIMP_(UINT) Direct3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format)
{
    return Adapter == D3DADAPTER_DEFAULT && Format == D3DFMT_X8R8G8B8 ? 1 : 0;
}

STDMETHODIMP Direct3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                         D3DDISPLAYMODE* pMode)
{
    if (!pMode)
        return refuse(__func__, Rule::NullArgument);
    if (Adapter != D3DADAPTER_DEFAULT)
        return refuse(__func__, Rule::Adapter, Adapter);
    if (Mode >= GetAdapterModeCount(Adapter, Format))
        return refuse(__func__, Rule::ModeIndex, Mode, GetAdapterModeCount(Adapter, Format));
    return GetAdapterDisplayMode(Adapter, pMode);
}

STDMETHODIMP Direct3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode)
{
    if (!pMode)
        return refuse(__func__, Rule::NullArgument);
    if (Adapter != D3DADAPTER_DEFAULT)
        return refuse(__func__, Rule::Adapter, Adapter);
    *pMode = {kDisplayWidth, kDisplayHeight, 60, D3DFMT_X8R8G8B8};
    return D3D_OK;
}

STDMETHODIMP Direct3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                        D3DFORMAT BackBufferFormat, BOOL bWindowed)
{
    if (Adapter != D3DADAPTER_DEFAULT)
        return refuse(__func__, Rule::Adapter, Adapter);
    if (DevType != D3DDEVTYPE_HAL || !isDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    if (BackBufferFormat == D3DFMT_UNKNOWN)
        return bWindowed ? D3D_OK : refuse(__func__, Rule::UnknownFormatFullScreen);
    return checkFormat(*context_, emulation_, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE,
                       BackBufferFormat) == D3D_OK
               ? D3D_OK
               : D3DERR_NOTAVAILABLE;
}

STDMETHODIMP Direct3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType,
                                          D3DFORMAT AdapterFormat, DWORD Usage,
                                          D3DRESOURCETYPE RType, D3DFORMAT CheckFormat)
{
    if (Adapter != D3DADAPTER_DEFAULT)
        return refuse(__func__, Rule::Adapter, Adapter);
    if (DeviceType != D3DDEVTYPE_HAL || !isDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    return checkFormat(*context_, emulation_, Usage, RType, CheckFormat);
}

STDMETHODIMP Direct3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                               D3DFORMAT AdapterFormat,
                                               D3DFORMAT RenderTargetFormat,
                                               D3DFORMAT DepthStencilFormat)
{
    if (Adapter != D3DADAPTER_DEFAULT)
        return refuse(__func__, Rule::Adapter, Adapter);
    if (DeviceType != D3DDEVTYPE_HAL || !isDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    if (checkFormat(*context_, emulation_, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE,
                    RenderTargetFormat) != D3D_OK ||
        checkFormat(*context_, emulation_, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                    DepthStencilFormat) != D3D_OK)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

STDMETHODIMP Direct3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps)
{
    if (!pCaps)
        return refuse(__func__, Rule::NullArgument);
    if (Adapter != D3DADAPTER_DEFAULT)
        return refuse(__func__, Rule::Adapter, Adapter);
    if (DeviceType != D3DDEVTYPE_HAL)
        return D3DERR_NOTAVAILABLE;
    fillCaps(*context_, emulation_, pCaps);
    return D3D_OK;
}

STDMETHODIMP Direct3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                     DWORD BehaviorFlags,
                                     D3DPRESENT_PARAMETERS* pPresentationParameters,
                                     IDirect3DDevice9** ppReturnedDeviceInterface)
{
    const Validation& v = emulation_.validation;
    if (!ppReturnedDeviceInterface || !pPresentationParameters)
    {
        if (ppReturnedDeviceInterface)
            *ppReturnedDeviceInterface = nullptr;
        return v.refuse(__func__, Rule::NullArgument);
    }
    *ppReturnedDeviceInterface = nullptr;
    if (Adapter != D3DADAPTER_DEFAULT)
        return v.refuse(__func__, Rule::Adapter, Adapter);
    if (DeviceType != D3DDEVTYPE_HAL)
        return D3DERR_NOTAVAILABLE;
    const DWORD processing =
        BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                         D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING)
        return v.refuse(__func__, Rule::VertexProcessing, BehaviorFlags);

    D3DPRESENT_PARAMETERS present = *pPresentationParameters;
    const HRESULT valid = normalizePresentParameters(*this, present, __func__);
    if (FAILED(valid))
        return valid;
    const D3DDEVICE_CREATION_PARAMETERS creation{Adapter, DeviceType, hFocusWindow, BehaviorFlags};
    const HWND window = present.hDeviceWindow ? present.hDeviceWindow : hFocusWindow;
    return guarded(
        [&]() -> HRESULT
        {
            // A device with a window renders on a context that can present.
            std::shared_ptr<vk::Context> context = context_;
            std::unique_ptr<Window> target;
            if (window)
            {
                target = std::make_unique<Window>(window);
                context = sharedContext(emulation_.vulkanDevice, target->instanceExtensions());
            }
            auto* device = new Device(*this, std::move(context), emulation_, creation, present,
                                      std::move(target));
            *pPresentationParameters = present;
            *ppReturnedDeviceInterface = device;
            return D3D_OK;
        });
}

HRESULT normalizePresentParameters(Direct3D9& d3d, D3DPRESENT_PARAMETERS& present,
                                   const char* entryPoint)
{
    const Validation& v = d3d.emulation().validation;
    if (present.SwapEffect < D3DSWAPEFFECT_DISCARD || present.SwapEffect > D3DSWAPEFFECT_COPY)
        return v.refuse(entryPoint, Rule::SwapEffect, present.SwapEffect);
    if (present.BackBufferCount > 3)
        return v.refuse(entryPoint, Rule::BackBufferCount, present.BackBufferCount);
    if (present.MultiSampleType != D3DMULTISAMPLE_NONE)
        return v.refuse(entryPoint, Rule::MultiSampling, present.MultiSampleType,
                        present.MultiSampleQuality);
    if (present.BackBufferCount == 0)
        present.BackBufferCount = 1;
    if (present.BackBufferWidth == 0 || present.BackBufferHeight == 0)
    {
        present.BackBufferWidth = present.BackBufferWidth ? present.BackBufferWidth : kDisplayWidth;
        present.BackBufferHeight =
            present.BackBufferHeight ? present.BackBufferHeight : kDisplayHeight;
    }
    const UINT limit = maxSurfaceSize(*d3d.context());
    if (present.BackBufferWidth > limit)
        return v.refuse(entryPoint, Rule::BackBufferWidthAboveLimit, present.BackBufferWidth,
                        limit);
    if (present.BackBufferHeight > limit)
        return v.refuse(entryPoint, Rule::BackBufferHeightAboveLimit, present.BackBufferHeight,
                        limit);
    if (present.BackBufferFormat == D3DFMT_UNKNOWN)
    {
        if (!present.Windowed)
            return v.refuse(entryPoint, Rule::UnknownFormatFullScreen);
        present.BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    if (checkFormat(*d3d.context(), d3d.emulation(), D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE,
                    present.BackBufferFormat) != D3D_OK)
        return v.refuse(entryPoint, Rule::BackBufferFormat, present.BackBufferFormat);
    if (present.EnableAutoDepthStencil &&
        checkFormat(*d3d.context(), d3d.emulation(), D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                    present.AutoDepthStencilFormat) != D3D_OK)
        return v.refuse(entryPoint, Rule::AutoDepthStencilFormat, present.AutoDepthStencilFormat);
    return D3D_OK;
}

} // namespace swk::d3d9
