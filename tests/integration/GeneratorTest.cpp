// The generator on a host's Direct3D 9 device over Vulkan, one device class per
// path, with the format fallbacks: the maps read back from the device follow
// what the generator computed on the CPU for the same frame (worked out under
// Direct3D 9's sampling rules: texel centres at (i + 0.5) / size, pixel (x, y)
// of a full-target quad drawn with u = x / width, v = y / height), none of the
// passes draws into the host's target, device losses over and over leave
// nothing behind, and the heap stops growing once the first frames are drawn.
// SWK_SOAK_CYCLES sets the number of loss cycles (1,000 for the long run).
// That the host's target, depth buffer and viewport come back, the clock and
// the release protocol are the recording device's suite's to check.
#include <MapImage.h>
#include <Presentation.h>
#include <WaveGeneratorProbe.h>
#include <common/SurfaceNormal.h>

#include <Brantholm.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <swk/Com.h>
#include <swk/DeviceOptions.h>
#include <swk/ModuleRegistry.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

using swk::ComPtr;
using Colour = std::array<double, 3>;
// Bilinear sampling and the per-pixel normal arithmetic are the bake tool's.
using namespace swk::tools;

struct DeviceClass
{
    const char* name;
    DWORD pixelShaderVersion;
    std::vector<SWK_REFUSED_FORMAT> refused;

    bool Refuses(D3DFORMAT format, DWORD usage) const
    {
        return std::any_of(refused.begin(), refused.end(),
                           [&](const SWK_REFUSED_FORMAT& r)
                           { return r.Format == format && (r.Usage == 0 || (r.Usage & usage)); });
    }
    // Pixel shader 2.0 draws both maps per pixel; the others draw the normal
    // map from a grid, without pixel shaders through fixed-function colours.
    bool PerPixel() const { return pixelShaderVersion >= D3DPS_VERSION(2, 0); }
    bool FixedFunction() const { return pixelShaderVersion < D3DPS_VERSION(1, 1); }
};

// A layer as the upload stores it (L16, or L8 when eightBit) and the sampler
// reads it back, in [0, 1].
HeightField NoiseTexture(const int (&layer)[128][128], bool eightBit)
{
    HeightField noise{128, 128, std::vector<double>(128 * 128)};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
        {
            const int v = layer[y][x];
            // The integer quotient truncates toward zero; the texel keeps the low bits.
            noise.values[size_t(y) * 128 + size_t(x)] =
                eightBit ? ((v / 256 + 128) & 0xFF) / 255.0 : ((v + 32768) & 0xFFFF) / 65535.0;
        }
    return noise;
}

// The spacing of a map's values: 16-bit integers, or bytes where the device
// refuses those; the checks of the per-pixel maps fail any other format.
double FormatStep(D3DFORMAT format)
{
    return format == D3DFMT_A16B16G16R16 ? 1.0 / 65535 : 1.0 / 255;
}

// The largest difference seen, and where.
struct Worst
{
    double error = 0;
    int x = -1;
    int y = -1;
};

std::ostream& operator<<(std::ostream& out, const Worst& worst)
{
    return out << worst.error << " at (" << worst.x << ", " << worst.y << ")";
}

// The largest difference between the colour channels of the texels in the
// first columns and rows of an image and the colour that expected(x, y) gives
// them; alpha is expected to be 1 where opaque.
template <typename Expected>
Worst Compare(const MapImage& image, int columns, int rows, bool opaque, Expected expected)
{
    Worst worst;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x)
        {
            const Colour colour = expected(x, y);
            const float* texel = &image.rgba[(size_t(y) * image.width + size_t(x)) * 4];
            for (int c = 0; c < 4; ++c)
            {
                const double e = std::abs(texel[c] - (c < 3 ? colour[size_t(c)] : 1.0));
                if ((c < 3 || opaque) && (e > worst.error || worst.x < 0))
                    worst = Worst{e, x, y};
            }
        }
    return worst;
}

class GeneratorTest : public ::testing::TestWithParam<DeviceClass>
{
protected:
    void SetUp() override
    {
        // The module draws its noise tables from rand() and never seeds it: the
        // same water in every test, whatever ran before.
        std::srand(1);
        CD3DWatch::SetReportSink(
            [this](const char* file, int line, const char* message) {
                reports_.push_back(std::string(file) + "(" + std::to_string(line) +
                                   "): " + message);
            });
        swk::win32::SetMessageBoxSink(
            [this](HWND, const char* text, const char* caption, UINT)
            {
                reports_.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
                return IDOK;
            });
    }

