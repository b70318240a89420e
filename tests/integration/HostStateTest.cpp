// After Update the host draws on: its own render target, depth-stencil
// surface and viewport are in place again, and none of the passes drew into
// its target.
#include "GeneratorTest.h"

namespace integration
{
namespace
{

class HostState : public GeneratorTest, public ::testing::WithParamInterface<DeviceClass>
{
};

TEST_P(HostState, TargetDepthBufferAndViewportAreTheHosts)
{
    CreateDevice(GetParam());
    ASSERT_FALSE(HasFatalFailure());
    CreateGenerator(128, 128);

    Com<IDirect3DTexture9> texture;
    ASSERT_EQ(device_->CreateTexture(96, 80, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                     D3DPOOL_DEFAULT, texture.out(), nullptr),
              D3D_OK);
    Com<IDirect3DSurface9> target, depth;
    ASSERT_EQ(texture->GetSurfaceLevel(0, target.out()), D3D_OK);
    ASSERT_EQ(device_->CreateDepthStencilSurface(96, 80, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                 depth.out(), nullptr),
              D3D_OK);
    ASSERT_EQ(device_->SetRenderTarget(0, target.get()), D3D_OK);
    ASSERT_EQ(device_->SetDepthStencilSurface(depth.get()), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0),
              D3D_OK);
    // Smaller than the target, so that a viewport reset by a target switch shows.
    const D3DVIEWPORT9 viewport = {8, 4, 40, 30, 0.25f, 0.75f};
    ASSERT_EQ(device_->SetViewport(&viewport), D3D_OK);

    Animate(2);

    Com<IDirect3DSurface9> targetAfter, depthAfter;
    ASSERT_EQ(device_->GetRenderTarget(0, targetAfter.out()), D3D_OK);
    ASSERT_EQ(device_->GetDepthStencilSurface(depthAfter.out()), D3D_OK);
    EXPECT_EQ(targetAfter.get(), target.get());
    EXPECT_EQ(depthAfter.get(), depth.get());
    D3DVIEWPORT9 after{};
    ASSERT_EQ(device_->GetViewport(&after), D3D_OK);
    EXPECT_EQ(after.X, viewport.X);
    EXPECT_EQ(after.Y, viewport.Y);
    EXPECT_EQ(after.Width, viewport.Width);
    EXPECT_EQ(after.Height, viewport.Height);
    EXPECT_EQ(after.MinZ, viewport.MinZ);
    EXPECT_EQ(after.MaxZ, viewport.MaxZ);

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
                         [](const ::testing::TestParamInfo<DeviceClass>& info)
                         { return info.param.name; });

} // namespace
} // namespace integration
