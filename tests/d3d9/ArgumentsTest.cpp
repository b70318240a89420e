// Calls that break an argument rule fail with the rule's error, name the rule
// in one validation line, null their out-pointers and leave the device as it
// was.
#include "DeviceTest.h"

#include <functional>
#include <string>

namespace swk::test
{
namespace
{

void WINAPI keepLine(const char* line, void* lines)
{
    static_cast<std::vector<std::string>*>(lines)->push_back(line);
}

class Arguments : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        SWK_DEVICE_OPTIONS options{};
        options.Size = sizeof options;
        options.Flags = SWK_OPTION_VALIDATION;
        options.Validation = TRUE;
        options.pfnValidationMessage = keepLine;
        options.pValidationUserData = &lines_;
        d3d_ = ComPtr<IDirect3D9>::Adopt(SwkDirect3DCreate9(D3D_SDK_VERSION, &options));
        ASSERT_TRUE(d3d_);
        device_ = createDevice(16, 16, D3DFMT_A8R8G8B8, false, d3d_.get());
        ASSERT_TRUE(device_);
        D3DCAPS9 caps{};
        ASSERT_EQ(device_->GetDeviceCaps(&caps), D3D_OK);
        max_ = caps.MaxTextureWidth;
        ASSERT_EQ(caps.MaxTextureHeight, max_);
    }
    void TearDown() override
    {
        device_.reset();
        d3d_.reset();
        DeviceTest::TearDown();
    }

    ComPtr<IDirect3D9> d3d_;
    std::vector<std::string> lines_;
    UINT max_ = 0;
};

struct Refusal
{
    HRESULT code;
    std::string line; // the validation line, exactly
    std::function<HRESULT()> call;
};

template <typename T> T* poisoned()
{
    return reinterpret_cast<T*>(uintptr_t(0xbadc0de));
}

// The call is refused and nulls what its out-pointer held before.
template <typename T, typename Create> HRESULT nulled(Create create)
{
    T* out = poisoned<T>();
    const HRESULT hr = create(&out);
    EXPECT_EQ(out, nullptr);
    return hr;
}

