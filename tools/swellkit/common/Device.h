// A Direct3D 9 device without a window, of one of the device classes the
// generator tells apart, on the Vulkan device the environment picks.
#pragma once

#include <d3d9.h>

#include <memory>
#include <optional>
#include <string>

namespace swk::tools
{

enum class DeviceClass
{
    PixelShader20, // per-pixel normals from a height map
    PixelShader11, // CPU grid normals, maps halved, no height map
    Fixed,         // fixed function, maps halved twice, no height map
};

std::optional<DeviceClass> ParseDeviceClass(const std::string& name);
const char* DeviceClassName(DeviceClass deviceClass); // "ps20", "ps11", "fixed"

struct ReleaseCom
{
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T> using ComPtr = std::unique_ptr<T, ReleaseCom>;

class HeadlessDevice
{
public:
    // Throws ToolError when there is no Vulkan device or it refuses the
    // Direct3D 9 device.
    explicit HeadlessDevice(DeviceClass deviceClass);

    IDirect3DDevice9* get() const { return m_pDevice.get(); }

private:
    ComPtr<IDirect3D9> m_pD3D;
    ComPtr<IDirect3DDevice9> m_pDevice;
};

} // namespace swk::tools
