#include "NoiseProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

namespace
{
using Probe = CGradientNoiseProbe;
const int kSize = CGradientNoise::TABLE_SIZE;
const int kEntries = CGradientNoise::TABLE_ENTRIES;

TEST(GradientNoiseTables, AreAShuffledPermutationWithWrappedCopies)
{
    srand(11);
    const auto noise = std::make_unique<CGradientNoise>();
    const int* perm = Probe::Perm(*noise);
    std::vector<int> lower(perm, perm + kSize);
    EXPECT_FALSE(std::is_sorted(lower.begin(), lower.end()));
    std::sort(lower.begin(), lower.end());
    for (int i = 0; i < kSize; ++i)
        ASSERT_EQ(lower[i], i);

    // The copy runs upwards, so entries 8192 and 8193 repeat entries 0 and 1.
    EXPECT_EQ(0, std::memcmp(perm + kSize, perm, (kSize + 2) * sizeof(int)));
    EXPECT_EQ(0, std::memcmp(Probe::Grad3(*noise)[kSize], Probe::Grad3(*noise)[0],
                             (kSize + 2) * sizeof(float[3])));
    EXPECT_EQ(0, std::memcmp(Probe::Grad2(*noise)[kSize], Probe::Grad2(*noise)[0],
                             (kSize + 2) * sizeof(float[2])));
    EXPECT_EQ(0, std::memcmp(Probe::Grad1(*noise) + kSize, Probe::Grad1(*noise),
                             (kSize + 2) * sizeof(float)));
    EXPECT_EQ(perm[kEntries - 1], perm[1]);
}

TEST(GradientNoiseTables, FollowTheDrawOrderAndTake28671Draws)
{
    srand(13);
    auto noise = std::make_unique<CGradientNoise>();
    const int afterConstruction = rand();
    srand(13);
    const reference::Tables expected = reference::DrawTables();
    EXPECT_EQ(afterConstruction, rand());
    EXPECT_EQ(0, std::memcmp(Probe::Perm(*noise), expected.perm.data(), kEntries * sizeof(int)));
    EXPECT_EQ(
        0, std::memcmp(Probe::Grad3(*noise), expected.grad3.data(), kEntries * sizeof(float[3])));

    // Init draws on from wherever rand() stands.
    srand(14);
    noise->Init();
    const int afterInit = rand();
    srand(14);
    for (int i = 0; i < 28671; ++i)
        rand();
    EXPECT_EQ(afterInit, rand());
}

class GradientNoiseSamples : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        srand(41);
        s_noise = new CGradientNoise;
        srand(41);
        s_tables = new reference::Tables(reference::DrawTables());
    }
    static void TearDownTestSuite()
    {
        delete s_noise;
        delete s_tables;
    }
    static CGradientNoise* s_noise;
    static reference::Tables* s_tables;
    std::mt19937 m_random{5};
};
CGradientNoise* GradientNoiseSamples::s_noise;
reference::Tables* GradientNoiseSamples::s_tables;

TEST_F(GradientNoiseSamples, AreZeroOnTheLatticeAndRepeatEvery256Units)
{
    std::uniform_int_distribution<int> cell(-4000, 4000);
    // Multiples of 1/2048 survive the offset sum unrounded on both sides.
    std::uniform_int_distribution<int> step(0, 2048 * 2048);
    for (int n = 0; n < 2000; ++n)
    {
        const float x = (float)cell(m_random), y = (float)cell(m_random), z = (float)cell(m_random);
        ASSERT_EQ(0.0f, s_noise->Noise(x, y, z)) << x << "," << y << "," << z;

        const float u = step(m_random) / 2048.0f, v = step(m_random) / 2048.0f,
                    w = step(m_random) / 2048.0f;
        const float value = s_noise->Noise(u, v, w);
        ASSERT_EQ(value, s_noise->Noise(u + 256.0f, v, w));
        ASSERT_EQ(value, s_noise->Noise(u, v + 256.0f, w));
        ASSERT_EQ(value, s_noise->Noise(u, v, w - 256.0f));
    }
}

TEST_F(GradientNoiseSamples, StayBelowRootThreeAndMatchAPlainReadingBitForBit)
{
    // Far below zero the offset sum keeps finer fractions than near it.
    std::uniform_real_distribution<float> coord(-4090.0f, 4000.0f);
    float largest = 0.0f;
    for (int n = 0; n < 20000; ++n)
    {
        const float x = coord(m_random), y = coord(m_random), z = coord(m_random);
        const float value = s_noise->Noise(x, y, z);
        ASSERT_EQ(reference::Noise(*s_tables, x, y, z), value) << x << "," << y << "," << z;
        ASSERT_LT(std::fabs(value), std::sqrt(3.0f));
        largest = std::max(largest, std::fabs(value));
    }
    EXPECT_GT(largest, 0.5f);

    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int n = 0; n < 5000; ++n)
    {
        const float w = 1.0f + 20.0f * unit(m_random), h = 1.0f + 20.0f * unit(m_random),
                    d = 1.0f + 300.0f * unit(m_random);
        const float x = w * unit(m_random), y = h * unit(m_random), z = d * unit(m_random);
        ASSERT_EQ(reference::TileableNoise(*s_tables, x, y, z, w, h, d),
                  s_noise->TileableNoise(x, y, z, w, h, d));
    }
}

TEST_F(GradientNoiseSamples, TileAcrossTheBox)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float w = 16.0f, h = 16.0f, d = 256.0f;
    for (int n = 0; n < 1000; ++n)
    {
        const float x = w * unit(m_random), y = h * unit(m_random), z = d * unit(m_random);
        ASSERT_NEAR(s_noise->TileableNoise(0.0f, y, z, w, h, d),
                    s_noise->TileableNoise(w, y, z, w, h, d), 1e-5);
        ASSERT_NEAR(s_noise->TileableNoise(x, 0.0f, z, w, h, d),
                    s_noise->TileableNoise(x, h, z, w, h, d), 1e-5);
        ASSERT_NEAR(s_noise->TileableNoise(x, y, 0.0f, w, h, d),
                    s_noise->TileableNoise(x, y, d, w, h, d), 1e-5);
    }
    EXPECT_EQ(0.0f, s_noise->TileableNoise(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f));
}
} // namespace
