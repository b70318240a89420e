// Creation: what the device reports about itself and its formats, and the
// device classes a host or test can ask it to stand for.
#include "DeviceTest.h"

#include <cstdlib>
#include <tuple>

namespace swk::test
{
namespace
{

using Creation = DeviceTest;

// CheckDeviceFormat on a display in X8R8G8B8, as the generator's host asks.
HRESULT check(IDirect3D9* d3d, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format,
              D3DDEVTYPE deviceType = D3DDEVTYPE_HAL, UINT adapter = D3DADAPTER_DEFAULT)
{
    return d3d->CheckDeviceFormat(adapter, deviceType, D3DFMT_X8R8G8B8, usage, type, format);
}

TEST_F(Creation, ReportsPixelShaderThreeAndTheGeneratorsFormats)
{
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d()->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(3, 0)));
    EXPECT_TRUE(caps.Caps2 & D3DCAPS2_CANAUTOGENMIPMAP);
    for (D3DFORMAT map :
         {D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F, D3DFMT_A8R8G8B8})
        for (DWORD usage :
             {DWORD(D3DUSAGE_RENDERTARGET), DWORD(D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP)})
            EXPECT_EQ(check(d3d(), usage, D3DRTYPE_TEXTURE, map), D3D_OK) << map << "/" << usage;
    for (D3DFORMAT noise : {D3DFMT_L16, D3DFMT_L8})
        EXPECT_EQ(check(d3d(), D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, noise), D3D_OK) << noise;
    // Colour formats are no depth buffers; depth formats are surfaces, not textures.
    EXPECT_EQ(check(d3d(), D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_L8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(d3d(), D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8), D3D_OK);
    EXPECT_EQ(check(d3d(), 0, D3DRTYPE_TEXTURE, D3DFMT_D24S8), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(d3d(), 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, D3DDEVTYPE_REF),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(d3d(), 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, D3DDEVTYPE_HAL, 1),
              D3DERR_INVALIDCALL);
}

TEST_F(Creation, WindowlessCreationFillsInWhatDirect3DChooses)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    auto create = [&](D3DDEVTYPE type, DWORD flags, ComPtr<IDirect3DDevice9>& device)
    { return d3d()->CreateDevice(D3DADAPTER_DEFAULT, type, nullptr, flags, &pp, device.out()); };
    ASSERT_EQ(create(D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, device_), D3D_OK);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_GT(pp.BackBufferWidth, 0u);

    ComPtr<IDirect3DDevice9> refused;
    pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    EXPECT_NE(create(D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, refused), D3D_OK);
    EXPECT_FALSE(refused);
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    EXPECT_EQ(create(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, refused),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(create(D3DDEVTYPE_HAL, 0, refused), D3DERR_INVALIDCALL) << "no vertex processing";
    EXPECT_FALSE(refused);
}

// Creates an IDirect3D9 standing for another device class.
ComPtr<IDirect3D9> emulate(DWORD flags, DWORD pixelShaderVersion,
                           std::vector<SWK_REFUSED_FORMAT> refused = {})
{
    SWK_DEVICE_OPTIONS options{};
    options.Size = sizeof options;
    options.Flags = flags;
    options.PixelShaderVersion = pixelShaderVersion;
    options.RefusedFormatCount = UINT(refused.size());
    options.pRefusedFormats = refused.data();
    return ComPtr<IDirect3D9>::adopt(SwkDirect3DCreate9(D3D_SDK_VERSION, &options));
}

constexpr DWORD kClass = SWK_OPTION_PIXELSHADERVERSION | SWK_OPTION_REFUSEDFORMATS;

TEST_F(Creation, OptionsSelectTheDeviceClassAndRefusedFormatsFailOnlyForTheirUsages)
{
    // Other versions are set the same way (the environment test sets 1.4 and 2.0).
    ComPtr<IDirect3D9> d3d = emulate(kClass, 0,
                                     {{D3DFMT_L16, D3DUSAGE_DYNAMIC},
                                      {D3DFMT_A16B16G16R16, D3DUSAGE_RENDERTARGET},
                                      {D3DFMT_A16B16G16R16F, 0}});
    ASSERT_TRUE(d3d);
    const std::tuple<DWORD, D3DFORMAT, HRESULT> checks[] = {
        {D3DUSAGE_DYNAMIC, D3DFMT_L16, D3DERR_NOTAVAILABLE},
        {0, D3DFMT_L16, D3D_OK},
        {D3DUSAGE_DYNAMIC, D3DFMT_L8, D3D_OK},
        {D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16, D3DERR_NOTAVAILABLE},
        {0, D3DFMT_A16B16G16R16, D3D_OK},
        {0, D3DFMT_A16B16G16R16F, D3DERR_NOTAVAILABLE},
        {D3DUSAGE_RENDERTARGET, D3DFMT_A32B32G32R32F, D3D_OK}};
    for (auto [usage, format, expected] : checks)
        EXPECT_EQ(check(d3d.get(), usage, D3DRTYPE_TEXTURE, format), expected)
            << format << "/" << usage;

    // This class has no pixel shaders: its devices say so and take none, and
    // they make no texture of a refused format and usage.
    device_ = createDevice(8, 8, D3DFMT_X8R8G8B8, false, d3d.get());
    ASSERT_TRUE(device_);
    D3DCAPS9 caps{};
    ASSERT_EQ(device_->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion, 0u);
    const std::vector<DWORD> blob = shaderBlob(ShaderBlobStage::Pixel, kTexcoordPixelShader);
    ComPtr<IDirect3DPixelShader9> shader;
    EXPECT_EQ(device_->CreatePixelShader(blob.data(), shader.out()), D3DERR_INVALIDCALL);
    ComPtr<IDirect3DTexture9> texture;
    EXPECT_EQ(device_->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_L16, D3DPOOL_DEFAULT,
                                     texture.out(), nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_FALSE(texture);
}

TEST_F(Creation, EnvironmentSelectsTheDeviceClassUnlessOptionsDo)
{
    ::setenv("SWK_D3D9_PS_VERSION", "1.4", 1);
    ::setenv("SWK_D3D9_REFUSE_FORMATS", "L16:dynamic, A16B16G16R16:rendertarget", 1);
    auto fromEnvironment = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    ComPtr<IDirect3D9> fromOptions = emulate(SWK_OPTION_PIXELSHADERVERSION, D3DPS_VERSION(2, 0));
    ::unsetenv("SWK_D3D9_PS_VERSION");
    ::unsetenv("SWK_D3D9_REFUSE_FORMATS");
    ASSERT_TRUE(fromEnvironment && fromOptions);
    D3DCAPS9 caps{};
    fromEnvironment->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(1, 4)));
    EXPECT_EQ(check(fromEnvironment.get(), D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, D3DFMT_L16),
              D3DERR_NOTAVAILABLE);
    fromOptions->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(2, 0)));
    // The options said nothing about formats, so the environment's list holds.
    EXPECT_EQ(
        check(fromOptions.get(), D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_A16B16G16R16),
        D3DERR_NOTAVAILABLE);
}

} // namespace
} // namespace swk::test
