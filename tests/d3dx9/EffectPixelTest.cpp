// The generator's techniques drawn on our Vulkan device, checked pixel by
// pixel against the arithmetic of the effect sources evaluated on the CPU with
// Direct3D 9 bilinear sampling (texel centres at (i + 0.5) / size).
#include "EffectTestSupport.h"

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

// 16-bit results: a few units in the last place for filtering and arithmetic
// in 32-bit float, far below the 0.5 a misplaced texel centre would give.
constexpr double kTolerance = 2e-4;

struct QuadVertex
{
    float x, y, z, u, v;
};
struct GridVertex
{
    float x, y, z, nx, ny, nz, u, v;
};

enum class Address
{
    Wrap,
    Mirror
};

// A single-channel texture as Direct3D 9 samples it bilinearly, top level only.
struct Luminance
{
    UINT width, height;
    std::vector<uint16_t> texels;

    double Texel(long x, long y, Address a) const
    {
        auto fold = [a](long i, long n)
        {
            if (a == Address::Wrap)
                return ((i % n) + n) % n;
            const long period = ((i % (2 * n)) + 2 * n) % (2 * n);
            return period < n ? period : 2 * n - 1 - period;
        };
        return texels[size_t(fold(y, height)) * width + size_t(fold(x, width))] / 65535.0;
    }
    double Sample(double u, double v, Address a) const
    {
        const double x = u * width - 0.5, y = v * height - 0.5;
        const double fx = x - std::floor(x), fy = y - std::floor(y);
        const long x0 = long(std::floor(x)), y0 = long(std::floor(y));
        return (1 - fy) * ((1 - fx) * Texel(x0, y0, a) + fx * Texel(x0 + 1, y0, a)) +
               fy * ((1 - fx) * Texel(x0, y0 + 1, a) + fx * Texel(x0 + 1, y0 + 1, a));
    }
};