TEST_F(Arguments, EachBrokenRuleIsRefusedAndNamed)
{
    IDirect3DDevice9* d = device_.get();
    const std::string limit = std::to_string(max_);
    const std::string past = std::to_string(max_ + 1);
    auto texture = [=](UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                       HANDLE* shared = nullptr)
    {
        return [=]
        {
            return nulled<IDirect3DTexture9>(
                [&](auto** out)
                { return d->CreateTexture(w, h, levels, usage, format, pool, out, shared); });
        };
    };
    auto surface = [=](auto create) { return [=] { return nulled<IDirect3DSurface9>(create); }; };
    HANDLE shared = nullptr;
    ComPtr<IDirect3DTexture9> target = renderTarget(8, 8, D3DFMT_A8R8G8B8);
    ComPtr<IDirect3DSurface9> targetLevel = level(target.get());
    ComPtr<IDirect3DTexture9> dynamic;
    ASSERT_EQ(d->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_L8, D3DPOOL_DEFAULT, dynamic.out(),
                               nullptr),
              D3D_OK);
    ComPtr<IDirect3DSurface9> dynamicLevel = level(dynamic.get());
    ComPtr<IDirect3DSurface9> small;
    ASSERT_EQ(d->CreateOffscreenPlainSurface(4, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, small.out(),
                                             nullptr),
              D3D_OK);
    ComPtr<IDirect3DVertexBuffer9> quad =
        vertexBuffer(kFullQuad, sizeof kFullQuad, 0, 0x102, D3DPOOL_MANAGED);
    const RECT outside{4, 4, 9, 6};
    const D3DVIEWPORT9 beyond{10, 0, 8, 8, 0.0f, 1.0f}, deep{0, 0, 8, 8, 0.0f, 2.0f};
    const DWORD garbage[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    static const float constants[40] = {};
    const std::vector<DWORD> vs = vertexBlob(kTexcoordVertexShader, kTexcoordInputs);
    auto inScene = [=](std::function<HRESULT()> draw)
    {
        return [=]
        {
            d->BeginScene();
            const HRESULT hr = draw();
            d->EndScene();
            return hr;
        };
    };
    auto reset = [=](UINT w, D3DSWAPEFFECT swap, UINT count)
    {
        return [=]
        {
            D3DPRESENT_PARAMETERS pp = presentation(w, 16);
            pp.SwapEffect = swap;
            pp.BackBufferCount = count;
            return d->Reset(&pp);
        };
    };
    const D3DFORMAT depth = D3DFMT_D24S8, argb = D3DFMT_A8R8G8B8;

    const Refusal rules[] = {
        {D3DERR_INVALIDCALL, "CreateTexture: Width " + past + " exceeds MaxTextureWidth " + limit,
         texture(max_ + 1, 8, 1, 0, argb, D3DPOOL_MANAGED)},
        {D3DERR_INVALIDCALL, "CreateTexture: Height " + past + " exceeds MaxTextureHeight " + limit,
         texture(8, max_ + 1, 1, 0, argb, D3DPOOL_DEFAULT)},
        {D3DERR_INVALIDCALL, "CreateTexture: Width 4294967295 exceeds MaxTextureWidth " + limit,
         texture(UINT(-1), UINT(-1), 1, 0, argb, D3DPOOL_DEFAULT)},
        {D3DERR_INVALIDCALL, "CreateTexture: size 0x8 is empty",
         texture(0, 8, 1, 0, argb, D3DPOOL_MANAGED)},
        {D3DERR_INVALIDCALL,
         "CreateTexture: D3DUSAGE_RENDERTARGET needs D3DPOOL_DEFAULT, not Pool 1",
         texture(8, 8, 1, D3DUSAGE_RENDERTARGET, argb, D3DPOOL_MANAGED)},
        {D3DERR_INVALIDCALL, "CreateTexture: Levels 5 exceeds the full chain of 4",
         texture(8, 8, 5, 0, argb, D3DPOOL_MANAGED)},
        {D3DERR_INVALIDCALL, "CreateTexture: depth-stencil Format 75 is not allowed here",
         texture(8, 8, 1, 0, depth, D3DPOOL_DEFAULT)},
        {D3DERR_INVALIDCALL, "CreateTexture: pSharedHandle must be null: no shared resources",
         texture(8, 8, 1, 0, argb, D3DPOOL_DEFAULT, &shared)},
        {D3DERR_INVALIDCALL, "CreateTexture: D3DUSAGE_DYNAMIC is not allowed in D3DPOOL_MANAGED",
         texture(8, 8, 1, D3DUSAGE_DYNAMIC, argb, D3DPOOL_MANAGED)},
        {D3DERR_INVALIDCALL, "CreateTexture: Pool 7 is not a D3DPOOL",
         texture(8, 8, 1, 0, argb, D3DPOOL(7))},
        {D3DERR_INVALIDCALL,
         "CreateRenderTarget: Width " + past + " exceeds MaxTextureWidth " + limit,
         surface(
             [=](auto** out) {
                 return d->CreateRenderTarget(max_ + 1, 8, argb, D3DMULTISAMPLE_NONE, 0, FALSE, out,
                                              nullptr);
             })},
        {D3DERR_NOTAVAILABLE, "CreateRenderTarget: multisample type 4 quality 0 is not available",
         surface(
             [=](auto** out) {
                 return d->CreateRenderTarget(8, 8, argb, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE, out,
                                              nullptr);
             })},
        {D3DERR_INVALIDCALL,
         "CreateDepthStencilSurface: Height " + past + " exceeds MaxTextureHeight " + limit,
         surface(
             [=](auto** out)
             {
                 return d->CreateDepthStencilSurface(8, max_ + 1, depth, D3DMULTISAMPLE_NONE, 0,
                                                     FALSE, out, nullptr);
             })},
        {D3DERR_INVALIDCALL, "CreateOffscreenPlainSurface: Pool 1 is not allowed for this resource",
         surface(
             [=](auto** out) {
                 return d->CreateOffscreenPlainSurface(4, 4, argb, D3DPOOL_MANAGED, out, nullptr);
             })},
        {D3DERR_INVALIDCALL, "CreateVertexBuffer: Length 8 is less than one vertex of 20 bytes",
         [=]
         {
             return nulled<IDirect3DVertexBuffer9>(
                 [&](auto** out)
                 { return d->CreateVertexBuffer(8, 0, 0x102, D3DPOOL_MANAGED, out, nullptr); });
         }},
        {D3DERR_INVALIDCALL, "CreatePixelShader: pFunction is not a shader of this stage",
         [=]
         {
             return nulled<IDirect3DPixelShader9>([&](auto** out)
                                                  { return d->CreatePixelShader(garbage, out); });
         }},
        {D3DERR_INVALIDCALL, "CreatePixelShader: pFunction is not a shader of this stage",
         [=]
         {
             return nulled<IDirect3DPixelShader9>([&](auto** out)
                                                  { return d->CreatePixelShader(vs.data(), out); });
         }},
        {D3DERR_INVALIDCALL, "EndScene: called outside a scene", [=] { return d->EndScene(); }},
        {D3DERR_INVALIDCALL, "BeginScene: called inside a scene",
         inScene([=] { return d->BeginScene(); })},
        {D3DERR_INVALIDCALL, "DrawPrimitiveUP: draws happen between BeginScene and EndScene",
         [=]
         {
             d->SetFVF(0x102);
             return d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, sizeof(QuadVertex));
         }},
        {D3DERR_INVALIDCALL,
         "DrawPrimitiveUP: PrimitiveType 9 with 2 primitives draws nothing valid",
         inScene([=] { return d->DrawPrimitiveUP(D3DPRIMITIVETYPE(9), 2, kFullQuad, 20); })},
        {D3DERR_INVALIDCALL, "DrawPrimitiveUP: no FVF is set (FVF 0)",
         inScene(
             [=]
             {
                 d->SetFVF(0);
                 return d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, 20);
             })},
        {D3DERR_INVALIDCALL, "DrawPrimitive: stream 0 has no vertex buffer or stride",
         inScene(
             [=]
             {
                 d->SetFVF(0x102);
                 d->SetStreamSource(0, nullptr, 0, 0);
                 return d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
             })},
        {D3DERR_INVALIDCALL, "DrawPrimitive: vertices reach past the end of the vertex buffer",
         inScene(
             [=]
             {
                 d->SetStreamSource(0, quad.get(), 0, sizeof(QuadVertex));
                 return d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 5);
             })},
        {D3DERR_INVALIDCALL, "DrawIndexedPrimitive: no index buffer is set",
         inScene([=] { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 2); })},
        {D3DERR_INVALIDCALL, "SetRenderTarget: RenderTargetIndex 1 exceeds NumSimultaneousRTs 1",
         [=] { return d->SetRenderTarget(1, targetLevel.get()); }},
        {D3DERR_INVALIDCALL, "SetRenderTarget: a required pointer is null",
         [=] { return d->SetRenderTarget(0, nullptr); }},
        {D3DERR_INVALIDCALL, "SetRenderTarget: the surface is not a render target",
         [=] { return d->SetRenderTarget(0, dynamicLevel.get()); }},
        {D3DERR_INVALIDCALL, "GetRenderTarget: RenderTargetIndex 2 exceeds NumSimultaneousRTs 1",
         [=] {
             return nulled<IDirect3DSurface9>([&](auto** out)
                                              { return d->GetRenderTarget(2, out); });
         }},
        {D3DERR_INVALIDCALL, "SetViewport: viewport reaches past the 16x16 render target",
         [=] { return d->SetViewport(&beyond); }},
        {D3DERR_INVALIDCALL, "SetViewport: MinZ and MaxZ must lie in [0, 1]",
         [=] { return d->SetViewport(&deep); }},
        {D3DERR_INVALIDCALL, "Clear: Count 1 with null pRects",
         [=] { return d->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0); }},
        {D3DERR_INVALIDCALL, "Clear: Flags 0x10 are empty or unknown",
         [=] { return d->Clear(0, nullptr, 0x10, 0, 1.0f, 0); }},
        {D3DERR_INVALIDCALL,
         "Clear: Flags 0x2 clear depth or stencil the bound depth-stencil surface lacks",
         [=] { return d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0); }},
        {D3DERR_INVALIDCALL, "LockRect: the surface cannot be locked",
         [=]
         {
             D3DLOCKED_RECT locked{};
             return target->LockRect(0, &locked, nullptr, 0);
         }},
        {D3DERR_INVALIDCALL, "LockRect: the rectangle is empty or outside the 8x8 surface",
         [=]
         {
             D3DLOCKED_RECT locked{};
             return dynamic->LockRect(0, &locked, &outside, 0);
         }},
        {D3DERR_INVALIDCALL, "LockRect: Level 1 exceeds the 1 levels",
         [=]
         {
             D3DLOCKED_RECT locked{};
             return dynamic->LockRect(1, &locked, nullptr, 0);
         }},
        {D3DERR_INVALIDCALL, "UnlockRect: nothing is locked",
         [=] { return dynamic->UnlockRect(0); }},
        {D3DERR_INVALIDCALL, "LockRect: the surface is already locked",
         [=]
         {
             D3DLOCKED_RECT first{}, again{};
             dynamic->LockRect(0, &first, nullptr, 0);
             const HRESULT hr = dynamic->LockRect(0, &again, nullptr, 0);
             EXPECT_EQ(again.pBits, nullptr);
             dynamic->UnlockRect(0);
             return hr;
         }},
        {D3DERR_INVALIDCALL, "Lock: offset 8 and size 4294967295 reach past the buffer",
         [=]
         {
             void* data = poisoned<void>();
             return quad->Lock(8, UINT(-1), &data, 0);
         }},
        {D3DERR_INVALIDCALL,
         "GetRenderTargetData: the destination differs from the render target in size or format",
         [=] { return d->GetRenderTargetData(targetLevel.get(), small.get()); }},
        {D3DERR_INVALIDCALL, "GetRenderTargetData: the surface is not a render target",
         [=] { return d->GetRenderTargetData(small.get(), targetLevel.get()); }},
        {D3DERR_INVALIDCALL, "SetTexture: stage or sampler 300 does not exist",
         [=] { return d->SetTexture(300, nullptr); }},
        {D3DERR_INVALIDCALL,
         "SetVertexShaderConstantF: registers 250 to 260 exceed the constant file",
         [=] { return d->SetVertexShaderConstantF(250, constants, 10); }},
        {D3DERR_INVALIDCALL, "Reset: BackBufferWidth 60000 exceeds MaxTextureWidth " + limit,
         reset(60000, D3DSWAPEFFECT_DISCARD, 1)},
        {D3DERR_INVALIDCALL, "Reset: SwapEffect 9 is not a D3DSWAPEFFECT",
         reset(16, D3DSWAPEFFECT(9), 1)},
        {D3DERR_INVALIDCALL, "Reset: BackBufferCount 4 exceeds 3",
         reset(16, D3DSWAPEFFECT_DISCARD, 4)},
    };
    for (const Refusal& rule : rules)
    {
        lines_.clear();
        EXPECT_EQ(rule.call(), rule.code) << rule.line;
        ASSERT_FALSE(lines_.empty()) << rule.line;
        EXPECT_EQ(lines_.back(), rule.line);
    }
}

