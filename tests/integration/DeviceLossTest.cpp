// Device loss in the middle of an animation, over and over, as a host meets
// it: the generator lets go of everything in the default pool so that Reset
// succeeds, and the maps are right again after restoration. The clock and the
// release protocol are the recording device's suite's to check.
#include "GeneratorTest.h"

namespace integration
{
namespace
{

using DeviceLoss = DeviceClassTest;

TEST_P(DeviceLoss, EveryResetSucceedsAndTheMapsComeBack)
{
    CreateDevice(GetParam());
    ASSERT_FALSE(HasFatalFailure());
    CWaveGenerator& g = CreateGenerator(128, 64);
    Animate(2);
    D3DPRESENT_PARAMETERS pp = swk::test::presentation(64, 64, D3DFMT_X8R8G8B8, true);
    for (int cycle = 0; cycle < 5; ++cycle)
    {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
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
        ExpectMapsOfLastFrame();
    }
}

// A device that cannot make the normal map (wide targets with generated mip
// levels refused) leaves the generator holding nothing in the default pool.
TEST_P(DeviceLoss, ResetSucceedsWhenTheNormalMapCouldNotBeMade)
{
    DeviceClass deviceClass = GetParam();
    deviceClass.refused = {{D3DFMT_A16B16G16R16, D3DUSAGE_AUTOGENMIPMAP}};
    CreateDevice(deviceClass);
    ASSERT_FALSE(HasFatalFailure());
    CWaveGenerator& g = CreateGenerator(64, 64);
    ASSERT_EQ(g.GetNormalMap(), nullptr);
    EXPECT_FALSE(reports_.empty());
    reports_.clear();
    g.OnLostDevice();
    ASSERT_EQ(swk_->LoseDevice(), D3D_OK);
    ASSERT_EQ(swk_->MakeResettable(), D3D_OK);
    D3DPRESENT_PARAMETERS pp = swk::test::presentation(64, 64, D3DFMT_X8R8G8B8, true);
    EXPECT_EQ(device_->Reset(&pp), D3D_OK) << "a default-pool resource outlived the loss";
}

INSTANTIATE_TEST_SUITE_P(Paths, DeviceLoss,
                         ::testing::Values(DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
                                           DeviceClass{"PixelShader14", D3DPS_VERSION(1, 4), {}},
                                           DeviceClass{"NoPixelShader", 0, {}}),
                         ClassName);

} // namespace
} // namespace integration