    // Expects that nothing was reported and that no reference handed out
    // through the engine support library is left.
    void TearDown() override
    {
        generator_.reset();
        EXPECT_EQ(CD3DWatch::GetWatchedCount(), 0u) << "references left behind by the generator";
        for (const std::string& report : reports_)
            ADD_FAILURE() << report;
        CD3DWatch::ResetWatch();
        CD3DWatch::SetReportSink(nullptr);
        swk::win32::SetMessageBoxSink(nullptr);
        swk_.reset();
        device_.reset();
        d3d_.reset();
    }

    // Power-of-two sizes keep every sample of the passes on a whole, half or
    // quarter texel, which the tolerances of the checks rely on.
    void Start(int width, int height)
    {
        class_ = GetParam();
        SWK_DEVICE_OPTIONS options{};
        options.Size = sizeof options;
        options.Flags = SWK_OPTION_PIXELSHADERVERSION | SWK_OPTION_REFUSEDFORMATS;
        options.PixelShaderVersion = class_.pixelShaderVersion;
        options.RefusedFormatCount = UINT(class_.refused.size());
        options.pRefusedFormats = class_.refused.data();
        d3d_ = ComPtr<IDirect3D9>::adopt(SwkDirect3DCreate9(D3D_SDK_VERSION, &options));
        ASSERT_TRUE(d3d_) << "no Vulkan device for Direct3D 9";
        D3DPRESENT_PARAMETERS pp = swk::test::presentation(64, 64, D3DFMT_X8R8G8B8, true);
        ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device_.out()),
                  D3D_OK);
        ASSERT_EQ(device_->QueryInterface(IID_ISwkDevice9, reinterpret_cast<void**>(swk_.out())),
                  D3D_OK);
        generator_ = std::make_unique<CWaveGenerator>(device_.get(), width, height);
    }

    void Animate(int frames)
    {
        for (int i = 0; i < frames; ++i)
            generator_->Update(33);
    }

    MapImage Read(IDirect3DTexture9* texture)
    {
        MapImage image;
        std::string why;
        EXPECT_TRUE(ReadBack(device_.get(), texture, &image, &why)) << why;
        return image;
    }

    DeviceClass class_;
    ComPtr<IDirect3D9> d3d_;
    ComPtr<IDirect3DDevice9> device_;
    ComPtr<ISwkDevice9> swk_;
    std::unique_ptr<CWaveGenerator> generator_;
    std::vector<std::string> reports_;

    // Checks both maps against the generator's layers, grid normals and
    // formats for the frame it drew last.
    void ExpectMapsOfLastFrame()
    {
        const CWaveGenerator& g = *generator_;
        if (!class_.PerPixel())
            return ExpectGridNormalMap();
        ASSERT_TRUE(g.GetHeightMap() && g.GetNormalMap());
        const MapImage heights = Read(g.GetHeightMap());
        const MapImage normals = Read(g.GetNormalMap());
        ASSERT_FALSE(HasFailure());
        const D3DFORMAT expectedFormat = class_.Refuses(D3DFMT_A16B16G16R16, D3DUSAGE_RENDERTARGET)
                                             ? D3DFMT_A8R8G8B8
                                             : D3DFMT_A16B16G16R16;
        EXPECT_EQ(std::pair(heights.format, normals.format),
                  std::pair(expectedFormat, expectedFormat));
        const bool eightBit = CWaveGeneratorProbe::EightBitNoise(g);
        EXPECT_EQ(eightBit, class_.Refuses(D3DFMT_L16, D3DUSAGE_DYNAMIC));

        const auto& layers = CWaveGeneratorProbe::Layers(g);
        const HeightField noise0 = NoiseTexture(layers[0], eightBit);
        const HeightField noise1 = NoiseTexture(layers[1], eightBit);
        const int W = int(heights.width), H = int(heights.height);
        // Layer 0 spans the map once, layer 1 sixteen times each way.
        const Worst height =
            Compare(heights, W, H, false,
                    [&](int x, int y)
                    {
                        const double u = double(x) / W, v = double(y) / H;
                        const double h = std::clamp(
                            SampleBilinear(noise0, u, v, Addressing::Wrap) +
                                SampleBilinear(noise1, 16 * u, 16 * v, Addressing::Wrap) - 0.5,
                            0.0, 1.0);
                        return Colour{h, h, h};
                    });
        HeightField red{W, H, std::vector<double>(size_t(W) * H)};
        for (size_t i = 0; i < red.values.size(); ++i)
            red.values[i] = heights.rgba[i * 4];
        const Worst normal =
            Compare(normals, W, H, true,
                    [&](int x, int y)
                    {
                        const Colour n = SurfaceNormal(red, x, y, Addressing::Mirror);
                        return Colour{(n[0] + 1) / 2, (n[1] + 1) / 2, (n[2] + 1) / 2};
                    });
        // With power-of-two map sizes every sample falls on a whole, half or
        // quarter texel, where eight bits of sub-texel weight are exact. With
        // L16 noise what is left is the rounding of the stored height, half a
        // step of the map format. Lavapipe filters L8 in 8-bit fixed point and
        // rounds after each of a sample's two lerps, by up to half of 1/255:
        // 2/255 for the two samples.
        const double heightTolerance = FormatStep(heights.format) + (eightBit ? 2.0 / 255 : 0.0);
        EXPECT_LE(height.error, heightTolerance) << "height map, worst " << height;
        // The normal pass samples the very heights read back, with exact
        // weights; the shader's single-precision arithmetic and the rounding of
        // the stored colour stay within two steps of the map format.
        EXPECT_LE(normal.error, 2 * FormatStep(normals.format)) << "normal map, worst " << normal;
    }

