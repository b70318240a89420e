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

// The tables as the plain reading draws them (Init draws them again from
// wherever rand() stands: the noise volume's test checks that), and samples
// of them bit for bit what the plain reading gives, below root three, with
// tileable noise continuing across its box.
TEST(GradientNoise, FollowsThePlainReadingOfTablesAndSamplesAndTilesAcrossTheBox)
{
    srand(13);
    auto noise = std::make_unique<CGradientNoise>();
    const int afterConstruction = rand();
    srand(13);
    const reference::Tables tables = reference::DrawTables();
    EXPECT_EQ(afterConstruction, rand());
    EXPECT_EQ(0, std::memcmp(Probe::Perm(*noise), tables.perm.data(), kEntries * sizeof(int)));
    EXPECT_EQ(0,
              std::memcmp(Probe::Grad3(*noise), tables.grad3.data(), kEntries * sizeof(float[3])));
    // The two- and one-dimensional gradients repeat upwards as the others do.
    EXPECT_EQ(0, std::memcmp(Probe::Grad2(*noise)[kSize], Probe::Grad2(*noise)[0],
                             (kSize + 2) * sizeof(float[2])));
    EXPECT_EQ(0, std::memcmp(Probe::Grad1(*noise) + kSize, Probe::Grad1(*noise),
                             (kSize + 2) * sizeof(float)));

    std::mt19937 random(5);
    // Far below zero the offset sum keeps finer fractions than near it.
    std::uniform_real_distribution<float> coord(-4090.0f, 4000.0f);
    float largest = 0.0f;
    for (int n = 0; n < 20000; ++n)
    {
        const float x = coord(random), y = coord(random), z = coord(random);
        const float value = noise->Noise(x, y, z);
        ASSERT_EQ(reference::Noise(tables, x, y, z), value) << x << "," << y << "," << z;
        ASSERT_LT(std::fabs(value), std::sqrt(3.0f));
        largest = std::max(largest, std::fabs(value));
    }
    EXPECT_GT(largest, 0.5f);

    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int n = 0; n < 5000; ++n)
    {
        const float w = 1.0f + 20.0f * unit(random), h = 1.0f + 20.0f * unit(random),
                    d = 1.0f + 300.0f * unit(random);
        const float x = w * unit(random), y = h * unit(random), z = d * unit(random);
        ASSERT_EQ(reference::TileableNoise(tables, x, y, z, w, h, d),
                  noise->TileableNoise(x, y, z, w, h, d));
    }
    const float w = 16.0f, h = 16.0f, d = 256.0f;
    for (int n = 0; n < 1000; ++n)
    {
        const float x = w * unit(random), y = h * unit(random), z = d * unit(random);
        ASSERT_NEAR(noise->TileableNoise(0.0f, y, z, w, h, d),
                    noise->TileableNoise(w, y, z, w, h, d), 1e-5);
        ASSERT_NEAR(noise->TileableNoise(x, 0.0f, z, w, h, d),
                    noise->TileableNoise(x, h, z, w, h, d), 1e-5);
        ASSERT_NEAR(noise->TileableNoise(x, y, 0.0f, w, h, d),
                    noise->TileableNoise(x, y, d, w, h, d), 1e-5);
    }
    EXPECT_EQ(0.0f, noise->TileableNoise(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f));
}
} // namespace
