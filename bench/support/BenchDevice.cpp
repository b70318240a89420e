#include "BenchDevice.h"

#include <cstring>

namespace swk::bench
{

HeadlessDevice::HeadlessDevice(const HeadlessDeviceOptions& options)
{
    SWK_DEVICE_OPTIONS settings{};
    settings.Size = sizeof settings;
    if (options.pixelShaderVersion)
    {
        settings.Flags |= SWK_OPTION_PIXELSHADERVERSION;
        settings.PixelShaderVersion = *options.pixelShaderVersion;
    }
    if (!options.refusedFormats.empty())
    {
        settings.Flags |= SWK_OPTION_REFUSEDFORMATS;
        settings.RefusedFormatCount = static_cast<UINT>(options.refusedFormats.size());
        settings.pRefusedFormats = options.refusedFormats.data();
    }
    // Without options the environment still applies, as for Direct3DCreate9.
    d3d_ = SwkDirect3DCreate9(D3D_SDK_VERSION, settings.Flags ? &settings : nullptr);
    if (!d3d_)
        return;

    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    if (options.autoDepthStencil)
    {
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    }
    if (FAILED(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                  D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device_)))
        device_ = nullptr;
}

HeadlessDevice::~HeadlessDevice()
{
    if (device_)
        device_->Release();
    if (d3d_)
        d3d_->Release();
}

std::vector<DWORD> shaderBlob(ShaderBlobStage stage, const uint32_t* spirv, size_t words,
                              const std::vector<ShaderBlobInput>& inputs)
{
    const ShaderBlobHeader header{kShaderBlobMagic, static_cast<uint32_t>(stage),
                                  static_cast<uint32_t>(inputs.size()),
                                  static_cast<uint32_t>(words)};
    constexpr size_t headerWords = sizeof header / sizeof(DWORD);
    constexpr size_t inputWords = sizeof(ShaderBlobInput) / sizeof(DWORD);
    std::vector<DWORD> blob(headerWords + inputs.size() * inputWords + words);
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + headerWords, inputs.data(), inputs.size() * sizeof(ShaderBlobInput));
    std::memcpy(blob.data() + headerWords + inputs.size() * inputWords, spirv,
                words * sizeof(uint32_t));
    return blob;
}

} // namespace swk::bench
