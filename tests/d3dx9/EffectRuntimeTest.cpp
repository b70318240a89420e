// The effect's device protocol: what Begin/BeginPass/CommitChanges set, what
// End gives back, handles, references and device loss.
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using namespace swk::test;

const char* const kEffect = R"(
float fGain = 2;
texture Tex;
sampler sTex = sampler_state { Texture = <Tex>; AddressU = MIRROR; MinFilter = LINEAR; };
float4 VS(float2 uv : TEXCOORD0) : POSITION { return float4(uv * fGain, 0, 1); }
float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(sTex, uv) * fGain; }
technique Draw { pass P0 { CullMode = NONE; VertexShader = compile vs_1_1 VS(); PixelShader = compile ps_2_0 PS(); } }
technique Other { pass P0 { PixelShader = compile ps_2_0 PS(); } }
)";

// Everything a pass changes, as one list: the shaders, the texture and two
// sampler states of register 0, the cull mode and the first constants.
std::vector<uintptr_t> PassState(const TestDevice& d)
{
    return {uintptr_t(d.VertexShader()),
            uintptr_t(d.PixelShader()),
            uintptr_t(d.Texture(0)),
            d.SamplerState(0, D3DSAMP_ADDRESSU),
            d.SamplerState(0, D3DSAMP_MINFILTER),
            d.RenderState(D3DRS_CULLMODE),
            uintptr_t(d.VertexConstants()[0]),
            uintptr_t(d.PixelConstants()[0])};
}

