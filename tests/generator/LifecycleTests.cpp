// The generator's lifecycle on the recording device: which path a device's
// pixel shader version selects, the map size, and the loss/restore protocol.
#include <WaveGeneratorProbe.h>

#include <FakeEffects.h>
#include <TestDevice.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using swk::test::FakeEffects;
using swk::test::MakeDevice;

namespace
{

struct Path
{
    DWORD version;
    bool capsFail;
    bool noPS20, noPS11;
    int width, height; // from a request of 513 x 257
};

class CapabilityPaths : public testing::TestWithParam<Path>
{
};

TEST_P(CapabilityPaths, VersionSelectsPathAndHalvesOddSizes)
{
    const Path p = GetParam();
    auto device = MakeDevice(p.version);
    if (p.capsFail)
        device->Fail("GetDeviceCaps");
    CWaveGenerator g(device.get(), 513, 257);
    EXPECT_EQ(CWaveGeneratorProbe::NoPS20(g), p.noPS20);
    EXPECT_EQ(CWaveGeneratorProbe::NoPS11(g), p.noPS11);
    // The normal map exists on every path, the height map only with 2.0, and
    // effects only from 1.1 up.
    EXPECT_EQ(g.GetHeightMap() != nullptr, !p.noPS20);
    EXPECT_EQ(CWaveGeneratorProbe::HeightEffect(g) != nullptr, !p.noPS11);
    const D3DSURFACE_DESC desc = swk::test::TopLevel(g.GetNormalMap());
    EXPECT_EQ(desc.Width, static_cast<UINT>(p.width));
    EXPECT_EQ(desc.Height, static_cast<UINT>(p.height));
}

// A device that cannot tell its capabilities is taken to have no pixel shaders.
INSTANTIATE_TEST_SUITE_P(Versions, CapabilityPaths,
                         testing::Values(Path{D3DPS_VERSION(3, 0), false, false, false, 513, 257},
                                         Path{D3DPS_VERSION(2, 0), false, false, false, 513, 257},
                                         Path{D3DPS_VERSION(1, 4), false, true, false, 256, 128},
                                         Path{D3DPS_VERSION(1, 1), false, true, false, 256, 128},
                                         Path{D3DPS_VERSION(1, 0), false, true, true, 128, 64},
                                         Path{0, false, true, true, 128, 64},
                                         Path{D3DPS_VERSION(3, 0), true, true, true, 128, 64}));

TEST(Construction, SetsUpInOrderWithWhiteMaterial)
{
    auto device = MakeDevice(D3DPS_VERSION(2, 0));
    FakeEffects().created.clear();
    CWaveGenerator g(device.get(), 64, 32);
    // Effects first (before any texture), then textures, then the quad.
    EXPECT_EQ(FakeEffects().created,
              (std::vector<std::pair<int, DWORD>>{{101, D3DXSHADER_NO_PRESHADER},
                                                  {102, D3DXSHADER_NO_PRESHADER}}));
    const auto& calls = device->Calls();
    const auto first = [&](const char* name) {
        return std::find_if(calls.begin(), calls.end(),
                            [&](const auto& c) { return c.name == name; });
    };
    EXPECT_LT(first("CreateTexture"), first("CreateVertexBuffer"));

    const D3DMATERIAL9& m = CWaveGeneratorProbe::Material(g);
    EXPECT_EQ(m.Diffuse.r + m.Diffuse.g + m.Diffuse.b + m.Diffuse.a, 4.0f);
    EXPECT_EQ(m.Ambient.r + m.Ambient.g + m.Ambient.b + m.Ambient.a, 4.0f);
    EXPECT_EQ(m.Specular.r + m.Specular.a + m.Emissive.g + m.Power, 0.0f);
}

// Creation failures and, with a watch that forgot every reference, the
// releases of destruction are reported in order with their lines: a device
// that creates nothing gets the failures reported and nothing released.
TEST(Destruction, ReleasesExactlyWhatExistsInOrderWithItsLines)
{
    struct Case
    {
        DWORD version;
        bool createsNothing;
        std::vector<int> created, destroyed;
    } cases[] = {
        {D3DPS_VERSION(2, 0), false, {}, {104, 105, 106, 107, 108, 110, 111}},
        {D3DPS_VERSION(1, 1), false, {}, {107, 108, 109, 110, 111}},
        {0, false, {}, {107, 108, 109}},
        {0, true, {392, 182, 273}, {}},
    };
    for (const Case& c : cases)
    {
        auto device = MakeDevice(c.version);
        if (c.createsNothing)
        {
            device->Fail("CreateTexture");
            device->Fail("CreateVertexBuffer");
        }
        std::vector<int> lines;
        auto previous = CD3DWatch::SetReportSink(
            [&](const char* file, int line, const char*)
            { lines.push_back(std::string(file) == "WaveGenerator" ? line : -line); });
        auto g = std::make_unique<CWaveGenerator>(device.get(), 64, 64);
        EXPECT_EQ(lines, c.created) << "pixel shader " << std::hex << c.version;
        lines.clear();
        CD3DWatch::ResetWatch();
        g.reset();
        CD3DWatch::SetReportSink(previous);
        EXPECT_EQ(lines, c.destroyed) << "pixel shader " << std::hex << c.version;
        EXPECT_EQ(device->LiveResources(), 0);
    }
}

} // namespace
