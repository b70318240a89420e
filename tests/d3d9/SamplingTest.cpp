// Textures as the generator's passes read them: luminance noise with WRAP,
// the height map with MIRROR, bilinear filtering as Direct3D 9 defines it, and
// mip levels generated on the device.
#include "DeviceTest.h"

#include <common/SurfaceNormal.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace swk::test
{
namespace
{

const char* const kSampleShader = R"(#version 450
layout(location = 0) in vec2 texCoord;
layout(set = 0, binding = 1, std140) uniform Pixel { vec4 c0; } ps;
layout(set = 0, binding = 2) uniform sampler2D image;
layout(location = 0) out vec4 color;
// c0.w scales and c0.xy shift the coordinate, to reach past the texture's
// edges or onto texel centres; c0.z is the level read.
void main() { color = textureLod(image, texCoord * ps.c0.w + ps.c0.xy, ps.c0.z); }
)";

class Sampling : public OpenDevice<16, 16>
{
protected:
    // Draws the texture-square quad into target with the pixel shader, the
    // texture at sampler 0 and the given pixel constant c0.
    void draw(IDirect3DSurface9* target, IDirect3DPixelShader9* ps, IDirect3DTexture9* texture,
              const float (&c0)[4])
    {
        ASSERT_EQ(device_->SetRenderTarget(0, target), D3D_OK);
        device_->SetPixelShaderConstantF(0, c0, 1);
        drawQuad(ps, texture);
    }
};

// Each Direct3D address mode with its counterpart in the CPU reference.
class AddressModes : public Sampling,
                     public ::testing::WithParamInterface<std::pair<DWORD, swk::tools::Addressing>>
{
};

TEST_P(AddressModes, BilinearMatchesDirect3DFilteringBeyondTheEdges)
{
    const auto [mode, reference] = GetParam();
    const int size = 16;
    std::mt19937 random(7);
    std::vector<uint16_t> texels(size * size);
    for (auto& t : texels)
        t = uint16_t(random());
    auto noise = dynamicTexture(size, size, D3DFMT_L16, texels.data(), size * 2);
    swk::tools::HeightField field{size, size, {}};
    for (uint16_t t : texels)
        field.values.push_back(t / 65535.0);

    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, mode);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, mode);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);

    const UINT out = 64;
    auto surface = level(renderTarget(out, out, D3DFMT_A32B32G32R32F).get());
    const float scale[4] = {-1.0f, -1.0f, 0.0f, 3.0f};
    draw(surface.get(), pixelShader(kSampleShader).get(), noise.get(), scale);
    const Pixels p = read(surface.get());

    // Hardware filters with a few bits of sub-texel precision; half a texel
    // off or a wrong address mode is off by far more.
    const double tolerance = 2e-3;
    for (UINT j = 0; j < out; ++j)
        for (UINT i = 0; i < out; ++i)
        {
            const float u = float(i) / out * 3.0f - 1.0f;
            const float v = float(j) / out * 3.0f - 1.0f;
            const double expected = swk::tools::SampleBilinear(field, u, v, reference);
            ASSERT_NEAR(p.at<float>(i, j, 0), expected, tolerance) << i << "," << j;
            ASSERT_EQ(p.at<float>(i, j, 1), p.at<float>(i, j, 0));
            ASSERT_EQ(p.at<float>(i, j, 3), 1.0f);
        }
}

INSTANTIATE_TEST_SUITE_P(
    Direct3D, AddressModes,
    ::testing::Values(std::pair(DWORD(D3DTADDRESS_WRAP), swk::tools::Addressing::Wrap),
                      std::pair(DWORD(D3DTADDRESS_MIRROR), swk::tools::Addressing::Mirror),
                      std::pair(DWORD(D3DTADDRESS_CLAMP), swk::tools::Addressing::Clamp)));

