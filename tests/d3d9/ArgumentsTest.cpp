// Calls with bad arguments fail with D3DERR_INVALIDCALL, null their
// out-pointers and leave the device as it was.
#include "DeviceTest.h"

namespace swk::test
{
namespace
{

using Arguments = OpenDevice<16, 16>;

template <typename T> T* poisoned()
{
    return reinterpret_cast<T*>(uintptr_t(0xbadc0de));
}

// The call is refused and nulls what its out-pointer held before.
template <typename T, typename Create> void expectRefused(Create&& create, const char* why = "")
{
    T* out = poisoned<T>();
    EXPECT_EQ(create(&out), D3DERR_INVALIDCALL) << why;
    EXPECT_EQ(out, nullptr) << why;
}

TEST_F(Arguments, CreationFailuresNullTheOutPointer)
{
    using Texture = IDirect3DTexture9;
    auto texture = [&](UINT width, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                       HANDLE* shared = nullptr)
    {
        return [=](Texture** out)
        { return device_->CreateTexture(width, 8, levels, usage, format, pool, out, shared); };
    };
    expectRefused<Texture>(texture(0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), "no width");
    expectRefused<Texture>(texture(8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED),
                           "render targets live in the default pool only");
    expectRefused<Texture>(texture(8, 5, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED),
                           "an 8x8 chain has four levels");
    expectRefused<Texture>(texture(8, 1, 0, D3DFMT_D24S8, D3DPOOL_DEFAULT), "depth texture");
    HANDLE shared = nullptr;
    expectRefused<Texture>(texture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &shared), "shared");

    expectRefused<IDirect3DVertexBuffer9>(
        [&](auto** out)
        { return device_->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, out, nullptr); });
    expectRefused<IDirect3DSurface9>(
        [&](auto** out)
        {
            return device_->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, out,
                                                        nullptr);
        });
    const DWORD garbage[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<DWORD> vs = vertexBlob(kTexcoordVertexShader, kTexcoordInputs);
    for (const DWORD* blob : {garbage, vs.data()})
        expectRefused<IDirect3DPixelShader9>([&](auto** out)
                                             { return device_->CreatePixelShader(blob, out); },
                                             "garbage, or a vertex shader blob");
}

TEST_F(Arguments, SceneNestingAndDrawsOutsideAScene)
{
    EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
    EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);

    device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, sizeof(QuadVertex)),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL)
        << "no stream source";
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPRIMITIVETYPE(9), 2, kFullQuad, sizeof(QuadVertex)),
              D3DERR_INVALIDCALL);
    device_->SetFVF(0);
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, sizeof(QuadVertex)),
              D3DERR_INVALIDCALL)
        << "no vertex format";
    ASSERT_EQ(device_->EndScene(), D3D_OK);
}

TEST_F(Arguments, DrawsPastTheEndOfTheBufferAreRefused)
{
    Com<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(
        device_->CreateVertexBuffer(sizeof kFullQuad, 0, 0x102, D3DPOOL_MANAGED, vb.out(), nullptr),
        D3D_OK);
    device_->SetStreamSource(0, vb.get(), 0, sizeof(QuadVertex));
    device_->SetFVF(0x102);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 5), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 4), D3D_OK);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
}

TEST_F(Arguments, TargetsAndViewportKeepTheirValuesOnBadCalls)
{
    Com<IDirect3DSurface9> before;
    ASSERT_EQ(device_->GetRenderTarget(0, before.out()), D3D_OK);
    EXPECT_EQ(device_->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderTarget(1, before.get()), D3DERR_INVALIDCALL);
    Com<IDirect3DTexture9> plain;
    ASSERT_EQ(
        device_->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, plain.out(), nullptr),
        D3D_OK);
    auto plainLevel = level(plain.get());
    EXPECT_EQ(device_->SetRenderTarget(0, plainLevel.get()), D3DERR_INVALIDCALL)
        << "not a render target";
    Com<IDirect3DSurface9> after;
    ASSERT_EQ(device_->GetRenderTarget(0, after.out()), D3D_OK);
    EXPECT_EQ(after.get(), before.get());
    IDirect3DSurface9* none = poisoned<IDirect3DSurface9>();
    EXPECT_EQ(device_->GetRenderTarget(2, &none), D3DERR_INVALIDCALL);
    EXPECT_EQ(none, nullptr);

    const D3DVIEWPORT9 good{2, 2, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(device_->SetViewport(&good), D3D_OK);
    const D3DVIEWPORT9 outside{10, 0, 8, 8, 0.0f, 1.0f};
    EXPECT_EQ(device_->SetViewport(&outside), D3DERR_INVALIDCALL);
    const D3DVIEWPORT9 depth{0, 0, 8, 8, 0.0f, 2.0f};
    EXPECT_EQ(device_->SetViewport(&depth), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 now{};
    ASSERT_EQ(device_->GetViewport(&now), D3D_OK);
    EXPECT_EQ(std::memcmp(&now, &good, sizeof now), 0);
    EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, 0x10, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(Arguments, LocksFollowDirect3DRules)
{
    auto target = renderTarget(8, 8, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(target->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL)
        << "render target textures are not lockable";
    EXPECT_EQ(locked.pBits, nullptr);

    Com<IDirect3DTexture9> dynamic;
    ASSERT_EQ(device_->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_L8, D3DPOOL_DEFAULT,
                                     dynamic.out(), nullptr),
              D3D_OK);
    const RECT outside{4, 4, 9, 6};
    EXPECT_EQ(dynamic->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dynamic->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dynamic->UnlockRect(0), D3DERR_INVALIDCALL) << "not locked";
    ASSERT_EQ(dynamic->LockRect(0, &locked, nullptr, 0), D3D_OK);
    D3DLOCKED_RECT again{};
    EXPECT_EQ(dynamic->LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(again.pBits, nullptr);
    EXPECT_EQ(dynamic->UnlockRect(0), D3D_OK);

    // A sub-rectangle starts at its first texel, rows still a pitch apart.
    const RECT part{3, 2, 7, 5};
    D3DLOCKED_RECT whole{}, sub{};
    ASSERT_EQ(dynamic->LockRect(0, &whole, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* base = static_cast<uint8_t*>(whole.pBits);
    ASSERT_EQ(dynamic->UnlockRect(0), D3D_OK);
    ASSERT_EQ(dynamic->LockRect(0, &sub, &part, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(sub.pBits), base + 2 * whole.Pitch + 3);
    EXPECT_EQ(sub.Pitch, whole.Pitch);
    ASSERT_EQ(dynamic->UnlockRect(0), D3D_OK);
}

TEST_F(Arguments, GetRenderTargetDataNeedsAMatchingSystemMemorySurface)
{
    auto surface = level(renderTarget(8, 8, D3DFMT_A8R8G8B8).get());
    Com<IDirect3DSurface9> small, wrongFormat, defaultPool;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(4, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                   small.out(), nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                   wrongFormat.out(), nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                                   defaultPool.out(), nullptr),
              D3D_OK);
    EXPECT_EQ(device_->GetRenderTargetData(surface.get(), small.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderTargetData(surface.get(), wrongFormat.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderTargetData(surface.get(), defaultPool.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderTargetData(small.get(), surface.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderTargetData(nullptr, small.get()), D3DERR_INVALIDCALL);
}

} // namespace
} // namespace swk::test
