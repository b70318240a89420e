// Device loss and Reset as Direct3D 9 hosts handle them.
#include "DeviceTest.h"

namespace swk::test
{
namespace
{

using Lifecycle = OpenDevice<16, 16, D3DFMT_X8R8G8B8, true>;

// A refused Reset on a working device is in the argument tests.
TEST_F(Lifecycle, LostDeviceDropsWorkAndResetWaitsForEveryDefaultPoolObject)
{
    auto surface = bindTarget(4, 4, D3DFMT_A8R8G8B8);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff112233, 1.0f, 0), D3D_OK);
    ComPtr<IDirect3DTexture9> texture = renderTarget(8, 8, D3DFMT_A8R8G8B8);
    ASSERT_EQ(device_->SetTexture(0, texture.get()), D3D_OK);
    auto buffer = vertexBuffer(kFullQuad, sizeof kFullQuad, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT);
    // Managed and system-memory objects survive a reset and do not block it.
    auto managed = vertexBuffer(kFullQuad, sizeof kFullQuad, 0, 0, D3DPOOL_MANAGED);
    ASSERT_TRUE(buffer && managed);
    ComPtr<IDirect3DSurface9> copy = systemSurface(4, 4);
    ComPtr<ISwkDevice9> swk;
    ASSERT_EQ(device_->QueryInterface(IID_ISwkDevice9, reinterpret_cast<void**>(swk.out())),
              D3D_OK);
    ASSERT_EQ(swk->LoseDevice(), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS pp = presentation(16, 16, D3DFMT_X8R8G8B8, true);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    // Rendering succeeds and does nothing; reading back reports the loss.
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0), D3D_OK);
    device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    const float vertices[15] = {};
    scene([&] { return device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, 20); });
    EXPECT_EQ(device_->GetRenderTargetData(surface.get(), copy.get()), D3DERR_DEVICELOST);

    ASSERT_EQ(swk->MakeResettable(), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // Each default-pool object the host still holds refuses the Reset; bound
    // ones the host released do not count.
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL) << "the render target texture lives";
    surface.reset();
    texture.reset();
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL) << "the vertex buffer lives";
    buffer.reset();
    EXPECT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ComPtr<IDirect3DBaseTexture9> bound;
    ASSERT_EQ(device_->GetTexture(0, bound.out()), D3D_OK);
    EXPECT_FALSE(bound);
    void* data = nullptr;
    EXPECT_EQ(managed->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(managed->Unlock(), D3D_OK);
}

TEST_F(Lifecycle, ResourcesHoldTheDeviceAndSurfacesTheirTexture)
{
    ComPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(device_->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out(),
                                     nullptr),
              D3D_OK);
    // A level of detail past the chain of four stops at its last level.
    texture->SetLOD(9);
    EXPECT_EQ(texture->GetLOD(), 3u);
    ComPtr<IDirect3DSurface9> surface = level(texture.get(), 2);
    ComPtr<IDirect3DTexture9> container;
    ASSERT_EQ(
        surface->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(container.out())),
        D3D_OK);
    EXPECT_EQ(container.get(), texture.get());
    container.reset();
    texture.reset();
    // The surface keeps its texture, and both keep the device.
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    IDirect3DDevice9* raw = device_.get();
    raw->AddRef();
    device_.reset();
    EXPECT_GT(raw->Release(), 0u);
    ComPtr<IDirect3DDevice9> owner;
    ASSERT_EQ(surface->GetDevice(owner.out()), D3D_OK);
    EXPECT_EQ(owner.get(), raw);
}

} // namespace
} // namespace swk::test
