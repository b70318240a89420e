// Clears, render target switches and the formats the maps are read back in.
#include "DeviceTest.h"

#include <Imath/half.h>

#include <cmath>

namespace swk::test
{
namespace
{

using Targets = OpenDevice<32, 32, D3DFMT_A8R8G8B8, true>;

TEST_F(Targets, ClearIsCutToTheViewportAndTheEnabledScissorUntilTheTargetIsSet)
{
    auto surface = bindTarget(32, 16, D3DFMT_A8R8G8B8);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0), D3D_OK);
    const D3DVIEWPORT9 viewport{4, 2, 10, 6, 0.25f, 0.5f};
    ASSERT_EQ(device_->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff20c0ff, 1.0f, 0), D3D_OK);
    // A rectangle reaching outside the viewport is cut to it; the scissor,
    // not yet enabled, would have kept it out entirely.
    const RECT scissor{8, 3, 20, 9};
    ASSERT_EQ(device_->SetScissorRect(&scissor), D3D_OK);
    const D3DRECT rect{0, 0, 6, 3};
    ASSERT_EQ(device_->Clear(1, &rect, D3DCLEAR_TARGET, 0xff102030, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device_->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0), D3D_OK);

    const Pixels p = read(surface.get());
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 32; ++x)
        {
            const bool inViewport = x >= 4 && x < 14 && y >= 2 && y < 8;
            const bool inRect = inViewport && x < 6 && y < 3;
            const bool inScissor = inViewport && x >= 8 && y >= 3;
            const uint32_t expected = inScissor    ? 0xffffffff
                                      : inRect     ? 0xff102030
                                      : inViewport ? 0xff20c0ff
                                                   : 0xff000000;
            ASSERT_EQ(p.at<uint32_t>(x, y, 0), expected) << x << "," << y;
        }

    // Setting render target 0 makes the scissor the whole target; the viewport
    // too, as the sampling tests' draws into targets of new sizes show.
    ASSERT_EQ(device_->SetRenderTarget(0, surface.get()), D3D_OK);
    RECT cut{};
    ASSERT_EQ(device_->GetScissorRect(&cut), D3D_OK);
    EXPECT_EQ(cut.right, 32);
    EXPECT_EQ(cut.bottom, 16);
}

TEST_F(Targets, BackBufferDepthAndPlainTargetsRoundTripAndReadBack)
{
    ComPtr<IDirect3DSurface9> backBuffer, depth;
    ASSERT_EQ(device_->GetRenderTarget(0, backBuffer.out()), D3D_OK);
    ASSERT_EQ(device_->GetDepthStencilSurface(depth.out()), D3D_OK);
    ComPtr<IDirect3DSurface9> viaSwapChain;
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, viaSwapChain.out()), D3D_OK);
    EXPECT_EQ(viaSwapChain.get(), backBuffer.get());

    ASSERT_EQ(device_->SetDepthStencilSurface(nullptr), D3D_OK);
    ComPtr<IDirect3DSurface9> none;
    EXPECT_EQ(device_->GetDepthStencilSurface(none.out()), D3DERR_NOTFOUND);
    EXPECT_FALSE(none);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->SetDepthStencilSurface(depth.get()), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0), D3D_OK);

    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff123456, 1.0f, 0), D3D_OK);
    EXPECT_EQ(read(backBuffer.get()).at<uint32_t>(31, 31, 0), 0xff123456u);

    ComPtr<IDirect3DSurface9> target;
    ASSERT_EQ(device_->CreateRenderTarget(7, 5, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                          target.out(), nullptr),
              D3D_OK);
    ASSERT_EQ(device_->ColorFill(target.get(), nullptr, 0xff654321), D3D_OK);
    EXPECT_EQ(read(target.get()).at<uint32_t>(6, 4, 0), 0xff654321u);
}

TEST_F(Targets, SmallerDepthSurfaceIsLeftAloneByLargerTargets)
{
    // The host's 32 x 32 depth surface stays bound while a larger map is drawn.
    auto surface = bindTarget(64, 48, D3DFMT_A8R8G8B8);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    drawQuad(pixelShader(kTexcoordPixelShader).get());
    const Pixels p = read(surface.get());
    // Red is u = 63/64 and green v = 47/48 in the far corner, outside the depth surface.
    EXPECT_EQ(p.at<uint8_t>(63, 47, 2), std::lround(63 * 255.0 / 64));
    EXPECT_EQ(p.at<uint8_t>(63, 47, 1), std::lround(47 * 255.0 / 48));
}

class TargetFormats : public Targets, public ::testing::WithParamInterface<D3DFORMAT>
{
};

// Channel c (red, green, blue, alpha) of a texel in the format, in [0, 1].
double channel(const Pixels& p, D3DFORMAT format, UINT x, UINT y, UINT c)
{
    switch (format)
    {
    case D3DFMT_A16B16G16R16:
        return p.at<uint16_t>(x, y, c) / 65535.0;
    case D3DFMT_A16B16G16R16F:
        return double(half(half::FromBits, p.at<uint16_t>(x, y, c)));
    case D3DFMT_A32B32G32R32F:
        return p.at<float>(x, y, c);
    default: // A8R8G8B8 and X8R8G8B8 keep blue first
        return p.at<uint8_t>(x, y, c == 3 ? 3 : 2 - c) / 255.0;
    }
}

TEST_P(TargetFormats, ClearAndDrawnValuesReadBackInTheFormatsLayout)
{
    const D3DFORMAT format = GetParam();
    const bool noAlpha = format == D3DFMT_X8R8G8B8;
    auto surface = bindTarget(5, 3, format);
    // 0x40 / 255 and friends: each channel is distinct, alpha is not 1.
    ASSERT_EQ(
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(0x80, 0x40, 0xc0, 0xff), 1.0f, 0),
        D3D_OK);
    const double cleared[4] = {0x40 / 255.0, 0xc0 / 255.0, 1.0, noAlpha ? 1.0 : 0x80 / 255.0};
    Pixels p = read(surface.get());
    const double tolerance = format == D3DFMT_A16B16G16R16F ? 1e-3 : 1e-6;
    for (UINT i = 0; i < 5 * 3 * 4; ++i)
        EXPECT_NEAR(channel(p, format, i / 4 % 5, i / 20, i % 4), cleared[i % 4], tolerance) << i;

    // A shader output of (0.25, 0.5, 0.75, 0.375) arrives converted the same way.
    auto ps = pixelShader(R"(#version 450
layout(location = 0) out vec4 color;
void main() { color = vec4(0.25, 0.5, 0.75, 0.375); }
)");
    drawQuad(ps.get());
    p = read(surface.get());
    const double unorm = format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 ? 0.5 / 255
                         : format == D3DFMT_A16B16G16R16                        ? 0.5 / 65535
                                                                                : 1e-6;
    const double drawn[4] = {0.25, 0.5, 0.75, noAlpha ? 1.0 : 0.375};
    for (UINT c = 0; c < 4; ++c)
        EXPECT_NEAR(channel(p, format, 2, 1, c), drawn[c], unorm) << c;
}

INSTANTIATE_TEST_SUITE_P(EveryMapFormat, TargetFormats,
                         ::testing::Values(D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F,
                                           D3DFMT_A32B32G32R32F, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8));

} // namespace
} // namespace swk::test
