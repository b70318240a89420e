#include "GeneratorFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace
{
using Probe = CWaveGeneratorProbe;

// The build draws one set of tables it throws away, the set it samples, then
// one jitter per entry: 122878 draws, and every entry is the tileable noise of
// the second set at its jittered lattice point.
TEST(NoiseVolume, SamplesTheSecondTablesAtTheJitteredPointsIn122878Draws)
{
    srand(104);
    for (int i = 0; i < 28671; ++i)
        rand();
    const reference::Tables tables = reference::DrawTables();
    std::vector<int> jitter(65536);
    for (int& r : jitter)
        r = rand() % 100;
    const int next = rand();

    auto device = MakeDevice();
    auto generator = MakeGenerator(*device);
    srand(104);
    Probe::BuildNoiseVolume(*generator);
    EXPECT_EQ(next, rand());

    const int* entries = &Probe::Volume(*generator)[0][0][0];
    const float jitterStep = 0.007299270015209913f;
    int largest = 0;
    for (int k = 0; k < 65536; ++k)
    {
        const int x = k % 16, y = (k / 16) % 16, z = k / 256;
        const float j = jitter[k] * jitterStep;
        const float t = reference::TileableNoise(tables, x + j, y + j, z + j, 16, 16, 256);
        ASSERT_EQ((int)(t * 32768.0f), entries[k]) << "entry " << k;
        largest = std::max(largest, std::abs(entries[k]));
    }
    // Noise reaches beyond a half, which is 16384 on this scale.
    EXPECT_GT(largest, 16384);
}
} // namespace
