// The effect language as the parser reads it: parameter defaults in their
// many spellings and where they land in the constant registers, sampler and
// pass states, and constructs that must not confuse it.
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using namespace swk::test;

const char* const kPassThroughShaders = R"(
struct VSOut { float4 Pos : POSITION; float2 Uv : TEXCOORD0; };
VSOut VS(float2 uv : TEXCOORD0)
{
    VSOut o;
    o.Pos = float4(uv * 2 - 1, 0, 1);
    o.Uv = uv;
    return o;
}
)";

TEST(EffectParser, DefaultsInEverySpellingReachTheRegisters)
{
    const std::string src = std::string(kPassThroughShaders) + R"(
float fScalar = -0.25f;
float fExpr = 1.0 / 4 + 2 * (3 - 1);
float3 vList = {1, 2, 3};
float4 vCtor = float4(float2(5, 6), 7, 8);
float4 vSplat = 0.5;
float aArray[3] = {10, 20, 30};
float2x3 mCols = {1, 2, 3, 4, 5, 6};
row_major float2x3 mRows = {1, 2, 3, 4, 5, 6};
int iCount = 7;
bool bFlag = true;
float4 Sum(float2 uv : TEXCOORD0) : COLOR
{
    return fScalar + fExpr + vList.x + vCtor + vSplat + aArray[2] + mCols[1][2] + mRows[1][2]
           + iCount + (bFlag ? 1 : 0) + uv.x;
}
technique T { pass P { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 Sum(); } }
)";
    CompiledOnDevice fx(src);
    ASSERT_EQ(fx.hr, D3D_OK) << fx.messages;

    float f;
    ASSERT_EQ(fx.effect->GetFloat("fScalar", &f), D3D_OK);
    EXPECT_EQ(f, -0.25f);
    ASSERT_EQ(fx.effect->GetFloat("fExpr", &f), D3D_OK);
    EXPECT_EQ(f, 4.25f);
    D3DXVECTOR4 v;
    ASSERT_EQ(fx.effect->GetVector("vList", &v), D3D_OK);
    EXPECT_EQ(std::vector<float>({v.x, v.y, v.z, v.w}), std::vector<float>({1, 2, 3, 0}));
    ASSERT_EQ(fx.effect->GetVector("vCtor", &v), D3D_OK);
    EXPECT_EQ(std::vector<float>({v.x, v.y, v.z, v.w}), std::vector<float>({5, 6, 7, 8}));
    ASSERT_EQ(fx.effect->GetVector("vSplat", &v), D3D_OK);
    EXPECT_EQ(v.w, 0.5f);
    float a[3];
    ASSERT_EQ(fx.effect->GetFloatArray("aArray", a, 3), D3D_OK);
    EXPECT_EQ(a[2], 30);
    D3DXMATRIX m;
    ASSERT_EQ(fx.effect->GetMatrix("mCols", &m), D3D_OK);
    EXPECT_EQ(m.m[1][2], 6);
    EXPECT_EQ(m.m[0][1], 2);
    INT n;
    ASSERT_EQ(fx.effect->GetInt("iCount", &n), D3D_OK);
    EXPECT_EQ(n, 7);
    BOOL b;
    ASSERT_EQ(fx.effect->GetBool("bFlag", &b), D3D_OK);
    EXPECT_TRUE(b);

    // The pixel shader reads the block; registers hold what the shader expects:
    // arrays one element per register, a column-major matrix one column per
    // register, a row-major one one row per register.
    ASSERT_EQ(fx.effect->Begin(nullptr, 0), D3D_OK);
    ASSERT_EQ(fx.effect->BeginPass(0), D3D_OK);
    const std::vector<float>& c = fx.device->PixelConstants();
    auto reg = [&c](int r) { return std::vector<float>(c.begin() + r * 4, c.begin() + r * 4 + 4); };
    using V = std::vector<float>;
    EXPECT_EQ(reg(0), (V{-0.25f, 4.25f, 0, 0}));
    EXPECT_EQ(reg(1), (V{1, 2, 3, 0}));
    EXPECT_EQ(reg(2), (V{5, 6, 7, 8}));
    EXPECT_EQ(reg(3), (V{0.5f, 0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(reg(4)[0], 10);
    EXPECT_EQ(reg(5)[0], 20);
    EXPECT_EQ(reg(6)[0], 30);
    EXPECT_EQ(reg(7), (V{1, 4, 0, 0}));
    EXPECT_EQ(reg(8), (V{2, 5, 0, 0}));
    EXPECT_EQ(reg(9), (V{3, 6, 0, 0}));
    EXPECT_EQ(reg(10), (V{1, 2, 3, 0}));
    EXPECT_EQ(reg(11), (V{4, 5, 6, 0}));
    int32_t words[2];
    std::memcpy(words, &c[12 * 4], sizeof words);
    EXPECT_EQ(words[0], 7);
    EXPECT_EQ(words[1], 1);
    fx.effect->EndPass();
    fx.effect->End();
}

TEST(EffectParser, CommentsAndStringsHideEffectKeywords)
{
    const std::string src = std::string(kPassThroughShaders) + R"(
// technique Fake { pass P { } }
/* sampler_state { Texture = <Nothing>; } technique */
string Description = "technique T { } texture sampler_state";
float fGain < string UIName = "gain { }"; > = 3;
float4 PS(float2 uv : TEXCOORD0) : COLOR { return fGain * uv.x; }
technique T { pass P { VertexShader = compile vs_1_1 VS(); PixelShader = compile ps_2_0 PS(); } }
)";
    CompiledOnDevice fx(src);
    ASSERT_EQ(fx.hr, D3D_OK) << fx.messages;
    D3DXEFFECT_DESC desc;
    ASSERT_EQ(fx.effect->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Techniques, 1u);
    EXPECT_EQ(desc.Parameters, 2u);
    LPCSTR text = nullptr;
    ASSERT_EQ(fx.effect->GetValue("Description", &text, sizeof text), D3D_OK);
    EXPECT_STREQ(text, "technique T { } texture sampler_state");
    float f = 0;
    EXPECT_EQ(fx.effect->GetFloat("fGain", &f), D3D_OK);
    EXPECT_EQ(f, 3);
}

TEST(EffectParser, SamplerAndPassStatesReachTheDevice)
{
    const std::string src = std::string(kPassThroughShaders) + R"(
texture Tex;
sampler2D sFirst : register(s3) = sampler_state { Texture = (Tex); AddressU = Clamp; };
sampler2D sSecond = sampler_state
{
    Texture = <Tex>;
    AddressU = BORDER; AddressV = D3DTADDRESS_MIRRORONCE; AddressW = WRAP;
    BorderColor = 0xff00ff00; MaxAnisotropy = 4; MipMapLodBias = -0.5;
    MinFilter = ANISOTROPIC; MagFilter = POINT; MipFilter = NONE; SRGBTexture = TRUE;
};
float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(sFirst, uv) + tex2D(sSecond, uv); }
technique T
{
    pass P
    {
        CullMode = NONE; ZEnable = FALSE; AlphaBlendEnable = true; SrcBlend = SrcAlpha;
        FogStart = 2.5; ColorWriteEnable = 0x7;
        VertexShader = compile vs_1_1 VS();
        PixelShader = compile ps_2_0 PS();
    }
}
)";
    CompiledOnDevice fx(src);
    ASSERT_EQ(fx.hr, D3D_OK) << fx.messages;
    auto* tex = NewTexture(*fx.device, D3DPOOL_MANAGED);
    ASSERT_EQ(fx.effect->SetTexture("Tex", tex), D3D_OK);
    ASSERT_EQ(fx.effect->Begin(nullptr, 0), D3D_OK);
    ASSERT_EQ(fx.effect->BeginPass(0), D3D_OK);
    TestDevice& d = *fx.device;
    // sFirst keeps its register; sSecond takes the lowest free one.
    EXPECT_EQ(d.Texture(3), tex);
    EXPECT_EQ(d.Texture(0), tex);
    auto state = [&d](DWORD reg, D3DSAMPLERSTATETYPE t) { return d.SamplerState(reg, t); };
    EXPECT_EQ(state(3, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
    EXPECT_EQ(state(0, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_BORDER));
    EXPECT_EQ(state(0, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_MIRRORONCE));
    EXPECT_EQ(state(0, D3DSAMP_ADDRESSW), DWORD(D3DTADDRESS_WRAP));
    EXPECT_EQ(state(0, D3DSAMP_BORDERCOLOR), 0xff00ff00u);
    EXPECT_EQ(state(0, D3DSAMP_MAXANISOTROPY), 4u);
    const float bias = -0.5f;
    DWORD biasBits;
    std::memcpy(&biasBits, &bias, sizeof biasBits);
    EXPECT_EQ(state(0, D3DSAMP_MIPMAPLODBIAS), biasBits);
    EXPECT_EQ(state(0, D3DSAMP_MINFILTER), DWORD(D3DTEXF_ANISOTROPIC));
    EXPECT_EQ(state(0, D3DSAMP_MAGFILTER), DWORD(D3DTEXF_POINT));
    EXPECT_EQ(state(0, D3DSAMP_MIPFILTER), DWORD(D3DTEXF_NONE));
    EXPECT_EQ(state(0, D3DSAMP_SRGBTEXTURE), 1u);
    EXPECT_EQ(d.RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    EXPECT_EQ(d.RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(d.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(d.RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    const float fogStart = 2.5f;
    DWORD fogBits;
    std::memcpy(&fogBits, &fogStart, sizeof fogBits);
    EXPECT_EQ(d.RenderState(D3DRS_FOGSTART), fogBits);
    EXPECT_EQ(d.RenderState(D3DRS_COLORWRITEENABLE), 7u);
    fx.effect->EndPass();
    fx.effect->End();
    tex->Release();
}

TEST(EffectParser, MacrosAndIncludesShapeTheEffect)
{
    struct Includes : ID3DXInclude
    {
        std::string header = "float fFromHeader = 6;\n";
        int open = 0;
        STDMETHOD(Open)(D3DXINCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID* data, UINT* bytes) override
        {
            if (std::strcmp(name, "common.fxh") != 0)
                return E_FAIL;
            ++open;
            *data = header.data();
            *bytes = static_cast<UINT>(header.size());
            return S_OK;
        }
        STDMETHOD(Close)(LPCVOID) override
        {
            --open;
            return S_OK;
        }
    } includes;
    const std::string src = std::string(kPassThroughShaders) + R"(
#include "common.fxh"
float4 PS(float2 uv : TEXCOORD0) : COLOR { return fFromHeader * uv.x * SCALE; }
#ifdef WITH_SECOND
technique Second { pass P { VertexShader = compile vs_1_1 VS(); PixelShader = compile ps_2_0 PS(); } }
#endif
technique First { pass P { VertexShader = compile vs_1_1 VS(); PixelShader = compile ps_2_0 PS(); } }
)";
    const D3DXMACRO both[] = {{"SCALE", "2"}, {"WITH_SECOND", nullptr}, {nullptr, nullptr}};
    CompiledOnDevice withSecond(src, both, &includes);
    ASSERT_EQ(withSecond.hr, D3D_OK) << withSecond.messages;
    EXPECT_STREQ(withSecond.effect->GetTechnique(0), "Second");
    float f = 0;
    EXPECT_EQ(withSecond.effect->GetFloat("fFromHeader", &f), D3D_OK);
    EXPECT_EQ(f, 6);
    EXPECT_EQ(includes.open, 0);

    const D3DXMACRO scaleOnly[] = {{"SCALE", "2"}, {nullptr, nullptr}};
    CompiledOnDevice firstOnly(src, scaleOnly, &includes);
    ASSERT_EQ(firstOnly.hr, D3D_OK) << firstOnly.messages;
    EXPECT_STREQ(firstOnly.effect->GetTechnique(0), "First");
    EXPECT_EQ(firstOnly.effect->GetTechnique(1), nullptr);

    // From memory without an include handler an #include cannot be satisfied.
    CompiledOnDevice noHandler(src, scaleOnly);
    EXPECT_TRUE(FAILED(noHandler.hr));
    EXPECT_EQ(noHandler.effect, nullptr);
}

} // namespace
