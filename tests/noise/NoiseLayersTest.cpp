#include "GeneratorFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

namespace
{
using Probe = CWaveGeneratorProbe;

// Speeds and steps of any size: the clock never leaves the finite range (a
// step that would is not taken), and the layers stay in their 16-bit range,
// also once the phases of the faster octaves overflow to infinity.
TEST(NoiseLayers, AnySpeedKeepsTheClockFiniteAndTheLayersInRange)
{
    auto device = MakeDevice();
    auto generator = MakeGenerator(*device);
    const float speeds[] = {0.0f, -3.0f, NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
    const DWORD steps[] = {0, 0xFFFFFFFFu, 0xFFFFFFFFu};
    const auto inRange = [&]
    {
        const int* l = &Probe::Layers(*generator)[0][0][0];
        return std::all_of(l, l + 2 * 128 * 128, [](int v) { return v >= -32768 && v <= 32767; });
    };
    for (const double start : {2.0, DBL_MAX / 2})
        for (const float speed : speeds)
        {
            Probe::Time(*generator) = start;
            generator->SetSpeed(speed);
            for (const DWORD ms : steps)
            {
                Probe::SynthesizeLayers(*generator, ms);
                ASSERT_TRUE(std::isfinite(Probe::Time(*generator))) << speed;
                ASSERT_TRUE(inRange()) << speed << " from " << start;
            }
            if (!std::isfinite(speed))
            {
                EXPECT_EQ(start, Probe::Time(*generator)) << speed;
            }
        }
    // A clock that stood still through non-finite speeds moves on again.
    Probe::Time(*generator) = 2.0;
    generator->SetSpeed(NAN);
    Probe::SynthesizeLayers(*generator, 100);
    generator->SetSpeed(1.0f);
    Probe::SynthesizeLayers(*generator, 500);
    EXPECT_EQ(2.5, Probe::Time(*generator));
}

// The clock, the cross-fade, the shifts and the smoothing of layer 0 (its
// border left alone) all against the plain reading, with huge, zero and
// negative steps of the clock.
TEST(NoiseLayersReference, MatchAPlainReadingOverManyFramesSeedsAndSpeeds)
{
    auto device = MakeDevice();
    auto generator = MakeGenerator(*device);
    std::mt19937 random(17);
    std::uniform_int_distribution<int> elapsed(0, 120);
    static int expected[2][128][128];
    const float speeds[] = {1.0f, 0.37f, -2.5f, 7.0f, 0.0f, 1e4f};
    for (unsigned seed = 1; seed <= 3; ++seed)
    {
        srand(seed);
        Probe::BuildNoiseVolume(*generator);
        for (const float speed : speeds)
        {
            generator->SetSpeed(speed);
            double time = Probe::Time(*generator);
            for (int frame = 0; frame < 40; ++frame)
            {
                const DWORD ms = frame == 7 ? 0xFFFFFFF0u : (DWORD)elapsed(random);
                Probe::SynthesizeLayers(*generator, ms);
                reference::SynthesizeLayers(Probe::Volume(*generator), speed, ms, time, expected);
                ASSERT_EQ(time, Probe::Time(*generator));
                ASSERT_EQ(0, std::memcmp(expected, Probe::Layers(*generator), sizeof expected))
                    << "seed " << seed << " speed " << speed << " frame " << frame;
            }
        }
    }
}
} // namespace
