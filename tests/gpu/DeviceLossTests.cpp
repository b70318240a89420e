// Device loss and restoration in the middle of an animation, many times over:
// the host's Reset must go through, and the maps must come back usable.
#include "GpuProbe.h"

#include <gtest/gtest.h>

#include <set>

namespace
{

using namespace gputest;

class Loss : public testing::TestWithParam<DWORD>
{
};

TEST_P(Loss, RepeatedLossesMidAnimationReleaseEverythingAndRestoreWorkingMaps)
{
    auto device = MakeDevice(GetParam());
    CWaveGenerator g(device.get(), 64, 32);
    // A twin that is never lost keeps the clock that g must match.
    auto twinDevice = MakeDevice(GetParam());
    CWaveGenerator twin(twinDevice.get(), 64, 32);

    IDirect3DVertexBuffer9* quad = Probe::QuadVB(g);
    D3DXVECTOR3* normals = Probe::GridNormals(g);
    const D3DSURFACE_DESC normalDesc = TopLevel(g.GetNormalMap());
    const size_t watched = CD3DWatch::GetWatchedCount();
    const bool grid = GetParam() != kPS20;
    const int effects = GetParam() == kNoPS ? 0 : 1;

    // A restoration without a loss creates nothing twice.
    const int resources = device->LiveResources();
    device->ClearCalls();
    g.OnRestoreDevice();
    EXPECT_EQ(device->CallCount("CreateTexture") + device->CallCount("CreateVertexBuffer"), 0);
    EXPECT_EQ(device->LiveResources(), resources);

    for (int loss = 0; loss < 25; loss++)
    {
        const DWORD elapsed = 7 + 3 * loss;
        g.Update(elapsed);
        twin.Update(elapsed);
        // While the generator holds its maps the host cannot reset.
        ASSERT_NE(device->Reset(nullptr), D3D_OK);

        device->ClearCalls();
        // A second notice of the same loss has nothing left to release.
        g.OnLostDevice();
        g.OnLostDevice();
        EXPECT_EQ(device->CallCount("Effect101.OnLostDevice"), effects);
        EXPECT_EQ(device->CallCount("Effect102.OnLostDevice"), effects);
        EXPECT_EQ(g.GetNormalMap(), nullptr);
        EXPECT_EQ(g.GetHeightMap(), nullptr);
        EXPECT_EQ(device->LiveDefaultPoolResources(), 0) << "loss " << loss;
        EXPECT_EQ(device->Reset(nullptr), D3D_OK) << "loss " << loss;

        const double lostAt = Probe::Time(g);
        device->ClearCalls();
        g.Update(1000);
        g.Update(5);
        EXPECT_TRUE(device->Calls().empty());
        EXPECT_EQ(Probe::Time(g), lostAt);

        g.OnRestoreDevice();
        EXPECT_EQ(device->CallCount("Effect101.OnResetDevice"), effects);
        EXPECT_EQ(device->CallCount("Effect102.OnResetDevice"), effects);
        ASSERT_NE(g.GetNormalMap(), nullptr);
        const D3DSURFACE_DESC desc = TopLevel(g.GetNormalMap());
        EXPECT_EQ(std::memcmp(&desc, &normalDesc, sizeof desc), 0);
        EXPECT_EQ(g.GetHeightMap() != nullptr, !grid);
        EXPECT_EQ(Probe::QuadVB(g), quad);
        EXPECT_EQ(Probe::GridNormals(g), normals);
        EXPECT_EQ(Probe::GridVB(g) != nullptr, grid);

        // The next frame draws into the maps that were just created.
        device->ClearCalls();
        g.Update(16);
        twin.Update(16);
        std::set<const void*> targets;
        for (const swk::test::Call& c : device->Calls())
            if (c.name == "GetSurfaceLevel")
                targets.insert(c.object);
        std::set<const void*> maps = {AsTexture(g.GetNormalMap())};
        if (!grid)
            maps.insert(AsTexture(g.GetHeightMap()));
        EXPECT_EQ(targets, maps);
        EXPECT_GT(device->CallCount("DrawPrimitive"), 0);
        EXPECT_EQ(Probe::Time(g), Probe::Time(twin)) << "loss " << loss;
    }
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), watched);
}

INSTANTIATE_TEST_SUITE_P(Paths, Loss, testing::Values(kPS20, kPS11, kNoPS));

} // namespace