TEST_F(Arguments, RefusedCallsLeaveTargetsAndViewportAsTheyWere)
{
    ComPtr<IDirect3DSurface9> before;
    ASSERT_EQ(device_->GetRenderTarget(0, before.out()), D3D_OK);
    const D3DVIEWPORT9 good{2, 2, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(device_->SetViewport(&good), D3D_OK);
    EXPECT_EQ(device_->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
    const D3DVIEWPORT9 empty{0, 0, 0, 8, 0.0f, 1.0f};
    EXPECT_EQ(device_->SetViewport(&empty), D3DERR_INVALIDCALL);
    ComPtr<IDirect3DSurface9> after;
    ASSERT_EQ(device_->GetRenderTarget(0, after.out()), D3D_OK);
    EXPECT_EQ(after.get(), before.get());
    D3DVIEWPORT9 now{};
    ASSERT_EQ(device_->GetViewport(&now), D3D_OK);
    EXPECT_EQ(std::memcmp(&now, &good, sizeof now), 0);
}

TEST_F(Arguments, ASubRectangleLockStartsAtItsFirstTexel)
{
    ComPtr<IDirect3DTexture9> dynamic;
    ASSERT_EQ(device_->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_L8, D3DPOOL_DEFAULT,
                                     dynamic.out(), nullptr),
              D3D_OK);
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

// Sizes within the limits whose memory the device cannot have fail as out of
// video memory, not in the driver.
TEST_F(Arguments, TexturesTooLargeForDeviceMemoryAreOutOfVideoMemory)
{
    IDirect3DTexture9* texture = poisoned<IDirect3DTexture9>();
    const HRESULT hr = device_->CreateTexture(max_, max_, 0, 0, D3DFMT_A32B32G32R32F,
                                              D3DPOOL_DEFAULT, &texture, nullptr);
    if (hr == D3D_OK)
    {
        texture->Release();
        GTEST_SKIP() << "this device has the memory for a " << max_ << " square float texture";
    }
    EXPECT_EQ(hr, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(texture, nullptr);
}

// A refused Reset keeps the old back buffer: nothing sees a null target, and
// the device waits for a good Reset.
TEST_F(Arguments, AFailedResetLeavesTheDeviceWaitingForAGoodOne)
{
    D3DPRESENT_PARAMETERS huge = presentation(60000, 60000);
    EXPECT_EQ(device_->Reset(&huge), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ComPtr<IDirect3DSurface9> back;
    EXPECT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    EXPECT_TRUE(back);
    const D3DVIEWPORT9 viewport{0, 0, 16, 16, 0.0f, 1.0f};
    EXPECT_EQ(device_->SetViewport(&viewport), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device_->BeginScene(), D3D_OK);
    device_->SetFVF(0x102);
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, sizeof(QuadVertex)),
              D3D_OK);
    EXPECT_EQ(device_->EndScene(), D3D_OK);
    back.reset();
    D3DPRESENT_PARAMETERS good = presentation(32, 32);
    EXPECT_EQ(device_->Reset(&good), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 32u);
}

} // namespace
} // namespace swk::test
