// Device loss and restoration over and over, with frames between, as a host
// that runs for days meets them: once warmed up, neither the process's memory
// nor the Vulkan objects the device holds may grow. SWK_SOAK_CYCLES sets the
// number of cycles (1,000 for the long run).
#include "GeneratorTest.h"

#include <cstdio>
#include <cstdlib>
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
    if (FILE* f = std::fopen("/proc/self/statm", "r"))
    {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int Cycles()
{
    const char* env = std::getenv("SWK_SOAK_CYCLES");
    const int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : 16;
}

using Soak = DeviceClassTest;

TEST_P(Soak, MemoryAndVulkanObjectsStayFlatOverLossCycles)
{
    CreateDevice(GetParam());
    ASSERT_FALSE(HasFatalFailure());
    CWaveGenerator& g = CreateGenerator(128, 128);
    D3DPRESENT_PARAMETERS pp = swk::test::presentation(64, 64, D3DFMT_X8R8G8B8, true);
    const int cycles = Cycles(), warmUp = std::max(4, cycles / 10);
    long rssWarm = 0, objectsWarm = 0;
    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        if (cycle == warmUp)
        {
            rssWarm = ResidentKiB();
            objectsWarm = SwkLiveVulkanObjects();
        }
        Animate(3);
        device_->Present(nullptr, nullptr, nullptr, nullptr);
        g.OnLostDevice();
        ASSERT_EQ(swk_->LoseDevice(), D3D_OK);
        ASSERT_EQ(swk_->MakeResettable(), D3D_OK);
        ASSERT_EQ(device_->Reset(&pp), D3D_OK) << "cycle " << cycle;
        g.OnRestoreDevice();
        Animate(1);
        device_->Present(nullptr, nullptr, nullptr, nullptr);
    }
    const long rss = ResidentKiB(), objects = SwkLiveVulkanObjects();
    const int measured = cycles - warmUp;
    std::printf("soak %s: %d cycles (%d frames) after warm-up: RSS %ld -> %ld KiB "
                "(%+.1f KiB per cycle), Vulkan objects %ld -> %ld\n",
                GetParam().name, measured, measured * 4, rssWarm, rss,
                double(rss - rssWarm) / measured, objectsWarm, objects);
    EXPECT_EQ(objects, objectsWarm);
    // The driver's allocator may round up once or twice; a per-frame leak of
    // even a few kilobytes shows well above this. AddressSanitizer's quarantine
    // keeps freed memory resident, so there only the object count tells.
    if (!kAddressSanitizer)
    {
        EXPECT_LE(rss - rssWarm, 2048 + 4 * measured) << "KiB of resident memory gained";
    }
    ExpectMapsOfLastFrame();
}

INSTANTIATE_TEST_SUITE_P(Paths, Soak,
                         ::testing::Values(DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
                                           DeviceClass{"PixelShader14", D3DPS_VERSION(1, 4), {}},
                                           DeviceClass{"NoPixelShader", 0, {}}),
                         ClassName);

} // namespace
} // namespace integration
