#include "GeneratorFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
using Probe = CWaveGeneratorProbe;

class NoiseVolume : public ::testing::Test
{
protected:
    // The jitter draws of a build from the seed, in entry order.
    static std::vector<int> JitterDraws(unsigned seed)
    {
        srand(seed);
        for (int i = 0; i < 2 * 28671; ++i)
            rand();
        std::vector<int> draws(65536);
        for (int& r : draws)
            r = rand() % 100;
        return draws;
    }

    std::unique_ptr<swk::test::TestDevice> m_device = MakeDevice();
    std::unique_ptr<CWaveGenerator> m_generator = MakeGenerator(*m_device);
    const int* Entries() { return &Probe::Volume(*m_generator)[0][0][0]; }
};

TEST_F(NoiseVolume, TakesExactly122878DrawsAndDependsOnlyOnTheHistory)
{
    srand(101);
    Probe::BuildNoiseVolume(*m_generator);
    const int next = rand();
    srand(101);
    for (int i = 0; i < 122878; ++i)
        rand();
    EXPECT_EQ(next, rand());

    std::vector<int> first(Entries(), Entries() + 65536);
    srand(101);
    Probe::BuildNoiseVolume(*m_generator);
    EXPECT_EQ(0, std::memcmp(first.data(), Entries(), sizeof(int) * 65536));
    srand(102);
    Probe::BuildNoiseVolume(*m_generator);
    EXPECT_NE(0, std::memcmp(first.data(), Entries(), sizeof(int) * 65536));
}

TEST_F(NoiseVolume, IsZeroWhereTheJitterWasZeroAndBoundedElsewhere)
{
    const std::vector<int> draws = JitterDraws(103);
    srand(103);
    Probe::BuildNoiseVolume(*m_generator);

    int zeroDraws = 0, zeroEntries = 0, largest = 0;
    for (int k = 0; k < 65536; ++k)
    {
        const int v = Entries()[k];
        if (draws[k] == 0)
        {
            ++zeroDraws;
            ASSERT_EQ(0, v) << "entry " << k;
        }
        zeroEntries += v == 0;
        ASSERT_LT(std::abs(v), 56756);
        largest = std::max(largest, std::abs(v));
    }
    EXPECT_GT(zeroDraws, 400);
    // Elsewhere the noise is zero only by rare coincidence.
    EXPECT_LT(zeroEntries - zeroDraws, 50);
    // Noise reaches beyond a half, which is 16384 on this scale.
    EXPECT_GT(largest, 16384);
}

TEST_F(NoiseVolume, SamplesTheSecondTablesAtTheJitteredPoints)
{
    const std::vector<int> draws = JitterDraws(104);
    srand(104);
    Probe::BuildNoiseVolume(*m_generator);

    srand(104);
    for (int i = 0; i < 28671; ++i)
        rand();
    const reference::Tables tables = reference::DrawTables();
    const float jitterStep = 0.007299270015209913f;
    for (int k = 0; k < 65536; k += 97)
    {
        const int x = k % 16, y = (k / 16) % 16, z = k / 256;
        const float j = draws[k] * jitterStep;
        const float t = reference::TileableNoise(tables, x + j, y + j, z + j, 16, 16, 256);
        ASSERT_EQ((int)(t * 32768.0f), Entries()[k]) << "entry " << k;
    }
}
} // namespace
