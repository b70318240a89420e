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

// Every technique draws into the same 16-bit target.
constexpr UINT kWidth = 64, kHeight = 48;

// The whole target as a strip of two triangles: position and texture coordinates.
const float kQuad[4][5] = {{-1, 1, 0, 0, 0}, {1, 1, 0, 1, 0}, {-1, -1, 0, 0, 1}, {1, -1, 0, 1, 1}};

// A single-channel texture as its 16-bit texels give it to the sampler.
HeightField Luminance(unsigned seed, UINT w = kWidth, UINT h = kHeight)
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
        d3d_ = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
        ASSERT_NE(d3d_.get(), nullptr);
        D3DPRESENT_PARAMETERS pp = presentation(64, 64, D3DFMT_X8R8G8B8);
        ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device_.out()),
                  D3D_OK);
        ASSERT_EQ(device_->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_RENDERTARGET,
                                         D3DFMT_A16B16G16R16, D3DPOOL_DEFAULT, target_.out(),
                                         nullptr),
                  D3D_OK);
        ComPtr<IDirect3DSurface9> surface;
        ASSERT_EQ(target_->GetSurfaceLevel(0, surface.out()), D3D_OK);
        ASSERT_EQ(device_->SetRenderTarget(0, surface.get()), D3D_OK);
        ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff7f7f7f, 1.0f, 0), D3D_OK);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_ZENABLE, FALSE);
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

    // The largest difference of the target's RGB, read in [0, 1], from the
    // expected; an alpha other than exactly 1 counts as the whole range.
    double worstError(const std::function<std::array<double, 3>(UINT, UINT)>& expected)
    {
        std::vector<float> rgba;
        swk::tools::MapReadback(device_.get(), target_.get()).read(target_.get(), 4, &rgba);
        EXPECT_EQ(rgba.size(), size_t(kWidth) * kHeight * 4);
        double worst = 0;
        for (size_t i = 0; i < rgba.size(); i += 4)
        {
            const auto e = expected(UINT(i / 4 % kWidth), UINT(i / 4 / kWidth));
            for (size_t c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(rgba[i + c] - e[c]));
            worst = rgba[i + 3] == 1.0f ? worst : 1.0;
        }
        return worst;
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
    ComPtr<IDirect3DTexture9> target_;
};

TEST_F(EffectPixels, HeightTechniqueAddsWrappedNoiseLayers)
{
    const HeightField n0 = Luminance(1, 128, 128), n1 = Luminance(2, 128, 128);
    ComPtr<ID3DXEffect> effect;
    ComPtr<IDirect3DTexture9> noise0, noise1;
    CreateEffect("HeightMap.fx", effect.out());
    NoiseTexture(n0, noise0.out());
    NoiseTexture(n1, noise1.out());
    ASSERT_FALSE(HasFatalFailure());
    Draw(effect.get(), "T1X",
         [&](ID3DXEffect* e)
         {
             e->SetTexture("Noise0", noise0.get());
             e->SetTexture("Noise1", noise1.get());
         });

    // Luminance reads with alpha 1: 1 + 1 - 0.5 clamps to 1.
    EXPECT_LT(worstError(
                  [&](UINT x, UINT y)
                  {
                      const double u = double(x) / kWidth, v = double(y) / kHeight;
                      const double e =
                          std::clamp(SampleBilinear(n0, u, v, Addressing::Wrap) +
                                         SampleBilinear(n1, 16 * u, 16 * v, Addressing::Wrap) - 0.5,
                                     0.0, 1.0);
                      return std::array{e, e, e};
                  }),
              kTolerance);
}

TEST_F(EffectPixels, NormalTechniquesFollowTheHeightsOrTheVertexNormals)
{
    ComPtr<ID3DXEffect> effect;
    CreateEffect("NormalMap.fx", effect.out());
    ASSERT_FALSE(HasFatalFailure());

    const HeightField flat{int(kWidth), int(kHeight),
                           std::vector<double>(size_t(kWidth) * kHeight, 40000 / 65535.0)};
    // Heights and normal strength.
    const std::pair<HeightField, float> cases[] = {
        {flat, 1.0f}, {Luminance(3), 1.0f}, {Luminance(4), 0.25f}};
    for (const auto& c : cases)
    {
        ComPtr<IDirect3DTexture9> height;
        NoiseTexture(c.first, height.out());
        ASSERT_FALSE(HasFatalFailure());
        Draw(effect.get(), "T20",
             [&](ID3DXEffect* e)
             {
                 e->SetFloat("fInvMapWidth", 1.0f / float(kWidth));
                 e->SetFloat("fInvMapHeight", 1.0f / float(kHeight));
                 e->SetFloat("fNormalStrength", c.second);
                 e->SetTexture("HeightMap", height.get());
             });
        EXPECT_LT(worstError(
                      [&](UINT x, UINT y)
                      {
                          auto n = swk::tools::SurfaceNormal(c.first, int(x), int(y),
                                                             Addressing::Mirror, c.second);
                          for (double& k : n)
                              k = (k + 1) / 2;
                          return n;
                      }),
                  kTolerance)
            << "strength " << c.second;
    }
    // A flat field faces straight up: the reference itself is anchored.
    EXPECT_EQ(swk::tools::SurfaceNormal(flat, 0, 0, Addressing::Mirror, 1.0f),
              (std::array<double, 3>{0, 0, 1}));

    // The grid's technique: normals run from x = -1 on the left edge to x = 1
    // on the right, so the red channel interpolates to u.
    const float strip[4][8] = {{0, 0, 0, -1, -1, 0.5f, 0, 0},
                               {0, 0, 0, -1, -1, 0.5f, 0, 1},
                               {0, 0, 0, 1, -1, 0.5f, 1, 0},
                               {0, 0, 0, 1, -1, 0.5f, 1, 1}};
    Draw(
        effect.get(), "T10", [](ID3DXEffect* e) { e->SetTexture("HeightMap", nullptr); }, strip[0],
        sizeof strip[0], D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_LT(worstError(
                  [&](UINT x, UINT) {
                      return std::array{double(x) / kWidth, 0.0, 0.75};
                  }),
              kTolerance);
}

} // namespace
