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
        d3d_ = ComPtr<IDirect3D9>::adopt(SwkDirect3DCreate9(D3D_SDK_VERSION, &options));
        device_ = createDevice(16, 16, D3DFMT_A8R8G8B8, false, d3d_.get());
        ASSERT_TRUE(device_);
        D3DCAPS9 caps{};
        ASSERT_EQ(device_->GetDeviceCaps(&caps), D3D_OK);
        max_ = caps.MaxTextureWidth;
    }
    void TearDown() override { device_.reset(); }

    ComPtr<IDirect3D9> d3d_;
    std::vector<std::string> lines_;
    UINT max_ = 0;
};

// One row per broken rule: its validation line, the call and whether it runs
// inside a scene. The out-pointer of a Create call starts poisoned and must
// come back null.
struct Refusal
{
    std::string line;
    std::function<HRESULT()> call;
    bool inScene = false;
    HRESULT code = D3DERR_INVALIDCALL;
};

void* const kPoison = reinterpret_cast<void*>(uintptr_t(0xbadc0de));

TEST_F(Arguments, EachBrokenRuleIsRefusedAndNamed)
{
    IDirect3DDevice9* d = device_.get();
    const std::string limit = std::to_string(max_), past = std::to_string(max_ + 1);
    void* made = nullptr;
    auto** texture = reinterpret_cast<IDirect3DTexture9**>(&made);
    auto** surface = reinterpret_cast<IDirect3DSurface9**>(&made);
    auto** buffer = reinterpret_cast<IDirect3DVertexBuffer9**>(&made);
    auto** shader = reinterpret_cast<IDirect3DPixelShader9**>(&made);
    auto tex = [&](UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    { return d->CreateTexture(w, h, levels, usage, format, pool, texture, nullptr); };
    auto rt = [&](UINT w, D3DMULTISAMPLE_TYPE samples)
    { return d->CreateRenderTarget(w, 8, D3DFMT_A8R8G8B8, samples, 0, 0, surface, nullptr); };
    D3DPRESENT_PARAMETERS wide = presentation(60000, 16);
    ComPtr<IDirect3DSurface9> before, target = level(renderTarget(8, 8, D3DFMT_A8R8G8B8).get());
    ASSERT_EQ(d->GetRenderTarget(0, before.out()), D3D_OK);
    const uint8_t zeros[64] = {};
    ComPtr<IDirect3DTexture9> dynamic = dynamicTexture(8, 8, D3DFMT_L8, zeros, 8);
    ComPtr<IDirect3DSurface9> small = systemSurface(4, 8), plain = level(dynamic.get());
    ComPtr<IDirect3DVertexBuffer9> quad =
        vertexBuffer(kFullQuad, sizeof kFullQuad, 0, 0x102, D3DPOOL_MANAGED);
    const D3DVIEWPORT9 good{2, 2, 8, 8, 0.0f, 1.0f}, beyond{10, 0, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(d->SetViewport(&good), D3D_OK);
    D3DLOCKED_RECT locked{};
    const RECT outside{4, 4, 9, 6};
    const DWORD garbage[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const float constants[40] = {};
    void* data = kPoison;
    DWORD value = 0;
    const D3DFORMAT argb = D3DFMT_A8R8G8B8;
    const D3DPOOL def = D3DPOOL_DEFAULT, managed = D3DPOOL_MANAGED;

    const Refusal rules[] = {
        {"CreateTexture: Width " + past + " exceeds MaxTextureWidth " + limit,
         [&] { return tex(max_ + 1, 8, 1, 0, argb, managed); }},
        {"CreateTexture: Width 4294967295 exceeds MaxTextureWidth " + limit,
         [&] { return tex(UINT(-1), UINT(-1), 1, 0, argb, def); }},
        {"CreateTexture: size 0x8 is empty", [&] { return tex(0, 8, 1, 0, argb, managed); }},
        {"CreateTexture: D3DUSAGE_RENDERTARGET needs D3DPOOL_DEFAULT, not Pool 1",
         [&] { return tex(8, 8, 1, D3DUSAGE_RENDERTARGET, argb, managed); }},
        {"CreateTexture: Levels 5 exceeds the full chain of 4",
         [&] { return tex(8, 8, 5, 0, argb, managed); }},
        {"CreateTexture: depth-stencil Format 75 is not allowed here",
         [&] { return tex(8, 8, 1, 0, D3DFMT_D24S8, def); }},
        {"CreateRenderTarget: Width " + past + " exceeds MaxTextureWidth " + limit,
         [&] { return rt(max_ + 1, D3DMULTISAMPLE_NONE); }},
        {"CreateRenderTarget: multisample type 4 quality 0 is not available",
         [&] { return rt(8, D3DMULTISAMPLE_4_SAMPLES); }, false, D3DERR_NOTAVAILABLE},
        {"CreateDepthStencilSurface: Height " + past + " exceeds MaxTextureHeight " + limit,
         [&]
         {
             return d->CreateDepthStencilSurface(8, max_ + 1, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0,
                                                 0, surface, nullptr);
         }},
        {"CreateOffscreenPlainSurface: Pool 1 is not allowed for this resource",
         [&] { return d->CreateOffscreenPlainSurface(4, 4, argb, managed, surface, nullptr); }},
        {"CreateVertexBuffer: Length 8 is less than one vertex of 20 bytes",
         [&] { return d->CreateVertexBuffer(8, 0, 0x102, managed, buffer, nullptr); }},
        {"CreatePixelShader: pFunction is not a shader of this stage",
         [&] { return d->CreatePixelShader(garbage, shader); }},
        {"EndScene: called outside a scene", [&] { return d->EndScene(); }},
        {"BeginScene: called inside a scene", [&] { return d->BeginScene(); }, true},
        {"DrawPrimitiveUP: draws happen between BeginScene and EndScene",
         [&] { return d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, sizeof(QuadVertex)); }},
        {"DrawPrimitiveUP: PrimitiveType 9 with 2 primitives draws nothing valid",
         [&] { return d->DrawPrimitiveUP(D3DPRIMITIVETYPE(9), 2, kFullQuad, 20); }, true},
        {"DrawPrimitiveUP: no FVF is set (FVF 0)",
         [&] { return d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, 20); }, true},
        {"DrawPrimitive: stream 0 has no vertex buffer or stride",
         [&] { return d->SetFVF(0x102), d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2); }, true},
        {"DrawPrimitive: vertices reach past the end of the vertex buffer",
         [&] {
             return d->SetStreamSource(0, quad.get(), 0, 20),
                    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 5);
         },
         true},
        {"SetRenderTarget: RenderTargetIndex 1 exceeds NumSimultaneousRTs 1",
         [&] { return d->SetRenderTarget(1, target.get()); }},
        {"SetRenderTarget: a required pointer is null",
         [&] { return d->SetRenderTarget(0, nullptr); }},
        {"SetRenderTarget: the surface is not a render target",
         [&] { return d->SetRenderTarget(0, plain.get()); }},
        {"SetViewport: viewport reaches past the 16x16 render target",
         [&] { return d->SetViewport(&beyond); }},
        {"Clear: Flags 0x10 are empty or unknown",
         [&] { return d->Clear(0, nullptr, 0x10, 0, 1, 0); }},
        {"Clear: Flags 0x2 clear depth or stencil the bound depth-stencil surface lacks",
         [&] { return d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1, 0); }},
        {"LockRect: the surface cannot be locked",
         [&] { return target->LockRect(&locked, nullptr, 0); }},
        {"LockRect: the rectangle is empty or outside the 8x8 surface",
         [&] { return dynamic->LockRect(0, &locked, &outside, 0); }},
        {"UnlockRect: nothing is locked", [&] { return dynamic->UnlockRect(0); }},
        {"LockRect: the surface is already locked", [&]
         { return plain->LockRect(&locked, nullptr, 0), plain->LockRect(&locked, nullptr, 0); }},
        {"Lock: offset 8 and size 4294967295 reach past the buffer",
         [&] { return plain->UnlockRect(), quad->Lock(8, UINT(-1), &data, 0); }},
        {"Lock: offset 116 and size 8 reach past the buffer",
         [&] { return data = kPoison, quad->Lock(116, 8, &data, 0); }},
        {"GetRenderTargetData: the destination differs from the render target in size or format",
         [&] { return d->GetRenderTargetData(target.get(), small.get()); }},
        {"SetVertexShaderConstantF: registers 255 to 257 exceed the constant file",
         [&] { return d->SetVertexShaderConstantF(255, constants, 2); }},
        {"SetPixelShaderConstantF: registers 223 to 225 exceed the constant file",
         [&] { return d->SetPixelShaderConstantF(223, constants, 2); }},
        {"SetRenderState: state 1 is not one of this call's types",
         [&] { return d->SetRenderState(D3DRENDERSTATETYPE(1), 5); }},
        {"GetRenderState: a required pointer is null",
         [&] { return d->GetRenderState(D3DRS_CULLMODE, nullptr); }},
        {"SetTextureStageState: stage or sampler 8 does not exist",
         [&] { return d->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD); }},
        {"SetTextureStageState: state 12 is not one of this call's types",
         [&] { return d->SetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(12), 1); }},
        {"SetSamplerState: stage or sampler 16 does not exist",
         [&] { return d->SetSamplerState(16, D3DSAMP_MAGFILTER, 2); }},
        {"GetSamplerState: state 14 is not one of this call's types",
         [&] { return d->GetSamplerState(0, D3DSAMPLERSTATETYPE(14), &value); }},
        {"Reset: BackBufferWidth 60000 exceeds MaxTextureWidth " + limit,
         [&] { return d->Reset(&wide); }},
    };
    for (const Refusal& rule : rules)
    {
        lines_.clear();
        made = kPoison;
        if (rule.inScene)
            d->BeginScene();
        EXPECT_EQ(rule.call(), rule.code) << rule.line;
        if (rule.inScene)
            d->EndScene();
        EXPECT_EQ(lines_.empty() ? "" : lines_.back(), rule.line);
        EXPECT_TRUE(rule.line.rfind("Create", 0) != 0 || made == nullptr)
            << rule.line << " left its out-pointer";
    }
    EXPECT_EQ(locked.pBits, nullptr);
    EXPECT_EQ(data, nullptr);
    // A sub-rectangle inside the surface starts at its first texel.
    D3DLOCKED_RECT whole{}, sub{};
    const RECT part{3, 2, 7, 5};
    ASSERT_EQ(dynamic->LockRect(0, &whole, nullptr, D3DLOCK_READONLY), D3D_OK);
    ASSERT_EQ(dynamic->UnlockRect(0), D3D_OK);
    ASSERT_EQ(dynamic->LockRect(0, &sub, &part, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(sub.pBits),
              static_cast<uint8_t*>(whole.pBits) + 2 * whole.Pitch + 3);
    EXPECT_EQ(sub.Pitch, whole.Pitch);
    ASSERT_EQ(dynamic->UnlockRect(0), D3D_OK);
    ComPtr<IDirect3DSurface9> after;
    ASSERT_EQ(d->GetRenderTarget(0, after.out()), D3D_OK);
    EXPECT_EQ(after.get(), before.get());
    D3DVIEWPORT9 now{};
    ASSERT_EQ(d->GetViewport(&now), D3D_OK);
    EXPECT_EQ(std::memcmp(&now, &good, sizeof now), 0);
}

