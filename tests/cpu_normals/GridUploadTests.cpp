// The upload of the grid normals into the vertices of the two grid layouts.
#include "NormalReference.h"
#include "NormalsProbe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace
{

using namespace normaltest;

std::vector<uint8_t>& Bytes(CWaveGenerator& g)
{
    return swk::test::AsBuffer(Probe::GridVB(g))->Bytes();
}

// Vertex v carries normal n: itself in the shader layout, in the screen layout
// as a colour with a byte of each component, (c + 1) * 127.5 cut toward zero.
void ExpectUploaded(CWaveGenerator& g, bool shader, int v, const D3DXVECTOR3& n)
{
    if (shader)
    {
        EXPECT_TRUE(swk::test::Member<D3DXVECTOR3>(Probe::GridVB(g), 32, v, 12) == n) << v;
        return;
    }
    auto q = [](float c) { return static_cast<uint32_t>((c + 1.0f) * 127.5f); };
    EXPECT_EQ(swk::test::Member<uint32_t>(Probe::GridVB(g), 20, v, 16),
              0xFF000000u | q(n.x) << 16 | q(n.y) << 8 | q(n.z))
        << v;
}

class Layout : public testing::TestWithParam<bool>
{
};

// With W = 4 and H = 3 the last column and row of pairs are left alone: pairs
// 0, 1, 2, 4, 5 and 6 are written, each vertex with the normal of its own row.
TEST_P(Layout, OnlyPairsWithARightAndLowerNeighbourAreWritten)
{
    const bool shader = GetParam();
    Grid grid(shader, 4, 3);
    ASSERT_EQ(Probe::GridWidth(*grid), 4);
    ASSERT_EQ(Probe::GridHeight(*grid), 3);
    for (int i = 0; i < 12; i++)
        Probe::GridNormals(*grid)[i] = D3DXVECTOR3(-0.9f + 0.15f * i, 0.55f - 0.1f * i, 0.3f);
    // The extremes pack to whole bytes: 0xFF and 0x00.
    Probe::GridNormals(*grid)[0] = D3DXVECTOR3(1, -1, 0);
    const std::vector<uint8_t> before = Bytes(*grid);
    Probe::UploadGridNormals(*grid);

    const int stride = shader ? 32 : 20, offset = shader ? 12 : 16, size = shader ? 12 : 4;
    const std::vector<uint8_t>& after = Bytes(*grid);
    for (int v = 0; v < 24; v++)
    {
        const int pair = v / 2, lower = v % 2;
        const int x = pair % 4, y = pair / 4;
        const bool written = x < 3 && y < 2;
        for (int b = 0; b < stride; b++)
        {
            const bool attribute = b >= offset && b < offset + size;
            if (!attribute || !written)
            {
                EXPECT_EQ(after[v * stride + b], before[v * stride + b])
                    << "vertex " << v << " byte " << b;
            }
        }
        if (!written)
            continue;
        ExpectUploaded(*grid, shader, v, Probe::GridNormals(*grid)[(y + lower) * 4 + x]);
    }
}

// A single column or row has no pair with both neighbours, and a failed lock
// gives nothing to write through.
TEST_P(Layout, NothingIsWrittenWithoutNeighboursOrThroughAFailedLock)
{
    for (const auto& [W, H] : {std::make_pair(1, 4), std::make_pair(4, 1), std::make_pair(8, 8)})
    {
        Grid grid(GetParam(), W, H);
        std::fill_n(Probe::GridNormals(*grid), W * H, D3DXVECTOR3(0, 0, 1));
        const std::vector<uint8_t> before = Bytes(*grid);
        if (W == 8)
            grid.device->Fail("VB.Lock");
        Probe::UploadGridNormals(*grid);
        EXPECT_TRUE(Bytes(*grid) == before) << W << " x " << H;
    }
}

TEST_P(Layout, AFrameUploadsTheNormalsOfItsOwnLayers)
{
    const int W = 16, H = 12;
    Grid grid(GetParam(), W, H);
    grid.device->ClearCalls();
    grid.generator->Update(40);
    // One whole-buffer lock that keeps the positions.
    EXPECT_EQ(grid.device->CallTexts("VB.Lock"), std::vector<std::string>{"VB.Lock(0,0,0x0)"});
    // The normals come from the layers this frame synthesised, and reach the
    // vertices of their own grid points.
    for (int v : {0, 1, 2 * (10 * W + 14) + 1})
    {
        const int x = v / 2 % W, y = v / 2 / W + v % 2;
        const D3DXVECTOR3 n = ReferenceNormal(grid.Layers(), W, H, x, y);
        EXPECT_TRUE(grid.Normal(x, y) == n) << v;
        ExpectUploaded(*grid, GetParam(), v, n);
    }
}

INSTANTIATE_TEST_SUITE_P(Grids, Layout, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info)
                         { return info.param ? "ShaderVertices" : "ScreenVertices"; });

} // namespace
