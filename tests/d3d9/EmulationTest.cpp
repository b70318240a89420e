// Creation: what the device reports about itself and its formats, and the
// device classes a host or test can ask it to stand for.
#include "DeviceTest.h"

#include <cstdlib>

namespace swk::test
{
namespace
{

class Creation : public DeviceTest
{
};

TEST_F(Creation, ReportsPixelShaderThreeAndTheGeneratorsFormats)
{
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d()->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(3, 0)));
    EXPECT_TRUE(caps.Caps2 & D3DCAPS2_CANAUTOGENMIPMAP);
    const D3DFORMAT display = D3DFMT_X8R8G8B8;
    for (D3DFORMAT map :
         {D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F, D3DFMT_A8R8G8B8})
    {
        EXPECT_EQ(d3d()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display,
                                           D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, map),
                  D3D_OK)
            << map;
        EXPECT_EQ(d3d()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display,
                                           D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP,
                                           D3DRTYPE_TEXTURE, map),
                  D3D_OK)
            << map;
    }
    for (D3DFORMAT noise : {D3DFMT_L16, D3DFMT_L8})
        EXPECT_EQ(d3d()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display,
                                           D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, noise),
                  D3D_OK)
            << noise;
    // Colour formats are no depth buffers; depth formats are surfaces, not textures.
    EXPECT_EQ(d3d()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display,
                                       D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_L8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display,
                                       D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8),
              D3D_OK);
    EXPECT_EQ(d3d()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display, 0,
                                       D3DRTYPE_TEXTURE, D3DFMT_D24S8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, display, 0,
                                       D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(
        d3d()->CheckDeviceFormat(1, D3DDEVTYPE_HAL, display, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
        D3DERR_INVALIDCALL);
}

TEST_F(Creation, DeviceAnswersForItsBackBuffer)
{
    device_ = createDevice(40, 30, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(device_);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(device_->GetDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 40u);
    EXPECT_EQ(mode.Height, 30u);
    // The adapter format of a display: the back buffer's format without alpha.
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    Com<IDirect3D9> owner;
    ASSERT_EQ(device_->GetDirect3D(owner.out()), D3D_OK);
    EXPECT_EQ(owner.get(), d3d());
    D3DCAPS9 caps{};
    ASSERT_EQ(device_->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(3, 0)));
    D3DDEVICE_CREATION_PARAMETERS creation{};
    ASSERT_EQ(device_->GetCreationParameters(&creation), D3D_OK);
    EXPECT_EQ(creation.DeviceType, D3DDEVTYPE_HAL);
}

TEST_F(Creation, WindowlessCreationFillsInWhatDirect3DChooses)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    ASSERT_EQ(d3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                  D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, device_.out()),
              D3D_OK);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_GT(pp.BackBufferWidth, 0u);

    Com<IDirect3DDevice9> refused;
    pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    EXPECT_NE(d3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                  D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, refused.out()),
              D3D_OK);
    EXPECT_FALSE(refused);
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    EXPECT_EQ(d3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr,
                                  D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, refused.out()),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(
        d3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, &pp, refused.out()),
        D3DERR_INVALIDCALL);
    EXPECT_FALSE(refused);
}

// Creates an IDirect3D9 standing for another device class.
Com<IDirect3D9> emulate(DWORD pixelShaderVersion, std::vector<SWK_REFUSED_FORMAT> refused)
{
    SWK_DEVICE_OPTIONS options{};
    options.Size = sizeof options;
    options.Flags = SWK_OPTION_PIXELSHADERVERSION | SWK_OPTION_REFUSEDFORMATS;
    options.PixelShaderVersion = pixelShaderVersion;
    options.RefusedFormatCount = UINT(refused.size());
    options.pRefusedFormats = refused.data();
    return Com<IDirect3D9>(SwkDirect3DCreate9(D3D_SDK_VERSION, &options));
}

