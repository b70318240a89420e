// The CPU normal field: one normal per grid point from the two noise layers,
// checked against the closed form of the four cross products around a raised
// point and against a plain reading of its arithmetic everywhere else.
#include "NormalReference.h"
#include "NormalsProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>

namespace
{

using namespace normaltest;

// Each neighbour of a raised point sees one difference of 1 (the left one on
// its right, so before normalising its normal is (-2/128, 0, 4/128^2)); the
// point itself is a peak whose own differences cancel, and two away is flat.
TEST(GridNormals, TheNeighboursOfARaisedPointTiltAwayFromIt)
{
    Grid grid(true, 128, 128);
    std::fill_n(&grid.Layers()[0][0][0], 2 * 128 * 128, 0);
    grid.Layers()[0][64][64] = 65536;
    Probe::ComputeGridNormals(*grid);

    const struct
    {
        int x, y;
        double dl, du, dr, dd;
    } kPoints[] = {{63, 64, 0, 0, 1, 0}, {65, 64, 1, 0, 0, 0},     {64, 63, 0, 0, 0, 1},
                   {64, 65, 0, 1, 0, 0}, {64, 64, -1, -1, -1, -1}, {62, 64, 0, 0, 0, 0}};
    for (const auto& p : kPoints)
    {
        double expected[3];
        ClosedForm(p.dl, p.du, p.dr, p.dd, 128, 128, expected);
        const D3DXVECTOR3& n = grid.Normal(p.x, p.y);
        EXPECT_NEAR(n.x, expected[0], 2e-6) << p.x << "," << p.y;
        EXPECT_NEAR(n.y, expected[1], 2e-6) << p.x << "," << p.y;
        EXPECT_NEAR(n.z, expected[2], 2e-6) << p.x << "," << p.y;
    }
}

// Random layers, and cliffs between the largest heights two layers can sum to
// and flat stretches (huge differences, exact zeros, cancelling neighbours),
// on grids finer and coarser than the layers, with widths that fill four-point
// blocks, leave a remainder, have no block at all or take the row-by-row path.
struct LayerCase
{
    int W, H;
    bool extremes;
};

class LayerFields : public testing::TestWithParam<LayerCase>
{
};

TEST_P(LayerFields, EveryNormalMatchesThePlainReadingBitForBit)
{
    const auto [W, H, extremes] = GetParam();
    Grid grid(true, W, H);
    ASSERT_EQ(Probe::GridWidth(*grid), W);
    ASSERT_EQ(Probe::GridHeight(*grid), H);
    std::mt19937 random(W * 31 + H);
    const int kExtremes[] = {INT_MAX / 2, INT_MIN / 2, 0, 1};
    std::uniform_int_distribution<int> pick(0, 3), value(-32768, 32767);
    int* heights = &grid.Layers()[0][0][0];
    for (int i = 0; i < 2 * 128 * 128; i++)
        heights[i] = extremes ? kExtremes[pick(random)] : value(random);
    // Whatever the previous frame left is overwritten.
    std::fill_n(Probe::GridNormals(*grid), W * H, D3DXVECTOR3(9, 9, 9));
    Probe::ComputeGridNormals(*grid);
    int exact = 0;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
        {
            const D3DXVECTOR3 r = ReferenceNormal(grid.Layers(), W, H, x, y);
            exact += std::memcmp(&grid.Normal(x, y), &r, sizeof r) == 0;
        }
    EXPECT_EQ(exact, W * H);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LayerFields,
                         testing::Values(LayerCase{128, 128, false}, LayerCase{256, 256, false},
                                         LayerCase{64, 32, false}, LayerCase{100, 37, false},
                                         LayerCase{3, 200, false}, LayerCase{1, 9, false},
                                         LayerCase{9, 1, false}, LayerCase{1, 1, false},
                                         LayerCase{256, 256, true}, LayerCase{131, 3, true},
                                         LayerCase{5, 130, true}, LayerCase{2, 1, true},
                                         LayerCase{1, 2, true}, LayerCase{2049, 3, true}),
                         [](const testing::TestParamInfo<LayerCase>& info)
                         {
                             return std::to_string(info.param.W) + "x" +
                                    std::to_string(info.param.H) +
                                    (info.param.extremes ? "Extremes" : "");
                         });

} // namespace
