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

TEST(ShaderGrid, HalvedMapOf256By128GivesTheStripGridOfItsSize)
{
    auto device = MakeDevice(kPS14);
    CWaveGenerator g(device.get(), 512, 256);
    EXPECT_EQ(Probe::GridWidth(g), 256);
    EXPECT_EQ(Probe::GridHeight(g), 128);
    EXPECT_EQ(device->CallTexts("CreateVertexBuffer").back(),
              "CreateVertexBuffer(2097152,0x208,0x112,0,NULL)");
    IDirect3DVertexBuffer9* vb = Probe::GridVB(g);
    ASSERT_NE(vb, nullptr);
    const int stride = 32;
    // The lower vertex of the last pair lies on the bottom edge.
    EXPECT_EQ(Member<float>(vb, stride, 65535, 4), 1.0f);

    // Both sizes are powers of two, so every coordinate is exact.
    int wrong = 0;
    for (int v = 0; v < 2 * 256 * 128; v++)
    {
        const GridVertex p = Locate(v, 256);
        const float x = static_cast<float>(p.j / 256.0), y = static_cast<float>(p.r / 128.0);
        wrong += Member<float>(vb, stride, v, 0) != x || Member<float>(vb, stride, v, 4) != y ||
                 Member<float>(vb, stride, v, 8) != 0.0f || Member<float>(vb, stride, v, 24) != x ||
                 Member<float>(vb, stride, v, 28) != y;
        // The normal is the upload's to write, except in the last column and
        // row, which it never reaches: those hold the flat normal.
        if (NeverUploaded(p, 256, 128))
            wrong += Member<float>(vb, stride, v, 12) != 0.0f ||
                     Member<float>(vb, stride, v, 16) != 0.0f ||
                     Member<float>(vb, stride, v, 20) != 1.0f;
        else
            for (int b = 12; b < 24; b++)
                wrong += AsBuffer(vb)->Bytes()[static_cast<size_t>(v) * stride + b] != kFresh;
    }
    EXPECT_EQ(wrong, 0);
}

struct ScreenGridCase
{
    int width, height; // the request
    int W, H;          // the grid
};

class ScreenGrid : public testing::TestWithParam<ScreenGridCase>
{
};

// Pixel positions at texel centres, with 0.5 depth, 1 rhw and the colour left
// for the upload (the flat colour where the upload never writes).
TEST_P(ScreenGrid, HoldsThePixelPositionOfEveryGridPoint)
{
    const ScreenGridCase c = GetParam();
    auto device = MakeDevice(kNoPS);
    CWaveGenerator g(device.get(), c.width, c.height);
    ASSERT_EQ(Probe::GridWidth(g), c.W);
    ASSERT_EQ(Probe::GridHeight(g), c.H);
    EXPECT_EQ(device->CallTexts("CreateVertexBuffer").back(),
              "CreateVertexBuffer(" + std::to_string(40 * c.W * c.H) + ",0x208,0x44,0,NULL)");
    IDirect3DVertexBuffer9* vb = Probe::GridVB(g);
    ASSERT_NE(vb, nullptr);
    int wrong = 0;
    for (int v = 0; v < 2 * c.W * c.H; v++)
    {
        const GridVertex p = Locate(v, c.W);
        // Sizes that are no power of two round in the last place.
        wrong += std::fabs(Member<float>(vb, 20, v, 0) - p.j) > 1e-4f ||
                 std::fabs(Member<float>(vb, 20, v, 4) - p.r) > 1e-4f ||
                 Member<float>(vb, 20, v, 8) != 0.5f || Member<float>(vb, 20, v, 12) != 1.0f;
        wrong += Member<uint32_t>(vb, 20, v, 16) !=
                 (NeverUploaded(p, c.W, c.H) ? 0xFF7F7FFFu : 0xCDCDCDCDu);
    }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScreenGrid,
                         testing::Values(ScreenGridCase{256, 256, 64, 64},
                                         ScreenGridCase{4 * 50, 4 * 30 + 3, 50, 30}));

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
