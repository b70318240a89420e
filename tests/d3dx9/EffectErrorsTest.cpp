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