// A Reset refused up front, or failing while it makes the new implicit
// surfaces, keeps the old back buffer, so nothing sees a null target, and the
// device waits for a good Reset.
TEST_F(Arguments, AFailedResetLeavesTheDeviceWaitingForAGoodOne)
{
    const std::pair<D3DPRESENT_PARAMETERS, HRESULT> failures[] = {
        {presentation(60000, 60000), D3DERR_INVALIDCALL},
        {presentation(max_, max_, D3DFMT_A32B32G32R32F), D3DERR_OUTOFVIDEOMEMORY}};
    for (auto [pp, code] : failures)
    {
        const HRESULT hr = device_->Reset(&pp);
        if (hr == D3D_OK && code == D3DERR_OUTOFVIDEOMEMORY)
            continue; // this device has the memory
        EXPECT_EQ(hr, code);
        EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
        ComPtr<IDirect3DSurface9> back;
        EXPECT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
        const D3DVIEWPORT9 viewport{0, 0, 16, 16, 0.0f, 1.0f};
        EXPECT_EQ(device_->SetViewport(&viewport), D3D_OK);
        EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
        device_->SetFVF(0x102);
        scene(
            [&] {
                return device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad,
                                                sizeof(QuadVertex));
            });
    }
    D3DPRESENT_PARAMETERS good = presentation(32, 32);
    EXPECT_EQ(device_->Reset(&good), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
}

} // namespace
} // namespace swk::test
