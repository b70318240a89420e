// Format probes, texture creation and the map viewport, on the recording device.
#include "GpuProbe.h"

#include <gtest/gtest.h>

namespace
{

using namespace gputest;

// The adapter format every probe must carry: that of the display mode, which
// here is deliberately not the back buffer's usual X8R8G8B8.
const D3DFORMAT kDisplay = D3DFMT_R5G6B5;

std::string ProbeText(D3DFORMAT format, DWORD usage)
{
    return "CheckDeviceFormat(0,1," + std::to_string(kDisplay) + "," + swk::test::Hex(usage) +
           ",3," + std::to_string(format) + ")";
}

const std::string kNoiseProbe = ProbeText(D3DFMT_L16, D3DUSAGE_DYNAMIC);

TestDevice::Options Refusing(std::vector<D3DFORMAT> renderTargets)
{
    TestDevice::Options options;
    options.displayFormat = kDisplay;
    for (D3DFORMAT f : renderTargets)
        options.refused.insert({f, D3DUSAGE_RENDERTARGET});
    return options;
}

void ExpectViewport(const D3DVIEWPORT9& vp, DWORD width, DWORD height)
{
    const D3DVIEWPORT9 expected{0, 0, width, height, 0.0f, 1.0f};
    EXPECT_EQ(std::memcmp(&vp, &expected, sizeof vp), 0)
        << vp.X << "," << vp.Y << " " << vp.Width << "x" << vp.Height;
}

// Without the Direct3D object nothing is probed: the maps take the format
// every device renders to, and the noise the one that asks the least.
struct FormatCase
{
    std::vector<D3DFORMAT> refused;
    std::vector<D3DFORMAT> probed;
    D3DFORMAT chosen;
    bool noDirect3D = false;
};

class MapFormat : public testing::TestWithParam<FormatCase>
{
};

TEST_P(MapFormat, FirstWideCandidateTheDeviceRendersToWinsThenNoiseIsProbed)
{
    const FormatCase c = GetParam();
    auto device = MakeDevice(kPS20, Refusing(c.refused));
    if (c.noDirect3D)
        device->Fail("GetDirect3D");
    CWaveGenerator g(device.get(), 64, 32);

    std::vector<std::string> expected;
    for (D3DFORMAT f : c.probed)
        expected.push_back(ProbeText(f, D3DUSAGE_RENDERTARGET));
    if (!c.noDirect3D)
        expected.push_back(kNoiseProbe);
    // Each probe carries the display mode's format.
    EXPECT_EQ(device->CallTexts("CheckDeviceFormat"), expected);
    EXPECT_EQ(AsTexture(g.GetHeightMap())->Format(), c.chosen);
    EXPECT_EQ(AsTexture(g.GetNormalMap())->Format(), c.chosen);
    EXPECT_EQ(Probe::EightBitNoise(g), c.noDirect3D);
    EXPECT_EQ(AsTexture(Probe::NoiseTex(g, 0))->Format(), c.noDirect3D ? D3DFMT_L8 : D3DFMT_L16);
}

INSTANTIATE_TEST_SUITE_P(
    Candidates, MapFormat,
    testing::Values(FormatCase{{}, {D3DFMT_A16B16G16R16}, D3DFMT_A16B16G16R16},
                    // The half-float format wins although the single-float one is supported too.
                    FormatCase{{D3DFMT_A16B16G16R16},
                               {D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F},
                               D3DFMT_A16B16G16R16F},
                    FormatCase{{D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F},
                               {D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F},
                               D3DFMT_A32B32G32R32F},
                    // A8R8G8B8 is taken without being asked for.
                    FormatCase{{D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F},
                               {D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F},
                               D3DFMT_A8R8G8B8},
                    FormatCase{{}, {}, D3DFMT_A8R8G8B8, true}),
    [](const testing::TestParamInfo<FormatCase>& info)
    {
        return info.param.noDirect3D ? std::string("NoDirect3D")
                                     : "Refusing" + std::to_string(info.param.refused.size());
    });

struct PathCase
{
    DWORD version;
    int requestW, requestH;
    std::vector<std::string> creations;
};

class TexturesOfPath : public testing::TestWithParam<PathCase>
{
};

TEST_P(TexturesOfPath, CreatesItsTexturesAtTheHalvedSizeAndSetsTheViewport)
{
    const PathCase c = GetParam();
    auto device = MakeDevice(c.version, Refusing({}));
    CWaveGenerator g(device.get(), c.requestW, c.requestH);
    EXPECT_EQ(device->CallTexts("CreateTexture"), c.creations);

    ExpectViewport(Probe::Viewport(g), 512, 256);

    // The L16 probe runs, and decides the noise width, on every device.
    EXPECT_EQ(device->CallCount("CheckDeviceFormat"), 2);
    EXPECT_EQ(device->CallTexts("CheckDeviceFormat").back(), kNoiseProbe);
    EXPECT_FALSE(Probe::EightBitNoise(g));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, TexturesOfPath,
    testing::Values(PathCase{kPS20,
                             512,
                             256,
                             {"CreateTexture(128,128,1,0x200,81,0,NULL)",
                              "CreateTexture(128,128,1,0x200,81,0,NULL)",
                              "CreateTexture(512,256,1,0x1,36,0,NULL)",
                              "CreateTexture(512,256,0,0x401,36,0,NULL)"}},
                    PathCase{kPS14, 1024, 512, {"CreateTexture(512,256,0,0x401,36,0,NULL)"}},
                    PathCase{kNoPS, 2048, 1024, {"CreateTexture(512,256,0,0x401,36,0,NULL)"}}));

// A second call creates exactly the textures that are missing (one whose
// creation failed, one released since), in order, but probes and sets the
// viewport again: after a display-mode change the flag and the new noise
// texture follow the probe.
TEST(RepeatedCall, CreatesExactlyTheMissingTexturesButProbesAndSetsTheViewportAgain)
{
    auto device = MakeDevice(kPS20, Refusing({}));
    device->Fail("CreateTexture", D3DERR_OUTOFVIDEOMEMORY, 1);
    CWaveGenerator g(device.get(), 96, 48);
    EXPECT_EQ(Probe::NoiseTex(g, 0), nullptr);
    CD3DWatch::SafeRelease("test", 2, (IUnknown**)&Probe::HeightMap(g));
    IDirect3DTexture9* kept[2] = {Probe::NoiseTex(g, 1), g.GetNormalMap()};
    ASSERT_NE(kept[0], nullptr);
    ASSERT_NE(kept[1], nullptr);
    const size_t watched = CD3DWatch::GetWatchedCount();

    device->Settings().refused.insert({D3DFMT_L16, D3DUSAGE_DYNAMIC});
    Probe::Viewport(g) = D3DVIEWPORT9{7, 9, 1, 2, 0.5f, 0.5f};
    device->ClearCalls();
    Probe::CreateTextures(g);

    EXPECT_EQ(device->CallTexts("CreateTexture"),
              (std::vector<std::string>{"CreateTexture(128,128,1,0x200,50,0,NULL)",
                                        "CreateTexture(96,48,1,0x1,36,0,NULL)"}));
    EXPECT_EQ(device->CallTexts("CheckDeviceFormat"),
              (std::vector<std::string>{ProbeText(D3DFMT_A16B16G16R16, D3DUSAGE_RENDERTARGET),
                                        kNoiseProbe}));
    EXPECT_TRUE(Probe::EightBitNoise(g));
    ExpectViewport(Probe::Viewport(g), 96, 48);
    EXPECT_EQ(Probe::NoiseTex(g, 1), kept[0]);
    EXPECT_EQ(g.GetNormalMap(), kept[1]);
    // The Direct3D object fetched for the probes is handed back.
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), watched + 2);
    IDirect3D9* d3d = nullptr;
    device->GetDirect3D(&d3d);
    EXPECT_EQ(d3d->Release(), 1u);
}

} // namespace
