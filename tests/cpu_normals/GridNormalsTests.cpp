// The CPU normal field: one normal per grid point from the two noise layers,
// checked against a plain reading of its arithmetic and against the closed
// form of the four cross products, on grids finer and coarser than the layers
// and down to a single row or column.
#include "NormalReference.h"
#include "NormalsProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cmath>
#include <random>
#include <string>

namespace
{

using namespace normaltest;

void FillRandom(Layers& layers, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-32768, 32767);
    for (int l = 0; l < 2; l++)
        for (int r = 0; r < 128; r++)
            for (int c = 0; c < 128; c++)
                layers[l][r][c] = value(random);
}

void ExpectNear(const D3DXVECTOR3& n, const double expected[3], const char* where)
{
    EXPECT_NEAR(n.x, expected[0], 2e-6) << where;
    EXPECT_NEAR(n.y, expected[1], 2e-6) << where;
    EXPECT_NEAR(n.z, expected[2], 2e-6) << where;
}

TEST(GridNormals, TheNeighboursOfARaisedPointTiltAwayFromIt)
{
    Grid grid(true, 128, 128);
    std::fill_n(&grid.Layers()[0][0][0], 2 * 128 * 128, 0);
    grid.Layers()[0][64][64] = 65536;
    Probe::ComputeGridNormals(*grid);

    double expected[3];
    // Left neighbour: the right difference is 1, so before normalising the
    // normal is (-2/128, 0, 4/128^2).
    ClosedForm(0, 0, 1, 0, 128, 128, expected);
    EXPECT_LT(expected[0], 0.0);
    ExpectNear(grid.Normal(63, 64), expected, "left");
    ClosedForm(1, 0, 0, 0, 128, 128, expected);
    ExpectNear(grid.Normal(65, 64), expected, "right");
    ClosedForm(0, 0, 0, 1, 128, 128, expected);
    ExpectNear(grid.Normal(64, 63), expected, "above");
    ClosedForm(0, 1, 0, 0, 128, 128, expected);
    ExpectNear(grid.Normal(64, 65), expected, "below");
    // The point itself is a peak: its own differences cancel.
    ClosedForm(-1, -1, -1, -1, 128, 128, expected);
    ExpectNear(grid.Normal(64, 64), expected, "peak");
    const double flat[3] = {0, 0, 1};
    ExpectNear(grid.Normal(62, 64), flat, "two away");
}

class RandomLayers : public testing::TestWithParam<std::pair<int, int>>
{
};

TEST_P(RandomLayers, EveryNormalMatchesThePlainReadingAndTheClosedForm)
{
    const int W = GetParam().first, H = GetParam().second;
    Grid grid(true, W, H);
    ASSERT_EQ(Probe::GridWidth(*grid), W);
    ASSERT_EQ(Probe::GridHeight(*grid), H);
    FillRandom(grid.Layers(), 1234 + W * 7 + H);
    // Whatever the previous frame left is overwritten.
    std::fill_n(Probe::GridNormals(*grid), W * H, D3DXVECTOR3(9, 9, 9));
    Probe::ComputeGridNormals(*grid);

    int exact = 0, close = 0;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
        {
            const D3DXVECTOR3& n = grid.Normal(x, y);
            const D3DXVECTOR3 r = ReferenceNormal(grid.Layers(), W, H, x, y);
            exact += n.x == r.x && n.y == r.y && n.z == r.z;
            const Differences d = Reference(grid.Layers(), W, H, x, y);
            double e[3];
            const double tolerance = ClosedForm(d.dl, d.du, d.dr, d.dd, W, H, e);
            const bool near = std::fabs(n.x - e[0]) < tolerance &&
                              std::fabs(n.y - e[1]) < tolerance &&
                              std::fabs(n.z - e[2]) < tolerance;
            close += near;
            EXPECT_TRUE(near) << "(" << x << ", " << y << "): " << n.x << " " << n.y << " " << n.z
                              << " against " << e[0] << " " << e[1] << " " << e[2];
        }
    EXPECT_EQ(exact, W * H);
    EXPECT_EQ(close, W * H);
}

// Cliffs between the largest heights two layers can sum to and flat stretches:
// huge differences, exact zeros and cancelling neighbours, on widths that fill
// four-point blocks, leave a remainder, or have no block at all.
TEST(GridNormals, ExtremeLayersMatchThePlainReadingBitForBit)
{
    const std::pair<int, int> sizes[] = {{256, 256}, {131, 3}, {5, 130}, {2, 1}, {1, 2}, {2049, 3}};
    for (const auto& [W, H] : sizes)
    {
        Grid grid(true, W, H);
        std::mt19937 random(W * 31 + H);
        const int extremes[] = {INT_MAX / 2, INT_MIN / 2, 0, 1};
        std::uniform_int_distribution<int> pick(0, 3);
        for (int l = 0; l < 2; l++)
            for (int r = 0; r < 128; r++)
                for (int c = 0; c < 128; c++)
                    grid.Layers()[l][r][c] = extremes[pick(random)];
        Probe::ComputeGridNormals(*grid);
        int exact = 0;
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
            {
                const D3DXVECTOR3& n = grid.Normal(x, y);
                const D3DXVECTOR3 r = ReferenceNormal(grid.Layers(), W, H, x, y);
                exact += std::memcmp(&n, &r, sizeof n) == 0;
            }
        EXPECT_EQ(exact, W * H) << W << "x" << H;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RandomLayers,
                         testing::Values(std::make_pair(128, 128), std::make_pair(256, 256),
                                         std::make_pair(64, 32), std::make_pair(100, 37),
                                         std::make_pair(3, 200), std::make_pair(1, 9),
                                         std::make_pair(9, 1), std::make_pair(1, 1)),
                         [](const testing::TestParamInfo<std::pair<int, int>>& info) {
                             return std::to_string(info.param.first) + "x" +
                                    std::to_string(info.param.second);
                         });

} // namespace