private:
    void ExpectGridNormalMap()
    {
        const CWaveGenerator& g = *generator_;
        EXPECT_FALSE(g.GetHeightMap());
        ASSERT_TRUE(g.GetNormalMap());
        const MapImage normals = Read(g.GetNormalMap());
        ASSERT_FALSE(HasFailure());
        const int W = CWaveGeneratorProbe::GridWidth(g), H = CWaveGeneratorProbe::GridHeight(g);
        ASSERT_EQ(std::pair(int(normals.width), int(normals.height)), std::pair(W, H));
        // The texels of the last column but one are drawn by triangles that
        // reach into the last column, whose vertex normals no frame writes: the
        // buffer's fill puts the flat normal there, which the grid layout suite
        // checks.
        const int columns = class_.FixedFunction() ? W - 1 : W - 2;
        const D3DXVECTOR3* grid = CWaveGeneratorProbe::GridNormals(g);
        const Worst worst =
            Compare(normals, columns, H - 1, true,
                    [&](int x, int y)
                    {
                        const D3DXVECTOR3& n = grid[y * W + x];
                        // The fixed-function pass packs the single-precision normal into
                        // a vertex colour, truncating each byte; the vertex-normal
                        // technique writes (n + 1) / 2.
                        auto packed = [](float c) { return int((c + 1.0f) * 127.5f) / 255.0; };
                        if (class_.FixedFunction())
                            return Colour{packed(n.x), packed(n.y), packed(n.z)};
                        return Colour{(n.x + 1.0) / 2, (n.y + 1.0) / 2, (n.z + 1.0) / 2};
                    });
        // A grid point lies on its texel's centre, where the interpolated colour
        // is the vertex's own up to single-precision barycentrics; with the
        // rounding of the stored colour that stays within one step of the format.
        EXPECT_LE(worst.error, FormatStep(normals.format)) << "normal map, worst " << worst;
    }
};

const auto ClassName = [](const ::testing::TestParamInfo<DeviceClass>& info)
{ return std::string(info.param.name); };

const auto kPaths = ::testing::Values(DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
                                      DeviceClass{"PixelShader14", D3DPS_VERSION(1, 4), {}},
                                      DeviceClass{"NoPixelShader", 0, {}});

// The three wide render-target formats refused: the maps fall back to A8R8G8B8.
const std::vector<SWK_REFUSED_FORMAT> kNoWideTargets = {
    {D3DFMT_A16B16G16R16, D3DUSAGE_RENDERTARGET},
    {D3DFMT_A16B16G16R16F, D3DUSAGE_RENDERTARGET},
    {D3DFMT_A32B32G32R32F, D3DUSAGE_RENDERTARGET}};

using Maps = GeneratorTest;

