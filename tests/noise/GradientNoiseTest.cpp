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

std::unique_ptr<CGradientNoise> NoiseFromSeed(unsigned seed)
{
    srand(seed);
    return std::make_unique<CGradientNoise>();
}

// The value rand() would return after skipping n draws from the seed.
int DrawAfter(unsigned seed, int n)
{
    srand(seed);
    for (int i = 0; i < n; ++i)
        rand();
    return rand();
}

TEST(GradientNoiseTables, AreAShuffledPermutationWithWrappedCopies)
{
    const auto noise = NoiseFromSeed(11);
    const int* perm = Probe::Perm(*noise);

    std::vector<int> lower(perm, perm + kSize);
    EXPECT_FALSE(std::is_sorted(lower.begin(), lower.end()));
    std::sort(lower.begin(), lower.end());
    for (int i = 0; i < kSize; ++i)
        ASSERT_EQ(lower[i], i);

    // Entries 8192 and 8193 repeat entries 0 and 1 through the upward copy.
    EXPECT_EQ(0, std::memcmp(perm + kSize, perm, (kSize + 2) * sizeof(int)));
    EXPECT_EQ(0, std::memcmp(Probe::Grad3(*noise)[kSize], Probe::Grad3(*noise)[0],
                             (kSize + 2) * sizeof(float[3])));
    EXPECT_EQ(0, std::memcmp(Probe::Grad2(*noise)[kSize], Probe::Grad2(*noise)[0],
                             (kSize + 2) * sizeof(float[2])));
    EXPECT_EQ(0, std::memcmp(Probe::Grad1(*noise) + kSize, Probe::Grad1(*noise),
                             (kSize + 2) * sizeof(float)));
    EXPECT_EQ(perm[kEntries - 2], perm[0]);
    EXPECT_EQ(perm[kEntries - 1], perm[1]);
}

TEST(GradientNoiseTables, HoldUnitGradientsAndQuantisedScalars)
{
    const auto noise = NoiseFromSeed(12);
    for (int i = 0; i < kSize; ++i)
    {
        const float* g3 = Probe::Grad3(*noise)[i];
        const float* g2 = Probe::Grad2(*noise)[i];
        ASSERT_NEAR(1.0, std::sqrt(g3[0] * g3[0] + g3[1] * g3[1] + g3[2] * g3[2]), 1e-6);
        ASSERT_NEAR(1.0, std::sqrt(g2[0] * g2[0] + g2[1] * g2[1]), 1e-6);
        const float g1 = Probe::Grad1(*noise)[i];
        ASSERT_GE(g1, -1.0f);
        ASSERT_LT(g1, 1.0f);
        ASSERT_EQ(g1 * 4096.0f, std::floor(g1 * 4096.0f));
    }
}

TEST(GradientNoiseTables, FollowTheDrawOrder)
{
    const auto noise = NoiseFromSeed(13);
    srand(13);
    const reference::Tables expected = reference::DrawTables();
    EXPECT_EQ(0, std::memcmp(Probe::Perm(*noise), expected.perm.data(), kEntries * sizeof(int)));
    EXPECT_EQ(
        0, std::memcmp(Probe::Grad3(*noise), expected.grad3.data(), kEntries * sizeof(float[3])));

    // grad1 takes the first draw of each entry.
    srand(13);
    rand();
    rand();
    rand();
    rand();
    rand();
    rand();
    EXPECT_EQ(Probe::Grad1(*noise)[1], (float)(rand() % 8192 - 4096) / 4096.0f);
}

TEST(GradientNoiseDraws, InitTakesExactly28671Values)
{
    srand(21);
    auto noise = std::make_unique<CGradientNoise>();
    const int afterConstruction = rand();
    EXPECT_EQ(afterConstruction, DrawAfter(21, 28671));

    srand(22);
    noise->Init();
    const int afterInit = rand();
    EXPECT_EQ(afterInit, DrawAfter(22, 28671));
}

