// Direct3D 9 puts pixel centres at integer coordinates; the device must place
// geometry so that hosts written for it sample exactly where they expect.
#include "DeviceTest.h"

namespace swk::test
{
namespace
{

class PixelCentres : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        device_ = createDevice(64, 64);
        ASSERT_TRUE(device_);
    }

    void drawTexcoordQuad(IDirect3DSurface9* target)
    {
        auto vs = vertexShader(kTexcoordVertexShader, kTexcoordInputs);
        auto ps = pixelShader(kTexcoordPixelShader);
        ASSERT_EQ(device_->SetRenderTarget(0, target), D3D_OK);
        ASSERT_EQ(device_->BeginScene(), D3D_OK);
        device_->SetVertexShader(vs.get());
        device_->SetPixelShader(ps.get());
        device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, sizeof(QuadVertex)),
                  D3D_OK);
        ASSERT_EQ(device_->EndScene(), D3D_OK);
    }
};

TEST_F(PixelCentres, FullTargetQuadSamplesTexcoordAtPixelCorner)
{
    const UINT w = 64, h = 32;
    auto texture = renderTarget(w, h, D3DFMT_A32B32G32R32F);
    auto surface = level(texture.get());
    drawTexcoordQuad(surface.get());
    const Pixels p = read(surface.get());
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
        {
            ASSERT_EQ(p.at<float>(x, y, 0), float(x) / w) << x << "," << y;
            ASSERT_EQ(p.at<float>(x, y, 1), float(y) / h) << x << "," << y;
        }
}

} // namespace
} // namespace swk::test
