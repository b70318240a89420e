// The full-target quad and the row-strip grid in the layout of each path.
#include "GpuProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{

using namespace gputest;

// The bytes a fresh buffer of the recording device holds.
const uint8_t kFresh = 0xCD;

struct QuadCorner
{
    float x, y, z, u, v;
};

// Two triangles over the whole target, (0, 1, 2) and (3, 4, 5); the position
// repeats the texture coordinate.
const QuadCorner kQuad[6] = {{0, 0, 0, 0, 0}, {0, 1, 0, 0, 1}, {1, 1, 0, 1, 1},
                             {1, 1, 0, 1, 1}, {1, 0, 0, 1, 0}, {0, 0, 0, 0, 0}};

void ExpectQuad(IDirect3DVertexBuffer9* vb)
{
    ASSERT_NE(vb, nullptr);
    ASSERT_EQ(AsBuffer(vb)->Bytes().size(), sizeof kQuad);
    EXPECT_EQ(std::memcmp(AsBuffer(vb)->Bytes().data(), kQuad, sizeof kQuad), 0);
}

TEST(Quad, EveryPathGetsTheManagedQuadRefilledByEachCallAndOnlyGridPathsAGrid)
{
    for (DWORD version : {kPS20, kPS11, kNoPS})
    {
        auto device = MakeDevice(version);
        CWaveGenerator g(device.get(), 64, 64);
        const auto creations = device->CallTexts("CreateVertexBuffer");
        ASSERT_FALSE(creations.empty());
        EXPECT_EQ(creations.front(), "CreateVertexBuffer(120,0x0,0x102,1,NULL)");
        ExpectQuad(Probe::QuadVB(g));
        const bool grid = version != kPS20;
        EXPECT_EQ(creations.size(), grid ? 2u : 1u);
        EXPECT_EQ(Probe::GridVB(g) != nullptr, grid);
        EXPECT_EQ(Probe::GridNormals(g) != nullptr, grid);

        IDirect3DVertexBuffer9* quad = Probe::QuadVB(g);
        std::fill(AsBuffer(quad)->Bytes().begin(), AsBuffer(quad)->Bytes().end(), 0x5A);
        device->ClearCalls();
        Probe::CreateVertexBuffers(g);
        EXPECT_EQ(Probe::QuadVB(g), quad);
        EXPECT_EQ(device->CallCount("CreateVertexBuffer"), 0);
        EXPECT_EQ(device->CallTexts("VB.Lock").front(), "VB.Lock(0,0,0x0)");
        ExpectQuad(quad);
    }
}

// The grid point and row of vertex v: two vertices per point, the upper one on
// the point's row and the lower one on the next.
struct GridVertex
{
    int j, i, r;
};

GridVertex Locate(int v, int W)
{
    const int point = v / 2;
    return GridVertex{point % W, point / W, point / W + v % 2};
}

// The pairs of the last column and row, which the normal upload skips.
bool NeverUploaded(const GridVertex& p, int W, int H)
{
    return p.j == W - 1 || p.i == H - 1;
}

// Sizes that are no power of two give grid positions that round in the last
// place. The shader grid repeats the position as its texture coordinate; the
// last column and row, which the normal upload never reaches, hold the flat
// normal (or its colour); every other colour is left for the upload.
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
    ASSERT_NE(vb, nullptr);
    const bool screen = c.version == kNoPS;
    const int stride = screen ? 20 : 32;
    const float scale[2] = {screen ? float(c.W) : 1.0f / c.W, screen ? float(c.H) : 1.0f / c.H};
    int wrong = 0;
    for (int v = 0; v < 2 * c.W * c.H; v++)
    {
        const GridVertex p = Locate(v, c.W);
        const float x = screen ? p.j : p.j * scale[0], y = screen ? p.r : p.r * scale[1];
        wrong += std::fabs(Member<float>(vb, stride, v, 0) - x) > 1e-4f ||
                 std::fabs(Member<float>(vb, stride, v, 4) - y) > 1e-4f;
        if (screen)
            wrong += Member<float>(vb, 20, v, 8) != 0.5f || Member<float>(vb, 20, v, 12) != 1.0f ||
                     Member<uint32_t>(vb, 20, v, 16) !=
                         (NeverUploaded(p, c.W, c.H) ? 0xFF7F7FFFu : 0xCDCDCDCDu);
        else
            wrong += Member<float>(vb, 32, v, 8) != 0.0f ||
                     Member<float>(vb, 32, v, 24) != Member<float>(vb, 32, v, 0) ||
                     Member<float>(vb, 32, v, 28) != Member<float>(vb, 32, v, 4) ||
                     (NeverUploaded(p, c.W, c.H) && (Member<float>(vb, 32, v, 12) != 0.0f ||
                                                     Member<float>(vb, 32, v, 16) != 0.0f ||
                                                     Member<float>(vb, 32, v, 20) != 1.0f));
    }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Paths, Grid,
                         testing::Values(GridCase{kPS14, 512, 256, 256, 128,
                                                  "CreateVertexBuffer(2097152,0x208,0x112,0,NULL)"},
                                         GridCase{kNoPS, 256, 256, 64, 64,
                                                  "CreateVertexBuffer(163840,0x208,0x44,0,NULL)"},
                                         GridCase{kNoPS, 4 * 50, 4 * 30 + 3, 50, 30,
                                                  "CreateVertexBuffer(60000,0x208,0x44,0,NULL)"}));

