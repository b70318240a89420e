// Direct3D 9 puts pixel centres at integer coordinates; the device must place
// geometry so that hosts written for it sample exactly where they expect.
#include "DeviceTest.h"

#include <cmath>

namespace swk::test
{
namespace
{

struct ScreenTexVertex
{
    float x, y, z, rhw;
    float u, v;
};

using PixelCentres = OpenDevice<64, 64>;

class TexcoordQuad : public PixelCentres, public ::testing::WithParamInterface<D3DFORMAT>
{
};

// Pixel (x, y) of the viewport sees the coordinate of its top-left corner,
// exactly: (x - X) / Width; outside the viewport the blue clear stays.
TEST_P(TexcoordQuad, SamplesTexcoordAtPixelCornersOfTheViewport)
{
    const UINT w = 64, h = 32;
    const bool unorm = GetParam() == D3DFMT_A16B16G16R16;
    auto surface = bindTarget(w, h, GetParam());
    const D3DVIEWPORT9 viewports[] = {{0, 0, w, h, 0.0f, 1.0f}, {16, 8, 32, 16, 0.0f, 1.0f}};
    for (const D3DVIEWPORT9& vp : viewports)
    {
        ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff0000ff, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
        drawQuad(pixelShader(kTexcoordPixelShader).get());
        const Pixels p = read(surface.get());
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x)
            {
                const bool inside =
                    x >= vp.X && x < vp.X + vp.Width && y >= vp.Y && y < vp.Y + vp.Height;
                const double expected[3] = {inside ? double(x - vp.X) / vp.Width : 0.0,
                                            inside ? double(y - vp.Y) / vp.Height : 0.0,
                                            inside ? 0.0 : 1.0};
                for (UINT c = 0; c < 3; ++c)
                    ASSERT_EQ(unorm ? p.at<uint16_t>(x, y, c) : p.at<float>(x, y, c),
                              unorm ? std::lround(expected[c] * 65535) : float(expected[c]))
                        << x << "," << y << " in " << vp.Width;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(FloatAndSixteenBitUnorm, TexcoordQuad,
                         ::testing::Values(D3DFMT_A32B32G32R32F, D3DFMT_A16B16G16R16));

TEST_F(PixelCentres, PretransformedQuadUsesPixelCoordinates)
{
    const UINT w = 32, h = 16;
    auto surface = bindTarget(w, h, D3DFMT_A32B32G32R32F);
    device_->SetPixelShader(pixelShader(kTexcoordPixelShader).get());
    device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    for (float rhw : {1.0f, 0.25f})
    {
        // Corners on the outer pixel edges: pixel (i, j) sees (i + 0.5, j + 0.5) / size.
        const ScreenTexVertex quad[4] = {{-0.5f, -0.5f, 0.5f, rhw, 0, 0},
                                         {w - 0.5f, -0.5f, 0.5f, rhw, 1, 0},
                                         {-0.5f, h - 0.5f, 0.5f, rhw, 0, 1},
                                         {w - 0.5f, h - 0.5f, 0.5f, rhw, 1, 1}};
        scene([&]
              { return device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]); });
        const Pixels p = read(surface.get());
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x)
            {
                ASSERT_NEAR(p.at<float>(x, y, 0), (x + 0.5f) / w, 1e-6) << x << "," << y;
                ASSERT_NEAR(p.at<float>(x, y, 1), (y + 0.5f) / h, 1e-6) << x << "," << y;
            }
    }
}

} // namespace
} // namespace swk::test
