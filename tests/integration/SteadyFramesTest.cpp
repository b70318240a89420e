// Frames on each device class once the first ones have built what they need:
// strips merged into one draw leave the maps that strips drawn one by one
// leave, and the heap of the process stops growing.
#include "GeneratorTest.h"

#include <malloc.h>

#include <algorithm>
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
    // The least over a few frames, each waited for: what frames in flight and
    // the driver's temporary buffers hold at one moment is left out.
    auto settled = [&]
    {
        long long least = -1;
        for (int i = 0; i < 3; ++i)
        {
            Animate(1);
            Read(generator_->GetNormalMap());
            const long long now = HeapInUse();
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
    ASSERT_GE(warm, 0) << "malloc_info gave no totals";
    // A frame that leaks grows the heap in both stretches of 23 frames; a pool
    // the driver enlarges once, when its threads happen to fall behind, in
    // one at most. A shader compiled again at every frame cost hundreds of
    // kilobytes a frame.
    EXPECT_LT(std::min(middle - warm, after - middle), 256 * 1024)
        << warm << " bytes in use after 13 frames, " << middle << " after 36, " << after
        << " after 59";
}

INSTANTIATE_TEST_SUITE_P(DeviceClasses, SteadyFrames,
                         ::testing::Values(DeviceClass{"PixelShader20", D3DPS_VERSION(2, 0), {}},
                                           DeviceClass{"PixelShader14", D3DPS_VERSION(1, 4), {}},
                                           DeviceClass{"NoPixelShader", 0, {}}),
                         [](const ::testing::TestParamInfo<DeviceClass>& info)
                         { return std::string(info.param.name); });

} // namespace
} // namespace integration