class SecondCall : public testing::TestWithParam<DWORD>
{
};

TEST_P(SecondCall, KeepsQuadAndNormalsAndRewritesOnlyPositions)
{
    auto device = MakeDevice(GetParam());
    CWaveGenerator g(device.get(), 64, 32);
    const int stride = GetParam() == kNoPS ? 20 : 32;
    const int attribute = GetParam() == kNoPS ? 16 : 12;
    IDirect3DVertexBuffer9* quad = Probe::QuadVB(g);
    IDirect3DVertexBuffer9* grid = Probe::GridVB(g);
    D3DXVECTOR3* normals = Probe::GridNormals(g);
    ASSERT_NE(grid, nullptr);
    std::vector<uint8_t>& bytes = AsBuffer(grid)->Bytes();
    const std::vector<uint8_t> written = bytes;
    // What a frame's upload leaves in the colours or normals, and a corrupted
    // position that the second call must put right.
    const int W = Probe::GridWidth(g), H = Probe::GridHeight(g);
    for (size_t v = 0; v < bytes.size() / stride; v++)
        if (!NeverUploaded(Locate(static_cast<int>(v), W), W, H))
            bytes[v * stride + attribute] = static_cast<uint8_t>(v);
    const std::vector<uint8_t> uploaded = bytes;
    std::fill(bytes.begin(), bytes.begin() + 8, 0x77);

    device->ClearCalls();
    Probe::CreateVertexBuffers(g);
    EXPECT_EQ(device->CallCount("CreateVertexBuffer"), 0);
    EXPECT_EQ(Probe::QuadVB(g), quad);
    EXPECT_EQ(Probe::GridVB(g), grid);
    EXPECT_EQ(Probe::GridNormals(g), normals);
    EXPECT_EQ(device->CallTexts("VB.Lock"),
              (std::vector<std::string>{"VB.Lock(0,0,0x0)", "VB.Lock(0,0,0x0)"}));
    EXPECT_TRUE(bytes == uploaded);

    // As after a device loss: only the grid buffer is created again.
    CD3DWatch::SafeRelease("test", 1, (IUnknown**)&Probe::GridVB(g));
    device->ClearCalls();
    Probe::CreateVertexBuffers(g);
    EXPECT_EQ(device->CallCount("CreateVertexBuffer"), 1);
    ASSERT_NE(Probe::GridVB(g), nullptr);
    EXPECT_EQ(Probe::QuadVB(g), quad);
    EXPECT_EQ(Probe::GridNormals(g), normals);
    EXPECT_TRUE(AsBuffer(Probe::GridVB(g))->Bytes() == written);
}

INSTANTIATE_TEST_SUITE_P(GridPaths, SecondCall, testing::Values(kPS11, kNoPS));

TEST(Failures, BuffersThatCannotBeLockedAreLeftUntouched)
{
    auto device = MakeDevice(kPS14);
    device->Fail("VB.Lock");
    CWaveGenerator g(device.get(), 64, 64);
    for (IDirect3DVertexBuffer9* vb : {Probe::QuadVB(g), Probe::GridVB(g)})
    {
        ASSERT_NE(vb, nullptr);
        const auto& bytes = AsBuffer(vb)->Bytes();
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == kFresh; }));
    }
}

TEST(Failures, AGridThatCannotBeCreatedIsTriedAgainByTheNextCall)
{
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
