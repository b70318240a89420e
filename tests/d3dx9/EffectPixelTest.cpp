// The generator's techniques drawn on our Vulkan device, checked pixel by
// pixel against the arithmetic of the effect sources evaluated on the CPU with
// Direct3D 9 bilinear sampling (texel centres at (i + 0.5) / size).
#include "EffectTestSupport.h"
#include "Presentation.h"

#include <common/MapReadback.h>
#include <common/SurfaceNormal.h>
#include <swk/Com.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>

namespace
{

using namespace swk::test;
using swk::ComPtr;
using swk::tools::Addressing;
using swk::tools::HeightField;
using swk::tools::SampleBilinear;

// 16-bit results: a few units in the last place for filtering and arithmetic
// in 32-bit float, far below the 0.5 a misplaced texel centre would give.
constexpr double kTolerance = 2e-4;

// The whole target as a strip of two triangles: position and texture coordinates.
const float kQuad[4][5] = {{-1, 1, 0, 0, 0}, {1, 1, 0, 1, 0}, {-1, -1, 0, 0, 1}, {1, -1, 0, 1, 1}};

// A single-channel texture as its 16-bit texels give it to the sampler.
HeightField Luminance(UINT w, UINT h, unsigned seed)
{
    std::mt19937 random(seed);
    HeightField l{int(w), int(h), std::vector<double>(size_t(w) * h)};
    for (double& t : l.values)
        t = (random() & 0xffff) / 65535.0;
    return l;
}

class EffectPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        d3d_ = ComPtr<IDirect3D9>::Adopt(Direct3DCreate9(D3D_SDK_VERSION));
        ASSERT_NE(d3d_.get(), nullptr);
        D3DPRESENT_PARAMETERS pp = presentation(64, 64, D3DFMT_X8R8G8B8);
        ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device_.out()),
                  D3D_OK);
    }

    void CreateEffect(const char* file, ID3DXEffect** effect)
    {
        const std::string src = ReadEffectSource(file);
        ID3DXBuffer* messages = nullptr;
        ASSERT_EQ(D3DXCreateEffect(device_.get(), src.data(), UINT(src.size()), nullptr, nullptr,
                                   D3DXSHADER_NO_PRESHADER, nullptr, effect, &messages),
                  D3D_OK);
        ASSERT_EQ(messages, nullptr);
    }

    void NoiseTexture(const HeightField& l, IDirect3DTexture9** texture)
    {
        ASSERT_EQ(device_->CreateTexture(l.width, l.height, 1, D3DUSAGE_DYNAMIC, D3DFMT_L16,
                                         D3DPOOL_DEFAULT, texture, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ((*texture)->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
        for (int y = 0; y < l.height; ++y)
            for (int x = 0; x < l.width; ++x)
                reinterpret_cast<uint16_t*>(static_cast<char*>(locked.pBits) +
                                            y * size_t(locked.Pitch))[x] =
                    uint16_t(std::lround(l.at(x, y) * 65535));
        ASSERT_EQ((*texture)->UnlockRect(0), D3D_OK);
    }

    void Target(UINT w, UINT h, IDirect3DTexture9** texture)
    {
        ASSERT_EQ(device_->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16,
                                         D3DPOOL_DEFAULT, texture, nullptr),
                  D3D_OK);
        ComPtr<IDirect3DSurface9> surface;
        ASSERT_EQ((*texture)->GetSurfaceLevel(0, surface.out()), D3D_OK);
        ASSERT_EQ(device_->SetRenderTarget(0, surface.get()), D3D_OK);
        ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff7f7f7f, 1.0f, 0), D3D_OK);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_ZENABLE, FALSE);
    }

    // RGBA per pixel, scaled to [0, 1].
    std::vector<std::array<double, 4>> Read(IDirect3DTexture9* texture)
    {
        std::vector<float> rgba;
        swk::tools::MapReadback(device_.get(), texture).read(texture, 4, &rgba);
        std::vector<std::array<double, 4>> pixels(rgba.size() / 4);
        for (size_t i = 0; i < rgba.size(); ++i)
            pixels[i / 4][i % 4] = rgba[i];
        return pixels;
    }

    // As the generator draws: parameters set inside the pass, then committed.
    void Draw(ID3DXEffect* effect, const char* technique,
              const std::function<void(ID3DXEffect*)>& setParameters, const float* strip = kQuad[0],
              UINT stride = sizeof kQuad[0], DWORD fvf = D3DFVF_XYZ | D3DFVF_TEX1)
    {
        device_->SetFVF(fvf);
        ASSERT_EQ(device_->BeginScene(), D3D_OK);
        ASSERT_EQ(effect->SetTechnique(technique), D3D_OK);
        ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
        ASSERT_EQ(effect->BeginPass(0), D3D_OK);
        setParameters(effect);
        ASSERT_EQ(effect->CommitChanges(), D3D_OK);
        ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, stride), D3D_OK);
        ASSERT_EQ(effect->EndPass(), D3D_OK);
        ASSERT_EQ(effect->End(), D3D_OK);
        ASSERT_EQ(device_->EndScene(), D3D_OK);
    }

    ComPtr<IDirect3D9> d3d_;
    ComPtr<IDirect3DDevice9> device_;
};

