// The effect language as the parser reads it: parameter defaults in their
// many spellings and where they land in the constant registers, sampler and
// pass states, and constructs that must not confuse it.
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace
{

using namespace swk::test;

// Two functions of one name are overloads, not a redeclaration.
const char* const kPassThroughShaders = R"(
float Half(float x) { return x / 2; }
float2 Half(float2 x) { return x / 2; }
struct VSOut { float4 Pos : POSITION; float2 Uv : TEXCOORD0; };
VSOut VS(float2 uv : TEXCOORD0)
{
    VSOut o;
    o.Pos = float4(uv * 2 - 1, 0, 1);
    o.Uv = Half(uv * 2);
    return o;
}
)";

TEST(EffectParser, DefaultsSamplersAndPassStatesReachTheDevicePastCommentsAndStrings)
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
// technique Fake { pass P { } }
/* sampler_state { Texture = <Nothing>; } technique */
string Description = "technique T { } texture sampler_state";
float fGain < string UIName = "gain { }"; > = 3;
texture Tex;
sampler2D sFirst : register(s3) = sampler_state { Texture = (Tex); AddressU = Clamp; };
sampler2D sSecond = sampler_state
{
    Texture = <Tex>;
    AddressU = BORDER; AddressV = D3DTADDRESS_MIRRORONCE; AddressW = WRAP;
    BorderColor = 0xff00ff00; MaxAnisotropy = 4; MipMapLodBias = -0.5;
    MinFilter = ANISOTROPIC; MagFilter = POINT; MipFilter = NONE; SRGBTexture = TRUE;
};
float4 Sum(float2 uv : TEXCOORD0) : COLOR
{
    return fScalar + fExpr + vList.x + vCtor + vSplat + aArray[2] + mCols[1][2] + mRows[1][2]
           + iCount + (bFlag ? 1 : 0) + tex2D(sFirst, uv) + tex2D(sSecond, uv);
}
technique T
{
    pass P
    {
        CullMode = NONE; ZEnable = FALSE; AlphaBlendEnable = true; SrcBlend = SrcAlpha;
        FogStart = 2.5; ColorWriteEnable = 0x7;
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 Sum();
    }
}
)";
    CompiledOnDevice fx(src);
    ASSERT_EQ(fx.hr, D3D_OK) << fx.messages;
    ID3DXEffect* e = fx.effect;

    // Comments, strings and annotations hide the effect keywords in them.
    D3DXEFFECT_DESC desc;
    ASSERT_EQ(e->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(std::pair(desc.Techniques, desc.Parameters), std::pair(1u, 15u));
    LPCSTR text = nullptr;
    ASSERT_EQ(e->GetValue("Description", &text, sizeof text), D3D_OK);
    EXPECT_STREQ(text, "technique T { } texture sampler_state");

    // The getters convert from each parameter's own layout.
    D3DXVECTOR4 v;
    float a[3], g;
    D3DXMATRIX m;
    INT n;
    BOOL b;
    for (HRESULT hr :
         {e->GetVector("vList", &v), e->GetFloatArray("aArray", a, 3), e->GetMatrix("mCols", &m),
          e->GetInt("iCount", &n), e->GetBool("bFlag", &b), e->GetFloat("fGain", &g)})
        EXPECT_EQ(hr, D3D_OK);
    EXPECT_EQ(
        (std::vector<float>{v.x, v.y, v.z, v.w, a[2], m.m[1][2], m.m[0][1], float(n), float(b), g}),
        (std::vector<float>{1, 2, 3, 0, 30, 6, 2, 7, 1, 3}));

    // The pixel shader reads the block; registers hold what the shader expects:
    // arrays one element per register, a column-major matrix one column per
    // register, a row-major one one row per register, ints and bools as integers.
    auto* tex = NewTexture(*fx.device, D3DPOOL_MANAGED);
    ASSERT_EQ(e->SetTexture("Tex", tex), D3D_OK);
    ASSERT_EQ(e->Begin(nullptr, 0), D3D_OK);
    ASSERT_EQ(e->BeginPass(0), D3D_OK);
    const std::vector<float>& c = fx.device->PixelConstants();
    const std::vector<float> registers[] = {
        {-0.25f, 4.25f, 0, 0}, {1, 2, 3, 0},  {5, 6, 7, 8},  {0.5f, 0.5f, 0.5f, 0.5f},
        {10, 0, 0, 0},         {20, 0, 0, 0}, {30, 0, 0, 0}, {1, 4, 0, 0},
        {2, 5, 0, 0},          {3, 6, 0, 0},  {1, 2, 3, 0},  {4, 5, 6, 0}};
    for (size_t r = 0; r < std::size(registers); ++r)
        EXPECT_EQ(std::vector<float>(c.begin() + r * 4, c.begin() + r * 4 + 4), registers[r]) << r;
    int32_t words[2];
    std::memcpy(words, &c[12 * 4], sizeof words);
    EXPECT_EQ(std::pair(words[0], words[1]), std::pair(7, 1));
    TestDevice& d = *fx.device;
    // sFirst keeps its register; sSecond takes the lowest free one.
    EXPECT_EQ(d.Texture(3), tex);
    EXPECT_EQ(d.Texture(0), tex);
    const DWORD minusHalf = 0xbf000000, twoAndHalf = 0x40200000; // -0.5f and 2.5f
    const std::tuple<DWORD, D3DSAMPLERSTATETYPE, DWORD> samplerStates[] = {
        {3, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
        {0, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER},
        {0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRRORONCE},
        {0, D3DSAMP_ADDRESSW, D3DTADDRESS_WRAP},
        {0, D3DSAMP_BORDERCOLOR, 0xff00ff00},
        {0, D3DSAMP_MAXANISOTROPY, 4},
        {0, D3DSAMP_MIPMAPLODBIAS, minusHalf},
        {0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC},
        {0, D3DSAMP_MAGFILTER, D3DTEXF_POINT},
        {0, D3DSAMP_MIPFILTER, D3DTEXF_NONE},
        {0, D3DSAMP_SRGBTEXTURE, 1}};
    for (auto [reg, state, value] : samplerStates)
        EXPECT_EQ(d.SamplerState(reg, state), value) << reg << " " << state;
    // States the source does not list are left to the device.
    EXPECT_EQ(d.SamplerStates().count({3, DWORD(D3DSAMP_ADDRESSV)}), 0u);
    const std::pair<D3DRENDERSTATETYPE, DWORD> renderStates[] = {
        {D3DRS_CULLMODE, D3DCULL_NONE}, {D3DRS_ZENABLE, 0},
        {D3DRS_ALPHABLENDENABLE, 1},    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_FOGSTART, twoAndHalf},   {D3DRS_COLORWRITEENABLE, 7}};
    for (auto [state, value] : renderStates)
        EXPECT_EQ(d.RenderState(state), value) << state;
    e->EndPass();
    e->End();
    tex->Release();
}

