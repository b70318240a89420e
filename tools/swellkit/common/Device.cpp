#include "Device.h"

#include "ToolError.h"

#include <swk/DeviceOptions.h>

namespace swk::tools
{

std::optional<DeviceClass> ParseDeviceClass(const std::string& name)
{
    if (name == "ps20")
        return DeviceClass::PixelShader20;
    if (name == "ps11")
        return DeviceClass::PixelShader11;
    if (name == "fixed")
        return DeviceClass::Fixed;
    return std::nullopt;
}

const char* DeviceClassName(DeviceClass deviceClass)
{
    switch (deviceClass)
    {
    case DeviceClass::PixelShader20:
        return "ps20";
    case DeviceClass::PixelShader11:
        return "ps11";
    default:
        return "fixed";
    }
}

HeadlessDevice::HeadlessDevice(DeviceClass deviceClass)
{
    SWK_DEVICE_OPTIONS options = {};
    options.Size = sizeof options;
    options.Flags = SWK_OPTION_PIXELSHADERVERSION;
    options.PixelShaderVersion = deviceClass == DeviceClass::PixelShader20   ? D3DPS_VERSION(2, 0)
                                 : deviceClass == DeviceClass::PixelShader11 ? D3DPS_VERSION(1, 1)
                                                                             : 0;
    m_pD3D.reset(SwkDirect3DCreate9(D3D_SDK_VERSION, &options));
    if (!m_pD3D)
        throw ToolError("no Vulkan device found (Direct3D 9 is not available)");
    // The maps are render targets of their own; the back buffer is never read.
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    IDirect3DDevice9* device = nullptr;
    if (FAILED(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device)))
        throw ToolError("the Vulkan device refused a Direct3D 9 device");
    m_pDevice.reset(device);
}

} // namespace swk::tools
