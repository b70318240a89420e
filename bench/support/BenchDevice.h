// A device for benchmarks that draw off screen: no window, a small back
// buffer nothing reads, and the device class and refused formats a benchmark
// needs to reach one of the generator's paths.
#pragma once

#include <d3d9.h>
#include <swk/DeviceOptions.h>
#include <swk/ShaderBlob.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace swk::bench
{

struct HeadlessDeviceOptions
{
    // Unset leaves the device class to the default or the environment.
    std::optional<DWORD> pixelShaderVersion;
    std::vector<SWK_REFUSED_FORMAT> refusedFormats;
    bool autoDepthStencil = false;
};

class HeadlessDevice
{
public:
    explicit HeadlessDevice(const HeadlessDeviceOptions& options = {});
    ~HeadlessDevice();
    HeadlessDevice(const HeadlessDevice&) = delete;
    HeadlessDevice& operator=(const HeadlessDevice&) = delete;

    // Null when there is no Direct3D 9 over Vulkan or it refused the device;
    // the benchmark then skips with an error.
    IDirect3DDevice9* get() const { return device_; }

private:
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

// The blob CreateVertexShader and CreatePixelShader take, around SPIR-V
// compiled into the benchmark; inputs matter for vertex shaders only.
std::vector<DWORD> shaderBlob(ShaderBlobStage stage, const uint32_t* spirv, size_t words,
                              const std::vector<ShaderBlobInput>& inputs = {});

template <size_t N>
std::vector<DWORD> shaderBlob(ShaderBlobStage stage, const uint32_t (&spirv)[N],
                              const std::vector<ShaderBlobInput>& inputs = {})
{
    return shaderBlob(stage, spirv, N, inputs);
}

} // namespace swk::bench
