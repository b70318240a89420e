// Frames on each device class once the first ones have built what they need:
// the heap of the process stops growing. (That strips merged into one draw
// leave what strips drawn one by one leave is the renderer suite's to check.)
#include "GeneratorTest.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>

namespace integration
{
namespace
{

// Bytes handed out by malloc and not yet freed, every thread's arena counted
// (the driver compiles on its own threads), mapped chunks included.
long long HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return (long long)(info.uordblks + info.hblkhd);
}

using SteadyFrames = DeviceClassTest;

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
                         ClassName);

} // namespace
} // namespace integration
