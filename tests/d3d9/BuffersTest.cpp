// Vertex buffer locks: what flags 0, DISCARD and NOOVERWRITE promise about
// the contents while the GPU reads the buffer.
#include "DeviceTest.h"

namespace swk::test
{
namespace
{

class Buffers : public DiffuseTarget
{
protected:
    static void writeQuad(void* data, D3DCOLOR color, float x0 = 0.0f, float x1 = 8.0f)
    {
        std::memcpy(data, screenQuad(color, 0.5f, x0, x1).data(), 4 * sizeof(ScreenVertex));
    }

    // Two full-target quads, in the colours given.
    ComPtr<IDirect3DVertexBuffer9> buffer(DWORD usage, D3DPOOL pool, D3DCOLOR first,
                                          D3DCOLOR second)
    {
        ScreenVertex quads[8];
        writeQuad(quads, first);
        writeQuad(quads + 4, second);
        return vertexBuffer(quads, sizeof quads, usage, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, pool);
    }

    uint32_t drawAndRead(IDirect3DVertexBuffer9* vb, UINT start)
    {
        device_->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
        scene([&] { return device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, start, 2); });
        return pixel();
    }
};

TEST_F(Buffers, LockWithoutFlagsKeepsWhatTheGpuDrewFromAndIndexedDrawsReadIt)
{
    auto vb =
        buffer(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT, 0xff0000ff, 0xff00ff00);
    ASSERT_TRUE(vb);
    void* data = nullptr;
    EXPECT_EQ(drawAndRead(vb.get(), 0), 0xff0000ffu);

    // Rewrite only the colours of the second quad, as the grid upload does.
    ASSERT_EQ(vb->Lock(4 * sizeof(ScreenVertex), 4 * sizeof(ScreenVertex), &data, 0), D3D_OK);
    auto* second = static_cast<ScreenVertex*>(data);
    EXPECT_EQ(second[3].x, 7.5f) << "positions written earlier are still there";
    for (int i = 0; i < 4; ++i)
        second[i].diffuse = 0xffff0000;
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(drawAndRead(vb.get(), 4), 0xffff0000u);
    EXPECT_EQ(drawAndRead(vb.get(), 0), 0xff0000ffu);

    // The same quad again through an index buffer, from base vertex 4.
    ComPtr<IDirect3DIndexBuffer9> ib;
    ASSERT_EQ(
        device_->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib.out(), nullptr),
        D3D_OK);
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(data, indices, sizeof indices);
    ASSERT_EQ(ib->Unlock(), D3D_OK);
    device_->SetIndices(ib.get());
    scene([&] { return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2); });
    EXPECT_EQ(pixel(1, 6), 0xffff0000u);
}

TEST_F(Buffers, DiscardAndNoOverwriteLetTheCpuRunAhead)
{
    auto vb = buffer(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT, 0, 0);
    ASSERT_TRUE(vb);
    device_->SetStreamSource(0, vb.get(), 0, sizeof(ScreenVertex));
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    const D3DCOLOR colors[4] = {0xff102030, 0xff405060, 0xff708090, 0xffa0b0c0};
    void* data = nullptr;
    for (int band = 0; band < 4; ++band)
    {
        // Each draw reads the memory its lock handed out, though the next
        // lock comes before the GPU has run: every band keeps its colour.
        ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
        writeQuad(data, colors[band], 2.0f * band, 2.0f * band + 2.0f);
        ASSERT_EQ(vb->Unlock(), D3D_OK);
        ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
        // Appending behind what the GPU reads needs no wait and no copy.
        ASSERT_EQ(vb->Lock(4 * sizeof(ScreenVertex), 0, &data, D3DLOCK_NOOVERWRITE), D3D_OK);
        writeQuad(data, colors[band] ^ 0x00ffffff);
        ASSERT_EQ(vb->Unlock(), D3D_OK);
    }
    ASSERT_EQ(device_->EndScene(), D3D_OK);
    const Pixels p = read(surface_.get());
    for (UINT x = 0; x < 8; ++x)
        EXPECT_EQ(p.at<uint32_t>(x, 4, 0), colors[x / 2]) << x;
    EXPECT_EQ(drawAndRead(vb.get(), 4), colors[3] ^ 0x00ffffffu);
}

TEST_F(Buffers, NestedLocksShareTheMemoryAndEachNeedsItsUnlock)
{
    auto vb = vertexBuffer(kFullQuad, sizeof kFullQuad, 0, 0, D3DPOOL_MANAGED);
    ASSERT_TRUE(vb);
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &first, 0), D3D_OK);
    ASSERT_EQ(vb->Lock(16, 16, &second, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(second), static_cast<uint8_t*>(first) + 16);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
}

} // namespace
} // namespace swk::test
