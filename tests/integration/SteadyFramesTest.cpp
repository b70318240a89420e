// Frames on each device class once the first ones have built what they need:
// strips merged into one draw leave the maps that strips drawn one by one
// leave, and the heap of the process stops growing.
#include "GeneratorTest.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace integration
{
namespace
{

// The size attribute of the first element that starts with head, or -1.
long long SizeOf(const char* text, const char* head)
{
    const char* at = std::strstr(text, head);
    const char* size = at ? std::strstr(at, "size=\"") : nullptr;
    return size ? std::atoll(size + 6) : -1;
}

// Bytes handed out by malloc and not yet freed, every thread's arena counted:
// the driver compiles on its own threads.
long long HeapInUse()
{
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    if (!out)
        return -1;
    malloc_info(0, out);
    std::fclose(out);
    // The totals over all arenas follow the last arena's entry.
    const char* totals = text;
    for (const char* at = text; (at = std::strstr(at, "</heap>")); ++at)
        totals = at;
    const long long system = SizeOf(totals, "<system type=\"current\"");
    const long long fast = SizeOf(totals, "<total type=\"fast\"");
    const long long rest = SizeOf(totals, "<total type=\"rest\"");
    const long long mapped = SizeOf(totals, "<total type=\"mmap\"");
    std::free(text);
    if (system < 0 || fast < 0 || rest < 0 || mapped < 0)
        return -1;
    return system - fast - rest + mapped;
}

class SteadyFrames : public GeneratorTest, public ::testing::WithParamInterface<DeviceClass>
{
protected:
    MapImage NormalsAfterFrames(bool mergeStrips)
    {
        if (!mergeStrips)
            setenv("SWK_VK_MERGE_STRIPS", "0", 1);
        CreateDevice(GetParam());
        unsetenv("SWK_VK_MERGE_STRIPS");
        std::srand(1);
        CreateGenerator(256, 256);
        Animate(3);
        MapImage normals = Read(generator_->GetNormalMap());
        generator_.reset();
        swk_.reset();
        device_.reset();
        d3d_.reset();
        return normals;
    }
};

TEST_P(SteadyFrames, MergedStripsLeaveTheMapsSeparateStripsLeave)
{
    const MapImage separate = NormalsAfterFrames(false);
    const MapImage merged = NormalsAfterFrames(true);
    ASSERT_FALSE(HasFailure());
    ASSERT_FALSE(merged.rgba.empty());
    EXPECT_TRUE(merged.rgba == separate.rgba);
}

TEST_P(SteadyFrames, HeapStopsGrowingAfterTheFirstFrames)
{
    CreateDevice(GetParam());
    CreateGenerator(512, 512);
    Animate(10);
    const long long warm = HeapInUse();
    Animate(40);
    const long long after = HeapInUse();
    ASSERT_GE(warm, 0) << "malloc_info gave no totals";
    // Far below the hundreds of kilobytes a frame that a shader compiled
    // again at every frame costs.
    EXPECT_LT(after - warm, 512 * 1024)
        << warm << " bytes in use after 10 frames, " << after << " after 50";
}

INSTANTIATE_TEST_SUITE_P(DeviceClasses, SteadyFrames,
                         ::testing::Values(DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
                                           DeviceClass{"PixelShader14", D3DPS_VERSION(1, 4), {}},
                                           DeviceClass{"NoPixelShader", 0, {}}),
                         [](const ::testing::TestParamInfo<DeviceClass>& info)
                         { return std::string(info.param.name); });

} // namespace
} // namespace integration
