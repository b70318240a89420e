// The full-target quad and the row-strip grid in the layout of each path.
#include "GpuProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace
{

using namespace gputest;

// Two triangles over the whole target, (0, 1, 2) and (3, 4, 5); the position
// repeats the texture coordinate (x, y, z, u, v).
const float kQuad[6][5] = {{0, 0, 0, 0, 0}, {0, 1, 0, 0, 1}, {1, 1, 0, 1, 1},
                           {1, 1, 0, 1, 1}, {1, 0, 0, 1, 0}, {0, 0, 0, 0, 0}};

void ExpectQuad(IDirect3DVertexBuffer9* vb)
{
    ASSERT_NE(vb, nullptr);
    ASSERT_EQ(AsBuffer(vb)->Bytes().size(), sizeof kQuad);
    EXPECT_EQ(std::memcmp(AsBuffer(vb)->Bytes().data(), kQuad, sizeof kQuad), 0);
}

// Sizes that are no power of two give grid positions that round in the last
// place. Vertex v is the upper (even v) or lower vertex of point v / 2. The
// shader grid repeats the position as its texture coordinate; the last column
// and row, which the normal upload never reaches, hold the flat normal (or its
// colour); every other colour is left as the fresh buffer held it.
struct GridCase
{
    DWORD version;
    int width, height; // the request
    int W, H;          // the grid
    const char* creation;
};

class Grid : public testing::TestWithParam<GridCase>
{
};

TEST_P(Grid, HoldsThePositionOfEveryPointAndTheFlatNormalWhereNoUploadReaches)
{
    const GridCase c = GetParam();
    auto device = MakeDevice(c.version);
    CWaveGenerator g(device.get(), c.width, c.height);
    ASSERT_EQ(Probe::GridWidth(g), c.W);
    ASSERT_EQ(Probe::GridHeight(g), c.H);
    EXPECT_EQ(device->CallTexts("CreateVertexBuffer").back(), c.creation);
    IDirect3DVertexBuffer9* vb = Probe::GridVB(g);
    const bool screen = c.version == kNoPS;
    const int stride = screen ? 20 : 32;
    int wrong = 0;
    for (int v = 0; v < 2 * c.W * c.H; v++)
    {
        const int j = v / 2 % c.W, i = v / 2 / c.W;
        const bool flat = j == c.W - 1 || i == c.H - 1;
        const float x = screen ? j : float(j) / c.W,
                    y = screen ? i + v % 2 : float(i + v % 2) / c.H;
        const auto at = [&](int offset) { return Member<float>(vb, stride, v, offset); };
        wrong += std::fabs(at(0) - x) > 1e-4f || std::fabs(at(4) - y) > 1e-4f;
        if (screen)
            wrong += at(8) != 0.5f || at(12) != 1.0f ||
                     Member<uint32_t>(vb, 20, v, 16) != (flat ? 0xFF7F7FFFu : 0xCDCDCDCDu);
        else
            wrong += at(8) != 0.0f || at(24) != at(0) || at(28) != at(4) ||
                     (flat && (at(12) != 0.0f || at(16) != 0.0f || at(20) != 1.0f));
    }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Paths, Grid,
                         testing::Values(GridCase{kPS14, 512, 256, 256, 128,
                                                  "CreateVertexBuffer(2097152,0x208,0x112,0,NULL)"},
                                         GridCase{kNoPS, 4 * 50, 4 * 30 + 3, 50, 30,
                                                  "CreateVertexBuffer(60000,0x208,0x44,0,NULL)"}));

// Every path gets the managed quad and only the grid paths a grid. A second
// call refills the quad, creates nothing and leaves the uploaded normals alone;
// after a loss only the grid buffer is created again, filled as the first one was.
class SecondCall : public testing::TestWithParam<DWORD>
{
};

TEST_P(SecondCall, RefillsTheQuadKeepsTheNormalsAndRecreatesOnlyALostGrid)
{
    auto device = MakeDevice(GetParam());
    CWaveGenerator g(device.get(), 64, 32);
    const bool grid = GetParam() != kPS20;
    const auto creations = device->CallTexts("CreateVertexBuffer");
    EXPECT_EQ(creations.front(), "CreateVertexBuffer(120,0x0,0x102,1,NULL)");
    EXPECT_EQ(creations.size(), grid ? 2u : 1u);
    IDirect3DVertexBuffer9* quad = Probe::QuadVB(g);
    ExpectQuad(quad);
    D3DXVECTOR3* normals = Probe::GridNormals(g);
    EXPECT_EQ(normals != nullptr, grid);
    const auto gridBytes = [&]
    { return grid ? AsBuffer(Probe::GridVB(g))->Bytes() : std::vector<uint8_t>(); };
    const std::vector<uint8_t> written = gridBytes();
    g.Update(16);
    const std::vector<uint8_t> uploaded = gridBytes();
    IDirect3DVertexBuffer9* gridVB = Probe::GridVB(g);
    std::fill(AsBuffer(quad)->Bytes().begin(), AsBuffer(quad)->Bytes().end(), 0x5A);

    device->ClearCalls();
    Probe::CreateVertexBuffers(g);
    EXPECT_EQ(device->CallCount("CreateVertexBuffer"), 0);
    ExpectQuad(Probe::QuadVB(g));
    EXPECT_EQ(Probe::GridVB(g), gridVB);
    EXPECT_TRUE(gridBytes() == uploaded);

    CD3DWatch::SafeRelease("test", 1, (IUnknown**)&Probe::GridVB(g));
    Probe::CreateVertexBuffers(g);
    EXPECT_EQ(device->CallCount("CreateVertexBuffer"), grid ? 1 : 0);
    EXPECT_EQ(Probe::QuadVB(g), quad);
    EXPECT_EQ(Probe::GridNormals(g), normals);
    EXPECT_TRUE(gridBytes() == written);
}

INSTANTIATE_TEST_SUITE_P(Paths, SecondCall, testing::Values(kPS20, kPS11, kNoPS));

// Buffers that cannot be locked are left as created; buffers that could not
// be created are created and filled by the next call, beside the kept normals.
TEST(Failures, UnlockableBuffersAreLeftAloneAndMissingOnesTriedAgain)
{
    auto locked = MakeDevice(kPS14);
    locked->Fail("VB.Lock");
    CWaveGenerator unfilled(locked.get(), 64, 64);
    for (IDirect3DVertexBuffer9* vb : {Probe::QuadVB(unfilled), Probe::GridVB(unfilled)})
    {
        const auto& bytes = AsBuffer(vb)->Bytes();
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0xCD; }));
    }

    auto device = MakeDevice(kPS14);
    device->Fail("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY, 2);
    CWaveGenerator g(device.get(), 64, 64);
    EXPECT_EQ(Probe::QuadVB(g), nullptr);
    EXPECT_EQ(Probe::GridVB(g), nullptr);
    D3DXVECTOR3* normals = Probe::GridNormals(g);
    EXPECT_NE(normals, nullptr);
    Probe::CreateVertexBuffers(g);
    ExpectQuad(Probe::QuadVB(g));
    ASSERT_NE(Probe::GridVB(g), nullptr);
    EXPECT_EQ(Member<float>(Probe::GridVB(g), 32, 1, 4), 1.0f / 32);
    EXPECT_EQ(Probe::GridNormals(g), normals);
}

} // namespace
