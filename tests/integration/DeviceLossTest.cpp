// Device loss in the middle of an animation, over and over, as a host that
// runs for days meets it: the generator lets go of everything in the default
// pool so that Reset succeeds, the maps are right again after restoration, and
// once warmed up neither the process's memory nor the Vulkan objects the
// device holds grow. SWK_SOAK_CYCLES sets the number of cycles (1,000 for the
// long run). The clock and the release protocol are the recording device's
// suite's to check.
#include "GeneratorTest.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace integration
{
namespace
{

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SWK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(SWK_ASAN)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

long ResidentKiB()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int Cycles()
{
    const char* env = std::getenv("SWK_SOAK_CYCLES");
    return env && std::atoi(env) > 0 ? std::atoi(env) : 16;
}

using DeviceLoss = DeviceClassTest;

TEST_P(DeviceLoss, SoakEveryResetSucceedsTheMapsComeBackAndNothingGrows)
{
    CreateDevice(GetParam());
    ASSERT_FALSE(HasFatalFailure());
    CWaveGenerator& g = CreateGenerator(128, 128);
    Animate(2);
    D3DPRESENT_PARAMETERS pp = swk::test::presentation(64, 64, D3DFMT_X8R8G8B8, true);
    const int cycles = Cycles(), warmUp = std::max(4, cycles / 10);
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
    // keeps freed memory resident, so there only the object count tells.
    if (!kAddressSanitizer)
    {
        EXPECT_LE(rss - rssWarm, 2048 + 4 * measured) << "KiB of resident memory gained";
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, DeviceLoss,
                         ::testing::Values(DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
                                           DeviceClass{"PixelShader14", D3DPS_VERSION(1, 4), {}},
                                           DeviceClass{"NoPixelShader", 0, {}}),
                         ClassName);

} // namespace
} // namespace integration