TEST(EffectParser, MacrosAndIncludesShapeTheEffect)
{
    Headers includes;
    includes.text["common.fxh"] = "float fFromHeader = 6;\n";
    const std::string pass =
        " { pass P { VertexShader = compile vs_1_1 VS(); PixelShader = compile ps_2_0 PS(); } }\n";
    const std::string src = std::string(kPassThroughShaders) + R"(
#include "common.fxh"
float fScaled = SCALE * 3;
float4 PS(float2 uv : TEXCOORD0) : COLOR { return fFromHeader * uv.x * SCALE; }
#ifdef WITH_SECOND
technique Second)" + pass + "#endif\n#ifndef WITH_SECOND\ntechnique Hidden" +
                            pass + "#endif\ntechnique First" + pass;
    const D3DXMACRO macros[] = {{"SCALE", "2"}, {"WITH_SECOND", nullptr}, {nullptr, nullptr}};
    CompiledOnDevice fx(src, macros, &includes);
    ASSERT_EQ(fx.hr, D3D_OK) << fx.messages;
    EXPECT_STREQ(fx.effect->GetTechnique(0), "Second");
    EXPECT_STREQ(fx.effect->GetTechnique(1), "First");
    EXPECT_EQ(fx.effect->GetTechnique(2), nullptr);
    float f[2] = {};
    fx.effect->GetFloat("fFromHeader", &f[0]);
    fx.effect->GetFloat("fScaled", &f[1]);
    EXPECT_EQ(std::pair(f[0], f[1]), std::pair(6.0f, 6.0f));
    EXPECT_EQ(includes.open, 0);

    // From memory without an include handler an #include cannot be satisfied.
    CompiledOnDevice noHandler(src, macros);
    EXPECT_TRUE(FAILED(noHandler.hr));
    EXPECT_EQ(noHandler.effect, nullptr);
}

} // namespace
