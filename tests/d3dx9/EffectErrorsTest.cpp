// Compiler messages: errors come back as text that points at the line (and
// column) of the source as written, and leave no effect behind.
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using namespace swk::test;

// Lines end in CRLF, as in the module's resources.
std::string Crlf(std::string text)
{
    std::string out;
    for (char c : text)
    {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

void ExpectFailure(const CompiledOnDevice& fx, const std::string& where, const std::string& about)
{
    EXPECT_EQ(fx.hr, E_FAIL);
    EXPECT_EQ(fx.effect, nullptr);
    EXPECT_TRUE(fx.messagesSized);
    EXPECT_NE(fx.messages.find(where + ": error: "), std::string::npos) << fx.messages;
    EXPECT_NE(fx.messages.find(about), std::string::npos) << fx.messages;
}

TEST(EffectErrors, ShaderCodeErrorsNameTheirLineAndColumn)
{
    const std::string src = Crlf(R"(// line 1
texture Tex;
sampler s = sampler_state
{
    Texture = <Tex>;
};
float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    /* a comment
       over two lines */
    return tex2D(s, uv) * undefinedGain;
}
technique T { pass P { PixelShader = compile ps_2_0 PS(); } }
)");
    CompiledOnDevice fx(src);
    ExpectFailure(fx, "memory(11,27)", "undefinedGain");
    // Macros from the caller come before the source without moving its lines.
    const D3DXMACRO macros[] = {{"GAIN", "2"}, {"OTHER", nullptr}, {nullptr, nullptr}};
    CompiledOnDevice withMacros(src, macros);
    ExpectFailure(withMacros, "memory(11,27)", "undefinedGain");
}

TEST(EffectErrors, EffectSyntaxErrorsNameTheirLineAndColumn)
{
    CompiledOnDevice badState(Crlf(R"(texture Tex;
sampler s = sampler_state
{
    Texture = <Tex>;
    AdressU = WRAP;
};
)"));
    ExpectFailure(badState, "memory(5,5)", "AdressU");

    CompiledOnDevice badProfile(R"(float4 PS() : COLOR { return 1; }
technique T
{
    pass P { PixelShader = compile vs_2_0 PS(); }
}
)");
    ExpectFailure(badProfile, "memory(4,36)", "vs_2_0");

    CompiledOnDevice missingEntry(R"(float4 PS() : COLOR { return 1; }
technique T { pass P { PixelShader = compile ps_2_0 Missing(); } }
)");
    EXPECT_EQ(missingEntry.effect, nullptr);
    EXPECT_NE(missingEntry.messages.find("memory(2,"), std::string::npos) << missingEntry.messages;
}

// Sources the HLSL compiler must never see, or whose numbers do not fit what
// they set: refused by the effect parser with a place and a reason.
TEST(EffectErrors, MalformedOrOutOfRangeSourcesAreRefusedBeforeCompiling)
{
    const std::string technique =
        "\ntechnique T { pass P { VertexShader = compile vs_2_0 V(); } }\n";
    const struct
    {
        std::string source, where, about;
    } cases[] = {
        {"float4 V(float4 p[n) : POSITION { return 0; }" + technique, "memory(1,20)",
         "']' expected"},
        {"float4 V() : POSITION { return 0; }}" + technique, "memory(1,36)", "without an opening"},
        {"float4 V() : POSITION { return float4(0, 0, 0, 1);" + technique, "memory(1,23)",
         "unmatched '{'"},
        {"float4 c; float c;" + technique, "memory(1,17)", "already declared at line 1"},
        {"float V;\nfloat4 V() : POSITION { return 0; }" + technique, "memory(2,8)",
         "already declared"},
        {"float a[1073741824];", "memory(1,9)", "array size"},
        {"float a[2.5];", "memory(1,9)", "array size"},
        {"int i = 1e10;", "memory(1,7)", "out of range"},
        {"float f = 1e39;", "memory(1,9)", "out of range"},
        {"technique T { pass P { CullMode = 1e38; } }", "memory(1,35)", "out of range"},
        {"technique T { pass P { PointSize = 1e39; } }", "memory(1,36)", "out of range"},
        {"sampler s : register(s99999999999);", "memory(1,22)", "sampler register"},
        {std::string(300, '(') + std::string(300, ')'), "memory(1,257)", "nested"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.source);
        ExpectFailure(CompiledOnDevice(c.source), c.where, c.about);
    }
    // Two functions of one name are overloads, not a redeclaration.
    CompiledOnDevice overloads("float H(float x) { return x; }\n"
                               "float H(float2 x) { return x.y; }\n"
                               "float4 V() : POSITION { return H(1); }" +
                               technique);
    EXPECT_EQ(overloads.hr, D3D_OK) << overloads.messages;
}

TEST(EffectErrors, IncludedTextKeepsItsOwnFileAndLines)
{
    struct Includes : ID3DXInclude
    {
        std::string header = "float a;\nfloat b = ;\n";
        STDMETHOD(Open)(D3DXINCLUDE_TYPE, LPCSTR, LPCVOID, LPCVOID* data, UINT* bytes) override
        {
            *data = header.data();
            *bytes = static_cast<UINT>(header.size());
            return S_OK;
        }
        STDMETHOD(Close)(LPCVOID) override { return S_OK; }
    } includes;
    const std::string src = "float first;\n#include \"defs.fxh\"\nfloat last;\n";
    CompiledOnDevice inHeader(src, nullptr, &includes);
    ExpectFailure(inHeader, "defs.fxh(2,11)", "constant expression expected");

    includes.header = "float a;\nfloat b;\n";
    CompiledOnDevice afterHeader(
        src + "float4 PS() : COLOR { return oops; }\n"
              "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n",
        nullptr, &includes);
    ExpectFailure(afterHeader, "memory(4,30)", "oops");
}

TEST(EffectErrors, SuccessfulCompilesReturnNoMessages)
{
    CompiledOnDevice fx("float4 PS() : COLOR { return 1; }\n"
                        "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n");
    EXPECT_EQ(fx.hr, D3D_OK);
    EXPECT_NE(fx.effect, nullptr);
    EXPECT_EQ(fx.messages, "");
}

} // namespace