TEST(EffectRuntime, PassesSetTheirStateCommitChangesAndEndRestoresTheHosts)
{
    CompiledOnDevice fx(kEffect);
    ASSERT_EQ(fx.hr, D3D_OK) << fx.messages;
    TestDevice& d = *fx.device;
    ID3DXEffect* e = fx.effect;
    // The host's state differs in every item from what the pass sets.
    const DWORD vsBlob[4] = {swk::kShaderBlobMagic, 0, 0, 0},
                psBlob[4] = {swk::kShaderBlobMagic, 1, 0, 0};
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(d.CreateVertexShader(vsBlob, &vs), D3D_OK);
    ASSERT_EQ(d.CreatePixelShader(psBlob, &ps), D3D_OK);
    auto* hostTexture = NewTexture(d, D3DPOOL_MANAGED);
    d.SetVertexShader(vs);
    d.SetPixelShader(ps);
    d.SetTexture(0, hostTexture);
    d.SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    const float nine[4] = {9, 9, 9, 9};
    d.SetVertexShaderConstantF(0, nine, 1);
    d.SetPixelShaderConstantF(0, nine, 1);
    const std::vector<uintptr_t> host = PassState(d);
    auto* effectTexture = NewTexture(d, D3DPOOL_DEFAULT);
    e->SetTexture("Tex", effectTexture);

    UINT passes = 0;
    ASSERT_EQ(e->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    ASSERT_EQ(e->BeginPass(0), D3D_OK);
    const std::vector<uintptr_t> pass = PassState(d);
    EXPECT_NE(pass[0], host[0]);
    EXPECT_NE(pass[1], host[1]);
    EXPECT_EQ(std::vector<uintptr_t>(pass.begin() + 2, pass.end()),
              (std::vector<uintptr_t>{uintptr_t(effectTexture), D3DTADDRESS_MIRROR, D3DTEXF_LINEAR,
                                      D3DCULL_NONE, 2, 2}));
    // Changes inside a pass wait for CommitChanges; a commit of nothing sends nothing.
    auto* second = NewTexture(d, D3DPOOL_DEFAULT);
    e->SetFloat("fGain", 5);
    e->SetTexture("Tex", second);
    EXPECT_EQ(PassState(d), pass);
    ASSERT_EQ(e->CommitChanges(), D3D_OK);
    std::vector<uintptr_t> committed = pass;
    committed[2] = uintptr_t(second);
    committed[6] = committed[7] = 5;
    EXPECT_EQ(PassState(d), committed);
    d.ClearCalls();
    e->CommitChanges();
    EXPECT_EQ(d.CallTexts(), std::vector<std::string>{});
    ASSERT_EQ(e->EndPass(), D3D_OK);
    ASSERT_EQ(e->End(), D3D_OK);
    EXPECT_EQ(PassState(d), host);
    // End let go of what it saved: only the host's reference remains.
    EXPECT_EQ(hostTexture->references(), 1u);
    vs->AddRef();
    EXPECT_EQ(vs->Release(), 1u);

    // Without saving, the pass's state stays behind.
    ASSERT_EQ(e->Begin(nullptr, D3DXFX_DONOTSAVESTATE), D3D_OK);
    ASSERT_EQ(e->BeginPass(0), D3D_OK);
    e->EndPass();
    e->End();
    EXPECT_EQ(PassState(d), committed);
    for (IUnknown* object :
         std::initializer_list<IUnknown*>{vs, ps, hostTexture, effectTexture, second})
        object->Release();
}

TEST(EffectRuntime, HandlesAndNamesAreInterchangeableAndReferencesAreKept)
{
    CompiledOnDevice fx(kEffect);
    ASSERT_EQ(fx.hr, D3D_OK) << fx.messages;
    ID3DXEffect* e = fx.effect;
    const D3DXHANDLE gain = e->GetParameterByName(nullptr, "fGain");
    ASSERT_NE(gain, nullptr);
    const std::string name = "fGain"; // a different pointer to the same name
    EXPECT_EQ(e->SetFloat(gain, 3), D3D_OK);
    float f = 0;
    EXPECT_EQ(e->GetFloat(name.c_str(), &f), D3D_OK);
    EXPECT_EQ(f, 3);

    const D3DXHANDLE other = e->GetTechniqueByName("Other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(e->SetTechnique(other), D3D_OK);
    // Both techniques name their pass P0; the handle tells them apart.
    const D3DXHANDLE pass = e->GetPassByName(other, "P0");
    ASSERT_NE(pass, nullptr);
    EXPECT_NE(pass, e->GetPass("Draw", 0));
    D3DXPASS_DESC desc;
    ASSERT_EQ(e->GetPassDesc(pass, &desc), D3D_OK);
    EXPECT_EQ(desc.pVertexShaderFunction, nullptr);
    EXPECT_NE(desc.pPixelShaderFunction, nullptr);

    EXPECT_EQ(e->GetParameterByName(nullptr, "fMissing"), nullptr);
    for (HRESULT hr : {e->SetFloat("fMissing", 1), e->SetTexture("fGain", nullptr),
                       e->SetMatrix("fGain", nullptr), e->SetTechnique("Missing")})
        EXPECT_EQ(hr, D3DERR_INVALIDCALL);

    EXPECT_EQ(fx.device->references(), 2u);
    IDirect3DDevice9* got = nullptr;
    ASSERT_EQ(e->GetDevice(&got), D3D_OK);
    EXPECT_EQ(got->Release(), 2u); // GetDevice added a reference for the caller

    auto* defaultPool = NewTexture(*fx.device, D3DPOOL_DEFAULT);
    auto* managed = NewTexture(*fx.device, D3DPOOL_MANAGED);
    e->SetTexture("Tex", defaultPool);
    EXPECT_EQ(defaultPool->references(), 2u);
    // A device reset must not find default-pool textures alive in the effect.
    EXPECT_EQ(e->OnLostDevice(), D3D_OK);
    EXPECT_EQ(defaultPool->references(), 1u);
    EXPECT_EQ(e->OnResetDevice(), D3D_OK);
    e->SetTexture("Tex", managed);
    e->OnLostDevice();
    IDirect3DBaseTexture9* kept = nullptr;
    ASSERT_EQ(e->GetTexture("Tex", &kept), D3D_OK);
    EXPECT_EQ(kept, managed);
    kept->Release();

    EXPECT_EQ(std::exchange(fx.effect, nullptr)->Release(), 0u);
    EXPECT_EQ(managed->references(), 1u);
    EXPECT_EQ(fx.device->references(), 1u);
    defaultPool->Release();
    managed->Release();
}

} // namespace
