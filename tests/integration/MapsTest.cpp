// Every path through the device classes, with the format fallbacks: the maps
// read back from the device follow what the generator computed on the CPU for
// the same frame, and none of the passes draws into the host's target, however
// the host set it up (that its target, depth buffer and viewport come back is
// the protocol suite's to check on the recording device).
#include "GeneratorTest.h"

#include <VertexLayouts.h>

#include <cmath>

namespace integration
{
namespace
{

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

// A new default-pool buffer may hold any bit pattern, and the normal upload
// never writes the grid's last column and row. NaN in every normal when the
// grid is filled (here: refilled by a restore without loss) stands for what a
// device may hand out; the texels next to that column must not show it.
class LastGridColumn : public GeneratorTest
{
};

TEST_F(LastGridColumn, UndefinedNormalsThereStayOutOfTheMap)
{
    CreateDevice({"PixelShader14", D3DPS_VERSION(1, 4), {}});
    ASSERT_FALSE(HasFatalFailure());
    CWaveGenerator& g = CreateGenerator(256, 128);
    IDirect3DVertexBuffer9* buffer = CWaveGeneratorProbe::GridVB(g);
    ASSERT_TRUE(buffer);
    const int W = CWaveGeneratorProbe::GridWidth(g), H = CWaveGeneratorProbe::GridHeight(g);
    ShaderGridVertex* vertices = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0), D3D_OK);
    for (int i = 0; i < 2 * W * H; ++i)
        vertices[i].nx = vertices[i].ny = vertices[i].nz = std::nanf("");
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    g.OnRestoreDevice();

    Animate(1);
    const MapImage normals = Read(g.GetNormalMap());
    ASSERT_FALSE(HasFailure());
    const Worst worst = GridNormalError(normals, W - 2, W - 1);
    EXPECT_LE(worst.error, FormatStep(normals.format)) << "worst " << worst;
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
