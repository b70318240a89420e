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

class NoiseLayers : public ::testing::Test
{
protected:
    // Every entry of the given plane at one unit of noise, all others zero:
    // each slice entry then shows the weight the octave gives that plane.
    void MarkPlane(int plane)
    {
        std::memset(Probe::Volume(*m_generator), 0, sizeof(int) * 65536);
        for (int m = 0; m < 256; ++m)
            Probe::Volume(*m_generator)[plane][m / 16][m % 16] = 32768;
    }
    // The weight octave i gives the plane after one frame of the elapsed time.
    int PlaneWeight(int plane, int octave, DWORD elapsed, float speed = 1.0f)
    {
        MarkPlane(plane);
        Probe::Time(*m_generator) = 0.0;
        m_generator->SetSpeed(speed);
        Probe::SynthesizeLayers(*m_generator, elapsed);
        const int w = Probe::Slices(*m_generator)[octave][0][0];
        for (int m = 1; m < 256; ++m)
            EXPECT_EQ(w, Probe::Slices(*m_generator)[octave][m / 16][m % 16]);
        return w;
    }

    std::unique_ptr<swk::test::TestDevice> m_device = MakeDevice();
    std::unique_ptr<CWaveGenerator> m_generator = MakeGenerator(*m_device);
};

TEST_F(NoiseLayers, OctaveWeightsFallBy056AndSumToOne)
{
    Probe::SynthesizeLayers(*m_generator, 16);
    EXPECT_EQ(8, Probe::Octaves(*m_generator));
    // Six significant digits.
    const float expected[8] = {0.444297f,  0.248806f,  0.139332f,  0.0780257f,
                               0.0436944f, 0.0244689f, 0.0137026f, 0.00767343f};
    double sum = 0.0;
    for (int i = 0; i < 8; ++i)
    {
        const float w = Probe::OctaveWeights(*m_generator)[i];
        EXPECT_NEAR(expected[i], w, 3e-6 * expected[i]) << "octave " << i;
        sum += w;
    }
    EXPECT_NEAR(1.0, sum, 1e-6);
}

TEST_F(NoiseLayers, PlaneWeightsCrossFadeThreePlanes)
{
    // At time 0 the first two planes share the octave's weight and the third
    // has none.
    EXPECT_EQ(3639, PlaneWeight(0, 0, 0));
    EXPECT_EQ(3639, PlaneWeight(1, 0, 0));
    EXPECT_EQ(0, PlaneWeight(2, 0, 0));
    EXPECT_EQ(0, PlaneWeight(3, 0, 0));
    for (int i = 1; i < 8; ++i)
    {
        const int half = (int)(Probe::OctaveWeights(*m_generator)[i] * 8192.0f);
        EXPECT_NEAR(half, PlaneWeight(0, i, 0), 1) << "octave " << i;
        EXPECT_NEAR(half, PlaneWeight(1, i, 0), 1) << "octave " << i;
        EXPECT_EQ(0, PlaneWeight(2, i, 0)) << "octave " << i;
    }

    // Half a plane later the weights are a sixth, two thirds and a sixth.
    const double scale = 16384.0 * 0.444297;
    EXPECT_NEAR(scale / 6, PlaneWeight(0, 0, 500), 1.0);
    EXPECT_NEAR(scale * 2 / 3, PlaneWeight(1, 0, 500), 1.0);
    EXPECT_NEAR(scale / 6, PlaneWeight(2, 0, 500), 1.0);

    // The second octave runs 1.27 times as fast: after 0.9 s it has left
    // plane 0 behind, the first has not.
    EXPECT_GT(PlaneWeight(0, 0, 900), 0);
    EXPECT_EQ(0, PlaneWeight(0, 1, 900));
    EXPECT_GT(PlaneWeight(3, 1, 900), 0);
}

TEST_F(NoiseLayers, NegativeClocksSplitThePhaseTowardZero)
{
    // At -0.5 s the phase -0.5 still blends planes 0, 1 and 2, the first most.
    const double scale = 16384.0 * 0.444297;
    EXPECT_NEAR(scale * 2 / 3, PlaneWeight(0, 0, 500, -1.0f), 1.0);
    EXPECT_NEAR(scale / 6, PlaneWeight(1, 0, 500, -1.0f), 1.0);
    EXPECT_NEAR(scale / 6, PlaneWeight(2, 0, 500, -1.0f), 1.0);
    EXPECT_DOUBLE_EQ(-0.5, Probe::Time(*m_generator));
    // At -1.5 s the planes wrap: 255, 0 and 1.
    EXPECT_NEAR(scale * 2 / 3, PlaneWeight(255, 0, 1500, -1.0f), 1.0);
    EXPECT_NEAR(scale / 6, PlaneWeight(0, 0, 1500, -1.0f), 1.0);
    EXPECT_NEAR(scale / 6, PlaneWeight(1, 0, 1500, -1.0f), 1.0);
}