class EffectPixels : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { d3d_ = Direct3DCreate9(D3D_SDK_VERSION); }
    static void TearDownTestSuite()
    {
        if (d3d_)
            d3d_->Release();
        d3d_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(d3d_, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
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

    void NoiseTexture(const Luminance& l, IDirect3DTexture9** texture)
    {
        ASSERT_EQ(device_->CreateTexture(l.width, l.height, 1, D3DUSAGE_DYNAMIC, D3DFMT_L16,
                                         D3DPOOL_DEFAULT, texture, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ((*texture)->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
        for (UINT y = 0; y < l.height; ++y)
            std::memcpy(static_cast<char*>(locked.pBits) + y * size_t(locked.Pitch),
                        &l.texels[y * l.width], l.width * 2);
        ASSERT_EQ((*texture)->UnlockRect(0), D3D_OK);
    }

    static Luminance RandomLuminance(UINT w, UINT h, unsigned seed)
    {
        std::mt19937 random(seed);
        Luminance l{w, h, std::vector<uint16_t>(size_t(w) * h)};
        for (uint16_t& t : l.texels)
            t = uint16_t(random() & 0xffff);
        return l;
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
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        ComPtr<IDirect3DSurface9> level, copy;
        texture->GetSurfaceLevel(0, level.out());
        EXPECT_EQ(device_->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                       D3DPOOL_SYSTEMMEM, copy.out(), nullptr),
                  D3D_OK);
        EXPECT_EQ(device_->GetRenderTargetData(level.get(), copy.get()), D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<std::array<double, 4>> pixels(size_t(desc.Width) * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y)
        {
            const auto* row = reinterpret_cast<const uint16_t*>(
                static_cast<const char*>(locked.pBits) + y * size_t(locked.Pitch));
            for (UINT x = 0; x < desc.Width; ++x)
                for (int c = 0; c < 4; ++c)
                    pixels[y * size_t(desc.Width) + x][size_t(c)] = row[x * 4 + c] / 65535.0;
        }
        copy->UnlockRect();
        return pixels;
    }

    void DrawQuad(ID3DXEffect* effect, const char* technique,
                  const std::function<void(ID3DXEffect*)>& setParameters)
    {
        static const QuadVertex quad[6] = {{-1, 1, 0, 0, 0},  {1, 1, 0, 1, 0}, {-1, -1, 0, 0, 1},
                                           {-1, -1, 0, 0, 1}, {1, 1, 0, 1, 0}, {1, -1, 0, 1, 1}};
        device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
        Run(effect, technique, setParameters,
            [this]
            { return device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]); });
    }

    // As the generator draws: parameters set inside the pass, then committed.
    void Run(ID3DXEffect* effect, const char* technique,
             const std::function<void(ID3DXEffect*)>& setParameters,
             const std::function<HRESULT()>& draw)
    {
        ASSERT_EQ(device_->BeginScene(), D3D_OK);
        ASSERT_EQ(effect->SetTechnique(technique), D3D_OK);
        ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
        ASSERT_EQ(effect->BeginPass(0), D3D_OK);
        setParameters(effect);
        ASSERT_EQ(effect->CommitChanges(), D3D_OK);
        ASSERT_EQ(draw(), D3D_OK);
        ASSERT_EQ(effect->EndPass(), D3D_OK);
        ASSERT_EQ(effect->End(), D3D_OK);
        ASSERT_EQ(device_->EndScene(), D3D_OK);
    }

    static IDirect3D9* d3d_;
    ComPtr<IDirect3DDevice9> device_;
};

IDirect3D9* EffectPixels::d3d_ = nullptr;

TEST_F(EffectPixels, HeightTechniqueAddsWrappedNoiseLayers)
{
    const UINT w = 64, h = 48;
    const Luminance n0 = RandomLuminance(128, 128, 1), n1 = RandomLuminance(128, 128, 2);
    ComPtr<ID3DXEffect> effect;
    ComPtr<IDirect3DTexture9> noise0, noise1, target;
    CreateEffect("HeightMap.fx", effect.out());
    NoiseTexture(n0, noise0.out());
    NoiseTexture(n1, noise1.out());
    Target(w, h, target.out());
    ASSERT_FALSE(HasFatalFailure());
    DrawQuad(effect.get(), "T1X",
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
            const double sum =
                n0.Sample(u, v, Address::Wrap) + n1.Sample(16 * u, 16 * v, Address::Wrap) - 0.5;
            const double expected = std::clamp(sum, 0.0, 1.0);
            const auto& p = pixels[y * w + x];
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(p[size_t(c)] - expected));
            // Luminance reads with alpha 1: 1 + 1 - 0.5 clamps to 1.
            ASSERT_EQ(p[3], 1.0) << x << "," << y;
        }
    EXPECT_LT(worst, kTolerance);
}

// The normal technique's arithmetic, with the sampling the effect asks for.
std::array<double, 4> ExpectedNormal(const Luminance& height, UINT x, UINT y, float strength)
{
    const float invW = 1.0f / float(height.width), invH = 1.0f / float(height.height);
    const double dx = double(invW * 2.5f), dy = double(invH * 2.5f);
    const double u = double(x) / height.width, v = double(y) / height.height;
    const double tu[5] = {u, u - dx, u, u + dx, u};
    const double tv[5] = {v, v, v - dy, v, v + dy};
    double e[5][3];
    const double p0 = height.Sample(u, v, Address::Mirror);
    for (int k = 1; k < 5; ++k)
    {
        e[k][0] = tu[k] - u;
        e[k][1] = tv[k] - v;
        e[k][2] = height.Sample(tu[k], tv[k], Address::Mirror) - p0;
    }
    double n[3] = {0, 0, 0};
    for (int k = 1; k < 5; ++k)
    {
        const double* a = e[k];
        const double* b = e[k == 4 ? 1 : k + 1];
        n[0] += a[1] * b[2] - a[2] * b[1];
        n[1] += a[2] * b[0] - a[0] * b[2];
        n[2] += a[0] * b[1] - a[1] * b[0];
    }
    n[0] *= strength;
    n[1] *= strength;
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return {(n[0] / length + 1) / 2, (n[1] / length + 1) / 2, (n[2] / length + 1) / 2, 1.0};
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
        Luminance height;
        float strength;
    };
    Luminance flat{w, h, std::vector<uint16_t>(size_t(w) * h, 40000)};
    const Case cases[] = {
        {flat, 1.0f}, {RandomLuminance(w, h, 3), 1.0f}, {RandomLuminance(w, h, 4), 0.25f}};
    for (const Case& c : cases)
    {
        ComPtr<IDirect3DTexture9> height;
        NoiseTexture(c.height, height.out());
        ASSERT_FALSE(HasFatalFailure());
        DrawQuad(effect.get(), "T20",
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
                const auto expected = ExpectedNormal(c.height, x, y, c.strength);
                for (size_t k = 0; k < 4; ++k)
                    worst = std::max(worst, std::abs(pixels[y * w + x][k] - expected[k]));
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
    const GridVertex strip[4] = {{0, 0, 0, -1, -1, 0.5f, 0, 0},
                                 {0, 0, 0, -1, -1, 0.5f, 0, 1},
                                 {0, 0, 0, 1, -1, 0.5f, 1, 0},
                                 {0, 0, 0, 1, -1, 0.5f, 1, 1}};
    device_->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    Run(
        effect.get(), "T10", [](ID3DXEffect* e) { e->SetTexture("HeightMap", nullptr); },
        [&] { return device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof strip[0]); });
    const auto pixels = Read(target.get());
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
        {
            const auto& p = pixels[y * w + x];
            ASSERT_NEAR(p[0], double(x) / w, kTolerance) << x << "," << y;
            ASSERT_NEAR(p[1], 0.0, kTolerance) << x << "," << y;
            ASSERT_NEAR(p[2], 0.75, kTolerance) << x << "," << y;
            ASSERT_NEAR(p[3], 1.0, kTolerance) << x << "," << y;
        }
}

} // namespace
