// The full-target quad and the row-strip grid in the layout of each path.
#include "GpuProbe.h"

#include <gtest/gtest.h>

#include <cstdint>

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
    ASSERT_EQ(AsBuffer(vb)->Bytes().size(), 120u);
    for (int i = 0; i < 6; i++)
    {
        const float* f = reinterpret_cast<const float*>(AsBuffer(vb)->Bytes().data()) + 5 * i;
        EXPECT_EQ(f[0], kQuad[i].x) << "vertex " << i;
        EXPECT_EQ(f[1], kQuad[i].y) << "vertex " << i;
        EXPECT_EQ(f[2], kQuad[i].z) << "vertex " << i;
        EXPECT_EQ(f[3], kQuad[i].u) << "vertex " << i;
        EXPECT_EQ(f[4], kQuad[i].v) << "vertex " << i;
    }
}

TEST(Quad, EveryPathGetsTheManagedQuadAndOnlyGridPathsAGrid)
{
    for (DWORD version : {kPS20, kPS11, kNoPS})
    {
        auto device = MakeDevice(version);
        CWaveGenerator g(device.get(), 64, 64);
        const auto creations = Texts(*device, "CreateVertexBuffer");
        ASSERT_FALSE(creations.empty());
        EXPECT_EQ(creations.front(), "CreateVertexBuffer(120,0x0,0x102,1,NULL)");
        ExpectQuad(Probe::QuadVB(g));
        const bool grid = version != kPS20;
        EXPECT_EQ(creations.size(), grid ? 2u : 1u);
        EXPECT_EQ(Probe::GridVB(g) != nullptr, grid);
        EXPECT_EQ(Probe::GridNormals(g) != nullptr, grid);
    }
}