TEST_F(Sampling, LuminanceFormatsReadAsGreyWithOpaqueAlpha)
{
    const int size = 8;
    const std::vector<uint16_t> wide = {0, 1, 255, 256, 32768, 65280, 65534, 65535};
    const std::vector<uint8_t> narrow = {0, 1, 27, 128, 129, 229, 254, 255};
    auto l16 = dynamicTexture(size, 1, D3DFMT_L16, wide.data(), size * 2);
    auto l8 = dynamicTexture(size, 1, D3DFMT_L8, narrow.data(), size);

    auto surface = level(renderTarget(size, 1, D3DFMT_A32B32G32R32F).get());
    const float centres[4] = {0.5f / size, 0.5f, 0.0f, 1.0f};
    for (auto* texture : {l16.get(), l8.get()})
    {
        draw(surface.get(), pixelShader(kSampleShader).get(), texture, centres);
        const Pixels p = read(surface.get());
        for (int i = 0; i < size; ++i)
        {
            const double expected = texture == l16.get() ? wide[i] / 65535.0 : narrow[i] / 255.0;
            EXPECT_NEAR(p.at<float>(i, 0, 0), expected, 1e-6) << i;
            for (UINT c = 1; c < 4; ++c)
                EXPECT_EQ(p.at<float>(i, 0, c), c == 3 ? 1.0f : p.at<float>(i, 0, 0)) << i;
        }
    }
}

TEST_F(Sampling, AutomaticMipLevelsAreBoxFilteredLevelZero)
{
    // Not square, so that the lower levels are one texel high.
    const UINT w = 64, h = 16;
    auto texture =
        renderTarget(w, h, D3DFMT_A16B16G16R16, 0, D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP);
    ASSERT_TRUE(texture);
    // Only the top level is the application's.
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    ComPtr<IDirect3DSurface9> hidden;
    EXPECT_EQ(texture->GetSurfaceLevel(1, hidden.out()), D3DERR_INVALIDCALL);

    auto top = level(texture.get());
    auto pattern = pixelShader(R"(#version 450
layout(location = 0) in vec2 t;
layout(location = 0) out vec4 color;
void main()
{
    color = vec4(fract(t.x * 7.3 + t.y * 2.1), t.y, 0.5 + 0.5 * sin(40.0 * t.x * t.y), 1.0 - t.x);
}
)");
    const float unused[4] = {};
    draw(top.get(), pattern.get(), nullptr, unused);
    const Pixels base = read(top.get());

    // Level k's texel is the mean of the level-0 block it covers: a box
    // filter halving each side, a side already at 1 left alone.
    auto side = [](UINT size, UINT k) { return std::max(size >> k, 1u); };
    auto reference = [&](UINT k, UINT x, UINT y, UINT c)
    {
        const UINT bw = w / side(w, k), bh = h / side(h, k);
        double sum = 0;
        for (UINT i = 0; i < bw * bh; ++i)
            sum += base.at<uint16_t>(x * bw + i % bw, y * bh + i / bw, c);
        return sum / (bw * bh) / 65535;
    };

    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    auto ps = pixelShader(kSampleShader);
    // Each level rounds to 16 bits once; the chain may gather a few units.
    const double tolerance = 4.0 / 65535;
    for (UINT k = 1; side(w, k - 1) > 1; ++k)
    {
        const UINT s = side(w, k), t = side(h, k);
        auto outSurface = level(renderTarget(s, t, D3DFMT_A32B32G32R32F).get());
        const float c0[4] = {0.5f / s, 0.5f / t, float(k), 1.0f};
        draw(outSurface.get(), ps.get(), texture.get(), c0);
        const Pixels p = read(outSurface.get());
        for (UINT i = 0; i < s * t * 4; ++i)
            ASSERT_NEAR(p.at<float>(i / 4 % s, i / 4 / s, i % 4),
                        reference(k, i / 4 % s, i / 4 / s, i % 4), tolerance)
                << "level " << k << " texel " << i / 4 << " channel " << i % 4;
    }

    // Rendering to the top level again brings the chain up to date before the
    // next sampling.
    ASSERT_EQ(device_->SetRenderTarget(0, top.get()), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff336699, 1.0f, 0), D3D_OK);
    auto outSurface = level(renderTarget(4, 1, D3DFMT_A32B32G32R32F).get());
    const float c0[4] = {0.125f, 0.5f, 4.0f, 1.0f};
    draw(outSurface.get(), ps.get(), texture.get(), c0);
    const Pixels p = read(outSurface.get());
    EXPECT_NEAR(p.at<float>(3, 0, 0), 0x33 / 255.0, tolerance);
    EXPECT_NEAR(p.at<float>(3, 0, 2), 0x99 / 255.0, tolerance);
}

} // namespace
} // namespace swk::test
