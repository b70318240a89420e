// Every path through the device classes, with the format fallbacks: the maps
// read back from the device follow what the generator computed on the CPU for
// the same frame, and none of the passes draws into the host's target, however
// the host set it up (that its target, depth buffer and viewport come back is
// the protocol suite's to check on the recording device).
#include "GeneratorTest.h"

namespace integration
{
namespace
{

// Dynamic L16 textures refused: the noise falls back to L8.
const std::vector<SWK_REFUSED_FORMAT> kNoDynamicL16 = {{D3DFMT_L16, D3DUSAGE_DYNAMIC}};
// The three wide render-target formats refused: the maps fall back to A8R8G8B8.
const std::vector<SWK_REFUSED_FORMAT> kNoWideTargets = {
    {D3DFMT_A16B16G16R16, D3DUSAGE_RENDERTARGET},
    {D3DFMT_A16B16G16R16F, D3DUSAGE_RENDERTARGET},
    {D3DFMT_A32B32G32R32F, D3DUSAGE_RENDERTARGET}};

using Maps = DeviceClassTest;

TEST_P(Maps, FollowTheLastFrameAndLeaveTheHostsTargetAlone)
{
    CreateDevice(GetParam());
    ASSERT_FALSE(HasFatalFailure());
    CreateGenerator(256, 128);
    ComPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(device_->CreateTexture(96, 80, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                     D3DPOOL_DEFAULT, texture.out(), nullptr),
              D3D_OK);
    ComPtr<IDirect3DSurface9> target, depth;
    ASSERT_EQ(texture->GetSurfaceLevel(0, target.out()), D3D_OK);
    ASSERT_EQ(device_->CreateDepthStencilSurface(96, 80, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                 depth.out(), nullptr),
              D3D_OK);
    ASSERT_EQ(device_->SetRenderTarget(0, target.get()), D3D_OK);
    ASSERT_EQ(device_->SetDepthStencilSurface(depth.get()), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0),
              D3D_OK);

    Animate(3);

    const MapImage host = Read(texture.get());
    const float cleared[4] = {0x20 / 255.0f, 0x40 / 255.0f, 0x60 / 255.0f, 1.0f};
    size_t touched = 0;
    for (size_t i = 0; i < host.rgba.size(); ++i)
        touched += host.rgba[i] != cleared[i % 4];
    EXPECT_EQ(touched, 0u) << "channels of the host's target changed";
    ExpectMapsOfLastFrame();
}

INSTANTIATE_TEST_SUITE_P(
    DeviceClasses, Maps,
    ::testing::Values(DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
                      DeviceClass{"PixelShader20L8Noise", D3DPS_VERSION(2, 0), kNoDynamicL16},
                      DeviceClass{"PixelShader20ByteMaps", D3DPS_VERSION(2, 0), kNoWideTargets},
                      DeviceClass{"PixelShader14", D3DPS_VERSION(1, 4), {}},
                      DeviceClass{"PixelShader11ByteMaps", D3DPS_VERSION(1, 1), kNoWideTargets},
                      DeviceClass{"PixelShader10", D3DPS_VERSION(1, 0), {}},
                      DeviceClass{"NoPixelShaderByteMaps", 0, kNoWideTargets}),
    ClassName);

} // namespace
} // namespace integration