// Speeds and steps of any size: the clock never leaves the finite range (a
// step that would is not taken), and the layers stay in their 16-bit range,
// also once the phases of the faster octaves overflow to infinity.
TEST_F(NoiseLayers, AnySpeedKeepsTheClockFiniteAndTheLayersInRange)
{
    const float speeds[] = {0.0f, -3.0f, NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
    const DWORD steps[] = {0, 0xFFFFFFFFu, 0xFFFFFFFFu};
    const auto inRange = [&]
    {
        const int* l = &Probe::Layers(*m_generator)[0][0][0];
        return std::all_of(l, l + 2 * 128 * 128, [](int v) { return v >= -32768 && v <= 32767; });
    };
    for (const double start : {2.0, DBL_MAX / 2})
        for (const float speed : speeds)
        {
            Probe::Time(*m_generator) = start;
            m_generator->SetSpeed(speed);
            const float kept = m_generator->GetSpeed();
            EXPECT_EQ(0, std::memcmp(&kept, &speed, sizeof speed));
            for (const DWORD ms : steps)
            {
                Probe::SynthesizeLayers(*m_generator, ms);
                ASSERT_TRUE(std::isfinite(Probe::Time(*m_generator))) << speed;
                ASSERT_TRUE(inRange()) << speed << " from " << start;
            }
            if (!std::isfinite(speed))
            {
                EXPECT_EQ(start, Probe::Time(*m_generator)) << speed;
            }
        }
    // A clock that stood still through non-finite speeds moves on again.
    Probe::Time(*m_generator) = 2.0;
    m_generator->SetSpeed(NAN);
    Probe::SynthesizeLayers(*m_generator, 100);
    m_generator->SetSpeed(1.0f);
    Probe::SynthesizeLayers(*m_generator, 500);
    EXPECT_EQ(2.5, Probe::Time(*m_generator));
}

TEST_F(NoiseLayers, EachPlaneProductIsShiftedOnItsOwn)
{
    std::memset(Probe::Volume(*m_generator), 0, sizeof(int) * 65536);
    Probe::Volume(*m_generator)[0][0][0] = 16384;
    Probe::Volume(*m_generator)[1][0][0] = 16384;
    Probe::Volume(*m_generator)[0][0][1] = -1;
    Probe::Time(*m_generator) = 0.0;
    Probe::SynthesizeLayers(*m_generator, 0);
    // Two halves of 3639 each round down: 1819 + 1819, not 3639.
    EXPECT_EQ(3638, Probe::Slices(*m_generator)[0][0][0]);
    // The shift rounds toward minus infinity.
    EXPECT_EQ(-1, Probe::Slices(*m_generator)[0][0][1]);
}

TEST_F(NoiseLayers, SampleSliceInterpolatesBetweenWrappedCells)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> value(-20000, 20000);
    for (int m = 0; m < 256; ++m)
        Probe::Slices(*m_generator)[5][m / 16][m % 16] = value(random);
    const auto E = [&](int r, int q) { return Probe::Slices(*m_generator)[5][r][q]; };

    for (int s = 1; s <= 3; ++s)
        for (int r = 0; r < 16; ++r)
            for (int q = 0; q < 16; ++q)
                ASSERT_EQ(E(r, q), Probe::SampleSlice(*m_generator, q << s, r << s, s, 5));

    // Across the wrap: an eighth of cell 15 and seven eighths of cell 0.
    Probe::Slices(*m_generator)[5][0][15] = 800;
    Probe::Slices(*m_generator)[5][0][0] = 0;
    EXPECT_EQ(100, Probe::SampleSlice(*m_generator, 127, 0, 3, 5));
    Probe::Slices(*m_generator)[5][0][15] = -801;
    EXPECT_EQ(-101, Probe::SampleSlice(*m_generator, 127, 0, 3, 5));
    Probe::Slices(*m_generator)[5][15][0] = 1600;
    EXPECT_EQ(200, Probe::SampleSlice(*m_generator, 0, 127, 3, 5));
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