TEST_P(Maps, FollowTheLastFrameAndLeaveTheHostsTargetAlone)
{
    Start(256, 128);
    ASSERT_FALSE(HasFatalFailure());
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

INSTANTIATE_TEST_SUITE_P(
    DeviceClasses, Maps,
    ::testing::Values(
        DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
        // Dynamic L16 textures refused: the noise falls back to L8.
        DeviceClass{"PixelShader20L8Noise", D3DPS_VERSION(2, 0), {{D3DFMT_L16, D3DUSAGE_DYNAMIC}}},
        DeviceClass{"PixelShader20ByteMaps", D3DPS_VERSION(2, 0), kNoWideTargets},
        DeviceClass{"PixelShader14", D3DPS_VERSION(1, 4), {}},
        DeviceClass{"PixelShader11ByteMaps", D3DPS_VERSION(1, 1), kNoWideTargets},
        DeviceClass{"PixelShader10", D3DPS_VERSION(1, 0), {}},
        DeviceClass{"NoPixelShaderByteMaps", 0, kNoWideTargets}),
    ClassName);

long ResidentKiB()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Device loss in the middle of an animation, as a host that runs for days meets
// it: the generator lets go of everything in the default pool so that Reset
// succeeds, the maps are right again after restoration, and once warmed up
// neither the process's memory nor the Vulkan objects the device holds grow.
using DeviceLoss = GeneratorTest;

TEST_P(DeviceLoss, SoakEveryResetSucceedsTheMapsComeBackAndNothingGrows)
{
    Start(128, 128);
    ASSERT_FALSE(HasFatalFailure());
    CWaveGenerator& g = *generator_;
    Animate(2);
    D3DPRESENT_PARAMETERS pp = swk::test::presentation(64, 64, D3DFMT_X8R8G8B8, true);
    const char* env = std::getenv("SWK_SOAK_CYCLES");
    const int cycles = env && std::atoi(env) > 0 ? std::atoi(env) : 16;
    const int warmUp = std::max(4, cycles / 10);
    long rssWarm = 0, objectsWarm = 0;
    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        if (cycle == warmUp)
        {
            rssWarm = ResidentKiB();
            objectsWarm = SwkLiveVulkanObjects();
        }
        // A host learns of most losses only at its next Present, so on every
        // other cycle one frame is drawn on a device that is already lost.
        if (cycle % 2)
        {
            ASSERT_EQ(swk_->LoseDevice(), D3D_OK);
            Animate(1);
            g.OnLostDevice();
        }
        else
        {
            g.OnLostDevice();
            ASSERT_EQ(swk_->LoseDevice(), D3D_OK);
        }
        Animate(2);
        ASSERT_EQ(swk_->MakeResettable(), D3D_OK);
        Animate(1);
        ASSERT_EQ(device_->Reset(&pp), D3D_OK) << "a default-pool resource outlived the loss";
        g.OnRestoreDevice();
        Animate(1 + cycle % 2);
        device_->Present(nullptr, nullptr, nullptr, nullptr);
        // Both orders of loss and frame, a few times over, and the last cycle.
        if (cycle < 5 || cycle == cycles - 1)
            ExpectMapsOfLastFrame();
    }
    const long rss = ResidentKiB(), objects = SwkLiveVulkanObjects();
    const int measured = cycles - warmUp;
    std::printf("soak %s: %d cycles after warm-up: RSS %ld -> %ld KiB (%+.1f KiB per cycle), "
                "Vulkan objects %ld -> %ld\n",
                GetParam().name, measured, rssWarm, rss, double(rss - rssWarm) / measured,
                objectsWarm, objects);
    EXPECT_EQ(objects, objectsWarm);
    // The driver's allocator may round up once or twice; a per-frame leak of
    // even a few kilobytes shows well above this. AddressSanitizer's quarantine
    // keeps freed memory resident, so under its runtime only the object count tells.
    if (!dlsym(RTLD_DEFAULT, "__asan_init"))
    {
        EXPECT_LE(rss - rssWarm, 2048 + 4 * measured) << "KiB of resident memory gained";
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, DeviceLoss, kPaths, ClassName);

// (That strips merged into one draw leave what strips drawn one by one leave
// is the renderer suite's to check.)
using SteadyFrames = GeneratorTest;

TEST_P(SteadyFrames, HeapStopsGrowingAfterTheFirstFrames)
{
    Start(512, 512);
    ASSERT_FALSE(HasFatalFailure());
    // The least over a few frames, each waited for: what frames in flight and
    // the driver's temporary buffers hold at one moment is left out.
    auto settled = [&]
    {
        long long least = -1;
        for (int i = 0; i < 3; ++i)
        {
            Animate(1);
            Read(generator_->GetNormalMap());
            // Bytes handed out by malloc and not yet freed, every thread's arena
            // counted (the driver compiles on its own threads), mapped chunks too.
            const struct mallinfo2 info = mallinfo2();
            const long long now = (long long)(info.uordblks + info.hblkhd);
            least = least < 0 ? now : std::min(least, now);
        }
        return least;
    };
    Animate(10);
    const long long warm = settled();
    Animate(20);
    const long long middle = settled();
    Animate(20);
    const long long after = settled();
    // A frame that leaks grows the heap in both stretches of 23 frames; a pool
    // the driver enlarges once, when its threads happen to fall behind, in
    // one at most. A shader compiled again at every frame cost hundreds of
    // kilobytes a frame.
    EXPECT_LT(std::min(middle - warm, after - middle), 256 * 1024)
        << warm << " bytes in use after 13 frames, " << middle << " after 36, " << after
        << " after 59";
}

INSTANTIATE_TEST_SUITE_P(DeviceClasses, SteadyFrames, kPaths, ClassName);

} // namespace
