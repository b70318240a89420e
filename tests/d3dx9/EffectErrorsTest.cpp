// Compiler messages: errors come back as text that points at the file, line
// and column of the source as written, and leave no effect behind.
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using namespace swk::test;

TEST(EffectErrors, MessagesPlaceTheErrorInTheSourceAsWrittenAndLeaveNoEffect)
{
    // Lines end in CRLF, as in the module's resources.
    const std::string shaderError =
        "// line 1\r\n"
        "texture Tex;\r\n"
        "sampler s = sampler_state\r\n"
        "{\r\n"
        "    Texture = <Tex>;\r\n"
        "};\r\n"
        "float4 PS(float2 uv : TEXCOORD0) : COLOR\r\n"
        "{\r\n"
        "    /* a comment\r\n"
        "       over two lines */\r\n"
        "    return tex2D(s, uv) * undefinedGain;\r\n"
        "}\r\n"
        "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\r\n";
    // Macros from the caller come before the source without moving its lines.
    const D3DXMACRO macros[] = {{"GAIN", "2"}, {"OTHER", nullptr}, {nullptr, nullptr}};
    const std::string vs = "\ntechnique T { pass P { VertexShader = compile vs_2_0 V(); } }\n";
    const struct
    {
        std::string source, where, about;
        const D3DXMACRO* defines = nullptr;
    } cases[] = {
        {shaderError, "memory(11,27)", "undefinedGain"},
        {shaderError, "memory(11,27)", "undefinedGain", macros},
        {"texture Tex;\r\nsampler s = sampler_state\r\n{\r\n    Texture = <Tex>;\r\n"
         "    AdressU = WRAP;\r\n};\r\n",
         "memory(5,5)", "AdressU"},
        {"float4 PS() : COLOR { return 1; }\ntechnique T\n{\n"
         "    pass P { PixelShader = compile vs_2_0 PS(); }\n}\n",
         "memory(4,36)", "vs_2_0"},
        {"float4 PS() : COLOR { return 1; }\n"
         "technique T { pass P { PixelShader = compile ps_2_0 Missing(); } }\n",
         "memory(2,53)", "Missing"},
        // Included text keeps its own file and lines, and the lines after it theirs.
        {"float first;\n#include \"defs.fxh\"\nfloat last;\n", "defs.fxh(2,11)",
         "constant expression expected"},
        {"float first;\n#include \"good.fxh\"\nfloat last;\n"
         "float4 PS() : COLOR { return oops; }\n"
         "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n",
         "memory(4,30)", "oops"},
        // Sources the HLSL compiler must never see, or whose numbers do not fit
        // what they set: refused by the effect parser.
        {"float4 V(float4 p[n) : POSITION { return 0; }" + vs, "memory(1,20)", "']' expected"},
        {"float4 V(in float : POSITION) : POSITION { return 0; }" + vs, "memory(1,19)",
         "parameter name expected"},
        {"float4 V() : POSITION { return 0; }}" + vs, "memory(1,36)", "without an opening"},
        {"float4 V() : POSITION { return float4(0, 0, 0, 1);" + vs, "memory(1,23)",
         "unmatched '{'"},
        {"float4 c; float c;" + vs, "memory(1,17)", "already declared at line 1"},
        {"float V;\nfloat4 V() : POSITION { return 0; }" + vs, "memory(2,8)", "already declared"},
        {"float a[1073741824];", "memory(1,9)", "array size"},
        {"float a[2.5];", "memory(1,9)", "array size"},
        {"int i = 1e10;", "memory(1,7)", "out of range"},
        {"float f = 1e39;", "memory(1,9)", "out of range"},
        {"technique T { pass P { CullMode = 1e38; } }", "memory(1,35)", "out of range"},
        {"technique T { pass P { PointSize = 1e39; } }", "memory(1,36)", "out of range"},
        {"sampler s : register(s99999999999);", "memory(1,22)", "sampler register"},
        {std::string(300, '(') + std::string(300, ')'), "memory(1,257)", "nested"},
    };
    Headers includes; // defs.fxh has an error on its second line; good.fxh has none
    includes.text = {{"defs.fxh", "float a;\nfloat b = ;\n"}, {"good.fxh", "float c;\nfloat d;\n"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.source);
        const CompiledOnDevice fx(c.source, c.defines, &includes);
        EXPECT_EQ(fx.hr, E_FAIL);
        EXPECT_EQ(fx.effect, nullptr);
        EXPECT_NE(fx.messages.find(c.where + ": error: "), std::string::npos) << fx.messages;
        EXPECT_NE(fx.messages.find(c.about), std::string::npos) << fx.messages;
    }
}

} // namespace
