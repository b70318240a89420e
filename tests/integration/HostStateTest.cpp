// None of the passes draws into the host's target, however the host set it
// up; that its target, depth buffer and viewport come back is the protocol
// suite's to check on the recording device.
#include "GeneratorTest.h"

namespace integration
{
namespace
{

using HostState = DeviceClassTest;

TEST_P(HostState, TheHostsTargetKeepsItsPixels)
{
    CreateDevice(GetParam());
    ASSERT_FALSE(HasFatalFailure());
    CreateGenerator(128, 128);

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

    Animate(2);

    const MapImage host = Read(texture.get());
    const float cleared[4] = {0x20 / 255.0f, 0x40 / 255.0f, 0x60 / 255.0f, 1.0f};
    size_t touched = 0;
    for (size_t i = 0; i < host.rgba.size(); ++i)
        touched += host.rgba[i] != cleared[i % 4];
    EXPECT_EQ(touched, 0u) << "channels of the host's target changed";
    ExpectMapsOfLastFrame();
}

INSTANTIATE_TEST_SUITE_P(Paths, HostState,
                         ::testing::Values(DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
                                           DeviceClass{"PixelShader11", D3DPS_VERSION(1, 1), {}},
                                           DeviceClass{"PixelShader10", D3DPS_VERSION(1, 0), {}}),
                         ClassName);

} // namespace
} // namespace integration