TEST(Quad, IsRefilledOnEveryCallWithoutBeingCreatedAgain)
{
    auto device = MakeDevice(kPS20);
    CWaveGenerator g(device.get(), 64, 64);
    IDirect3DVertexBuffer9* quad = Probe::QuadVB(g);
    std::fill(AsBuffer(quad)->Bytes().begin(), AsBuffer(quad)->Bytes().end(), 0x5A);

    device->ClearCalls();
    Probe::CreateVertexBuffers(g);
    EXPECT_EQ(Probe::QuadVB(g), quad);
    EXPECT_EQ(Count(*device, "CreateVertexBuffer"), 0);
    EXPECT_EQ(Texts(*device, "VB.Lock"), std::vector<std::string>{"VB.Lock(0,0,0x0)"});
    EXPECT_EQ(Count(*device, "VB.Unlock"), 1);
    ExpectQuad(quad);
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

TEST(ShaderGrid, HalvedMapOf256By128GivesTheStripGridOfItsSize)
{
    auto device = MakeDevice(kPS14);
    CWaveGenerator g(device.get(), 512, 256);
    EXPECT_EQ(Probe::GridWidth(g), 256);
    EXPECT_EQ(Probe::GridHeight(g), 128);
    EXPECT_EQ(Texts(*device, "CreateVertexBuffer").back(),
              "CreateVertexBuffer(2097152,0x208,0x112,0,NULL)");
    IDirect3DVertexBuffer9* vb = Probe::GridVB(g);
    ASSERT_NE(vb, nullptr);
    const int stride = 32;

    EXPECT_EQ(Member<float>(vb, stride, 1, 4), 0.0078125f);
    EXPECT_EQ(Member<float>(vb, stride, 1, 28), 0.0078125f);
    const int last = 65535;
    EXPECT_EQ(Member<float>(vb, stride, last, 0), 0.99609375f);
    EXPECT_EQ(Member<float>(vb, stride, last, 4), 1.0f);
    EXPECT_EQ(Member<float>(vb, stride, last, 24), 0.99609375f);
    EXPECT_EQ(Member<float>(vb, stride, last, 28), 1.0f);

    // Both sizes are powers of two, so every coordinate is exact.
    int wrong = 0;
    for (int v = 0; v < 2 * 256 * 128; v++)
    {
        const GridVertex p = Locate(v, 256);
        const float x = static_cast<float>(p.j / 256.0), y = static_cast<float>(p.r / 128.0);
        wrong += Member<float>(vb, stride, v, 0) != x || Member<float>(vb, stride, v, 4) != y ||
                 Member<float>(vb, stride, v, 8) != 0.0f || Member<float>(vb, stride, v, 24) != x ||
                 Member<float>(vb, stride, v, 28) != y;
        // The normal is the upload's to write.
        for (int b = 12; b < 24; b++)
            wrong += AsBuffer(vb)->Bytes()[static_cast<size_t>(v) * stride + b] != kFresh;
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ScreenGrid, MapOf256HalvedTwiceGivesA64By64GridOfPixelPositions)
{
    auto device = MakeDevice(kNoPS);
    CWaveGenerator g(device.get(), 256, 256);
    EXPECT_EQ(Probe::GridWidth(g), 64);
    EXPECT_EQ(Probe::GridHeight(g), 64);
    EXPECT_EQ(Texts(*device, "CreateVertexBuffer").back(),
              "CreateVertexBuffer(163840,0x208,0x44,0,NULL)");
    IDirect3DVertexBuffer9* vb = Probe::GridVB(g);
    ASSERT_NE(vb, nullptr);
    const int stride = 20;
    int wrong = 0;
    for (int v = 0; v < 2 * 64 * 64; v++)
    {
        const GridVertex p = Locate(v, 64);
        wrong += Member<float>(vb, stride, v, 0) != static_cast<float>(p.j) ||
                 Member<float>(vb, stride, v, 4) != static_cast<float>(p.r) ||
                 Member<float>(vb, stride, v, 8) != 0.5f ||
                 Member<float>(vb, stride, v, 12) != 1.0f;
        wrong += Member<uint32_t>(vb, stride, v, 16) != 0xCDCDCDCDu;
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ScreenGrid, SizesThatAreNoPowerOfTwoStillLandOnTexelCentres)
{
    auto device = MakeDevice(kNoPS);
    CWaveGenerator g(device.get(), 4 * 50, 4 * 30 + 3);
    ASSERT_EQ(Probe::GridWidth(g), 50);
    ASSERT_EQ(Probe::GridHeight(g), 30);
    IDirect3DVertexBuffer9* vb = Probe::GridVB(g);
    ASSERT_NE(vb, nullptr);
    ASSERT_EQ(AsBuffer(vb)->Bytes().size(), 40u * 50 * 30);
    for (int v = 0; v < 2 * 50 * 30; v++)
    {
        const GridVertex p = Locate(v, 50);
        ASSERT_FLOAT_EQ(Member<float>(vb, 20, v, 0), static_cast<float>(p.j)) << v;
        ASSERT_FLOAT_EQ(Member<float>(vb, 20, v, 4), static_cast<float>(p.r)) << v;
    }
}

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
    for (size_t v = 0; v < bytes.size() / stride; v++)
        bytes[v * stride + attribute] = static_cast<uint8_t>(v);
    const std::vector<uint8_t> uploaded = bytes;
    std::fill(bytes.begin(), bytes.begin() + 8, 0x77);

    device->ClearCalls();
    Probe::CreateVertexBuffers(g);
    EXPECT_EQ(Count(*device, "CreateVertexBuffer"), 0);
    EXPECT_EQ(Probe::QuadVB(g), quad);
    EXPECT_EQ(Probe::GridVB(g), grid);
    EXPECT_EQ(Probe::GridNormals(g), normals);
    EXPECT_EQ(Texts(*device, "VB.Lock"),
              (std::vector<std::string>{"VB.Lock(0,0,0x0)", "VB.Lock(0,0,0x0)"}));
    EXPECT_TRUE(bytes == uploaded);

    // As after a device loss: only the grid buffer is created again.
    CD3DWatch::SafeRelease("test", 1, (IUnknown**)&Probe::GridVB(g));
    device->ClearCalls();
    Probe::CreateVertexBuffers(g);
    EXPECT_EQ(Count(*device, "CreateVertexBuffer"), 1);
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