TEST(GradientNoiseDraws, SameHistoryGivesSameTablesAndInitRedraws)
{
    srand(31);
    auto a = std::make_unique<CGradientNoise>();
    a->Init();
    srand(31);
    auto b = std::make_unique<CGradientNoise>();
    EXPECT_NE(0, std::memcmp(Probe::Perm(*a), Probe::Perm(*b), kEntries * sizeof(int)));

    srand(31);
    for (int i = 0; i < 28671; ++i)
        rand();
    auto c = std::make_unique<CGradientNoise>();
    EXPECT_EQ(0, std::memcmp(Probe::Perm(*a), Probe::Perm(*c), kEntries * sizeof(int)));
    EXPECT_EQ(0, std::memcmp(Probe::Grad3(*a), Probe::Grad3(*c), kEntries * sizeof(float[3])));
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

TEST_F(GradientNoiseSamples, AreZeroOnTheLattice)
{
    std::uniform_int_distribution<int> cell(-4000, 4000);
    for (int n = 0; n < 2000; ++n)
    {
        const float x = (float)cell(m_random), y = (float)cell(m_random), z = (float)cell(m_random);
        ASSERT_EQ(0.0f, s_noise->Noise(x, y, z)) << x << "," << y << "," << z;
    }
}

TEST_F(GradientNoiseSamples, RepeatEvery256Units)
{
    // Multiples of 1/2048 survive the offset sum unrounded on both sides.
    std::uniform_int_distribution<int> step(0, 2048 * 2048);
    for (int n = 0; n < 2000; ++n)
    {
        const float x = step(m_random) / 2048.0f, y = step(m_random) / 2048.0f,
                    z = step(m_random) / 2048.0f;
        const float v = s_noise->Noise(x, y, z);
        ASSERT_EQ(v, s_noise->Noise(x + 256.0f, y, z));
        ASSERT_EQ(v, s_noise->Noise(x, y + 256.0f, z));
        ASSERT_EQ(v, s_noise->Noise(x, y, z - 256.0f));
    }
}

TEST_F(GradientNoiseSamples, StayBelowRootThreeAndVary)
{
    std::uniform_real_distribution<float> coord(-300.0f, 300.0f);
    float largest = 0.0f;
    for (int n = 0; n < 20000; ++n)
    {
        const float v = s_noise->Noise(coord(m_random), coord(m_random), coord(m_random));
        ASSERT_LT(std::fabs(v), std::sqrt(3.0f));
        largest = std::max(largest, std::fabs(v));
    }
    EXPECT_GT(largest, 0.5f);
}

TEST_F(GradientNoiseSamples, AreContinuousAcrossCellFaces)
{
    std::uniform_int_distribution<int> cell(0, 255);
    std::uniform_real_distribution<float> inside(0.1f, 0.9f);
    for (int n = 0; n < 500; ++n)
    {
        const float x = (float)cell(m_random), y = cell(m_random) + inside(m_random),
                    z = cell(m_random) + inside(m_random);
        const float eps = 1.0f / 1024.0f;
        ASSERT_NEAR(s_noise->Noise(x - eps, y, z), s_noise->Noise(x + eps, y, z), 4 * eps);
        ASSERT_NEAR(s_noise->Noise(z, x - eps, y), s_noise->Noise(z, x + eps, y), 4 * eps);
        ASSERT_NEAR(s_noise->Noise(y, z, x - eps), s_noise->Noise(y, z, x + eps), 4 * eps);
    }
}

TEST_F(GradientNoiseSamples, MatchAPlainReadingBitForBit)
{
    // Far below zero the offset sum keeps finer fractions than near it.
    std::uniform_real_distribution<float> coord(-4090.0f, 4000.0f);
    for (int n = 0; n < 20000; ++n)
    {
        const float x = coord(m_random), y = coord(m_random), z = coord(m_random);
        ASSERT_EQ(reference::Noise(*s_tables, x, y, z), s_noise->Noise(x, y, z))
            << x << "," << y << "," << z;
    }
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