TEST_F(EffectPixels, HeightTechniqueAddsWrappedNoiseLayers)
{
    const UINT w = 64, h = 48;
    const HeightField n0 = Luminance(128, 128, 1), n1 = Luminance(128, 128, 2);
    ComPtr<ID3DXEffect> effect;
    ComPtr<IDirect3DTexture9> noise0, noise1, target;
    CreateEffect("HeightMap.fx", effect.out());
    NoiseTexture(n0, noise0.out());
    NoiseTexture(n1, noise1.out());
    Target(w, h, target.out());
    ASSERT_FALSE(HasFatalFailure());
    Draw(effect.get(), "T1X",
         [&](ID3DXEffect* e)
         {
             e->SetTexture("Noise0", noise0.get());
             e->SetTexture("Noise1", noise1.get());
         });

    const auto pixels = Read(target.get());
    double worst = 0;
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
        {
            const double u = double(x) / w, v = double(y) / h;
            const double sum = SampleBilinear(n0, u, v, Addressing::Wrap) +
                               SampleBilinear(n1, 16 * u, 16 * v, Addressing::Wrap) - 0.5;
            const double expected = std::clamp(sum, 0.0, 1.0);
            const auto& p = pixels[y * w + x];
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(p[size_t(c)] - expected));
            // Luminance reads with alpha 1: 1 + 1 - 0.5 clamps to 1.
            ASSERT_EQ(p[3], 1.0) << x << "," << y;
        }
    EXPECT_LT(worst, kTolerance);
}

TEST_F(EffectPixels, NormalTechniqueFollowsTheHeightsIncludingTheMirroredBorder)
{
    const UINT w = 64, h = 48;
    ComPtr<ID3DXEffect> effect;
    ComPtr<IDirect3DTexture9> target;
    CreateEffect("NormalMap.fx", effect.out());
    Target(w, h, target.out());
    ASSERT_FALSE(HasFatalFailure());

    struct Case
    {
        HeightField height;
        float strength;
    };
    const HeightField flat{int(w), int(h), std::vector<double>(size_t(w) * h, 40000 / 65535.0)};
    const Case cases[] = {{flat, 1.0f}, {Luminance(w, h, 3), 1.0f}, {Luminance(w, h, 4), 0.25f}};
    for (const Case& c : cases)
    {
        ComPtr<IDirect3DTexture9> height;
        NoiseTexture(c.height, height.out());
        ASSERT_FALSE(HasFatalFailure());
        Draw(effect.get(), "T20",
             [&](ID3DXEffect* e)
             {
                 e->SetFloat("fInvMapWidth", 1.0f / float(w));
                 e->SetFloat("fInvMapHeight", 1.0f / float(h));
                 e->SetFloat("fNormalStrength", c.strength);
                 e->SetTexture("HeightMap", height.get());
             });
        const auto pixels = Read(target.get());
        double worst = 0;
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x)
            {
                const auto n = swk::tools::SurfaceNormal(c.height, int(x), int(y),
                                                         Addressing::Mirror, c.strength);
                for (size_t k = 0; k < 3; ++k)
                    worst = std::max(worst, std::abs(pixels[y * w + x][k] - (n[k] + 1) / 2));
                ASSERT_EQ(pixels[y * w + x][3], 1.0) << x << "," << y;
            }
        EXPECT_LT(worst, kTolerance) << "strength " << c.strength;
        if (&c == &cases[0])
        {
            EXPECT_NEAR(pixels[0][0], 0.5, kTolerance);
            EXPECT_NEAR(pixels[w * h - 1][2], 1.0, kTolerance);
        }
    }
}

TEST_F(EffectPixels, VertexNormalTechniqueWritesNormalsAsColours)
{
    const UINT w = 32, h = 32;
    ComPtr<ID3DXEffect> effect;
    ComPtr<IDirect3DTexture9> target;
    CreateEffect("NormalMap.fx", effect.out());
    Target(w, h, target.out());
    ASSERT_FALSE(HasFatalFailure());
    // Normals run from x = -1 on the left edge to x = 1 on the right, so the
    // red channel interpolates to u.
    const float strip[4][8] = {{0, 0, 0, -1, -1, 0.5f, 0, 0},
                               {0, 0, 0, -1, -1, 0.5f, 0, 1},
                               {0, 0, 0, 1, -1, 0.5f, 1, 0},
                               {0, 0, 0, 1, -1, 0.5f, 1, 1}};
    Draw(
        effect.get(), "T10", [](ID3DXEffect* e) { e->SetTexture("HeightMap", nullptr); }, strip[0],
        sizeof strip[0], D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    const auto pixels = Read(target.get());
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
        {
            const double expected[4] = {double(x) / w, 0.0, 0.75, 1.0};
            for (size_t c = 0; c < 4; ++c)
                ASSERT_NEAR(pixels[y * w + x][c], expected[c], kTolerance) << x << "," << y;
        }
}

} // namespace