TEST_F(Creation, OptionsSelectTheDeviceClass)
{
    for (DWORD version : {DWORD(D3DPS_VERSION(2, 0)), DWORD(D3DPS_VERSION(1, 4)),
                          DWORD(D3DPS_VERSION(1, 1)), DWORD(D3DPS_VERSION(1, 0)), DWORD(0)})
    {
        Com<IDirect3D9> d3d = emulate(version, {});
        ASSERT_TRUE(d3d);
        D3DCAPS9 caps{};
        ASSERT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
        EXPECT_EQ(caps.PixelShaderVersion, version);
    }

    Com<IDirect3D9> none = emulate(0, {});
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    ASSERT_EQ(none->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device_.out()),
              D3D_OK);
    D3DCAPS9 caps{};
    ASSERT_EQ(device_->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion, 0u);
    // A device without pixel shaders takes none.
    const std::vector<DWORD> blob = pixelBlob(kTexcoordPixelShader);
    Com<IDirect3DPixelShader9> shader;
    EXPECT_EQ(device_->CreatePixelShader(blob.data(), shader.out()), D3DERR_INVALIDCALL);
}

TEST_F(Creation, RefusedFormatsFailOnlyForTheirUsages)
{
    Com<IDirect3D9> d3d =
        emulate(D3DPS_VERSION(3, 0), {{D3DFMT_L16, D3DUSAGE_DYNAMIC},
                                      {D3DFMT_A16B16G16R16, D3DUSAGE_RENDERTARGET},
                                      {D3DFMT_A16B16G16R16F, 0}});
    ASSERT_TRUE(d3d);
    auto check = [&](DWORD usage, D3DFORMAT format)
    {
        return d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage,
                                      D3DRTYPE_TEXTURE, format);
    };
    EXPECT_EQ(check(D3DUSAGE_DYNAMIC, D3DFMT_L16), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(0, D3DFMT_L16), D3D_OK);
    EXPECT_EQ(check(D3DUSAGE_DYNAMIC, D3DFMT_L8), D3D_OK);
    EXPECT_EQ(check(D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(0, D3DFMT_A16B16G16R16), D3D_OK);
    EXPECT_EQ(check(0, D3DFMT_A16B16G16R16F), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(D3DUSAGE_RENDERTARGET, D3DFMT_A32B32G32R32F), D3D_OK);

    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device_.out()),
              D3D_OK);
    Com<IDirect3DTexture9> texture;
    EXPECT_EQ(device_->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_L16, D3DPOOL_DEFAULT,
                                     texture.out(), nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_FALSE(texture);
}

TEST_F(Creation, EnvironmentSelectsTheDeviceClassUnlessOptionsDo)
{
    ::setenv("SWK_D3D9_PS_VERSION", "1.4", 1);
    ::setenv("SWK_D3D9_REFUSE_FORMATS", "L16:dynamic, A16B16G16R16:rendertarget", 1);
    Com<IDirect3D9> fromEnvironment(Direct3DCreate9(D3D_SDK_VERSION));
    SWK_DEVICE_OPTIONS options{};
    options.Size = sizeof options;
    options.Flags = SWK_OPTION_PIXELSHADERVERSION;
    options.PixelShaderVersion = D3DPS_VERSION(2, 0);
    Com<IDirect3D9> fromOptions(SwkDirect3DCreate9(D3D_SDK_VERSION, &options));
    ::unsetenv("SWK_D3D9_PS_VERSION");
    ::unsetenv("SWK_D3D9_REFUSE_FORMATS");
    ASSERT_TRUE(fromEnvironment);
    ASSERT_TRUE(fromOptions);
    D3DCAPS9 caps{};
    fromEnvironment->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(1, 4)));
    EXPECT_EQ(fromEnvironment->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                                 D3DFMT_X8R8G8B8, D3DUSAGE_DYNAMIC,
                                                 D3DRTYPE_TEXTURE, D3DFMT_L16),
              D3DERR_NOTAVAILABLE);
    fromOptions->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(2, 0)));
    // The options said nothing about formats, so the environment's list holds.
    EXPECT_EQ(fromOptions->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                             D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                             D3DFMT_A16B16G16R16),
              D3DERR_NOTAVAILABLE);
}

} // namespace
} // namespace swk::test
