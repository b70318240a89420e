// The two effect sources as the generator uses them: compiled from the
// module's raw-data resources, with the techniques and defaults the render
// passes rely on, and shader code that follows the device's blob conventions.
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <spirv-tools/libspirv.hpp>

#include <algorithm>
#include <regex>
#include <set>

namespace
{

using namespace swk::test;

HMODULE g_module = nullptr;

// The values of one decoration on the variables of one storage class, as a
// blob's disassembly names them.
std::multiset<std::string> Decorated(const std::string& spirv, const std::string& storageClass,
                                     const std::string& decoration)
{
    std::multiset<std::string> out;
    const std::regex decorate("OpDecorate (%\\w+) " + decoration + " (\\w+)");
    for (std::sregex_iterator m(spirv.begin(), spirv.end(), decorate), end; m != end; ++m)
        if (std::regex_search(
                spirv, std::regex((*m)[1].str() + " = OpVariable %\\w+ " + storageClass + "\n")))
            out.insert((*m)[2]);
    return out;
}

TEST(EffectSources, AreAsciiWithCrlfAndNamedOnTheirFirstLine)
{
    for (auto [file, first] : {std::pair{"HeightMap.fx", "// Height Map Generator Shader\r\n"},
                               std::pair{"NormalMap.fx", "// Normal Map Generator Shader\r\n"}})
    {
        const std::string text = ReadEffectSource(file);
        EXPECT_EQ(text.rfind(first, 0), 0u) << file;
        EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](unsigned char c) { return c < 128; }))
            << file;
        EXPECT_FALSE(std::regex_search(text, std::regex("[^\r]\n"))) << file;
    }
}

// What the effects draw is checked pixel by pixel in the pixel suite; here,
// the names and defaults the generator relies on without setting them, and
// shader blobs any Vulkan driver takes as they are: valid SPIR-V, one entry
// point, no HLSL-only extension, position as the built-in, varyings where the
// semantic puts them, bindings per the blob contract.
TEST(EffectSources, CompileFromTheModuleWithTheirTechniquesDefaultsAndDeviceReadyBlobs)
{
    CompiledOnDevice height(g_module, 101), normal(g_module, 102), missing(g_module, 103);
    EXPECT_TRUE(FAILED(missing.hr));
    EXPECT_EQ(missing.effect, nullptr);
    EXPECT_EQ(missing.messages, "");
    const std::pair<CompiledOnDevice*, std::vector<std::string>> effects[] = {
        {&height, {"T1X"}}, {&normal, {"T10", "T20"}}};
    std::vector<std::vector<DWORD>> blobs; // VS and PS of T1X; then of T10 and T20
    for (const auto& [fx, techniques] : effects)
    {
        ASSERT_EQ(fx->hr, D3D_OK) << techniques[0];
        EXPECT_EQ(fx->messages, "");
        D3DXEFFECT_DESC desc;
        ASSERT_EQ(fx->effect->GetDesc(&desc), D3D_OK);
        std::vector<std::string> names;
        for (UINT i = 0; i < desc.Techniques; ++i)
        {
            D3DXTECHNIQUE_DESC t;
            ASSERT_EQ(fx->effect->GetTechniqueDesc(fx->effect->GetTechnique(i), &t), D3D_OK);
            EXPECT_EQ(t.Passes, 1u);
            names.emplace_back(t.Name);
        }
        EXPECT_EQ(names, techniques);
        blobs.insert(blobs.end(), fx->device->ShaderBlobs().begin(),
                     fx->device->ShaderBlobs().end());
    }
    ASSERT_EQ(blobs.size(), 6u);

    D3DXPARAMETER_DESC desc;
    ASSERT_EQ(normal.effect->GetParameterDesc("fScale", &desc), D3D_OK);
    EXPECT_EQ(std::pair(desc.Class, desc.Type), std::pair(D3DXPC_SCALAR, D3DXPT_FLOAT));
    ASSERT_EQ(normal.effect->GetParameterDesc("HeightMap", &desc), D3D_OK);
    EXPECT_EQ(std::pair(desc.Class, desc.Type), std::pair(D3DXPC_OBJECT, D3DXPT_TEXTURE));
    // T20 reads all four values in its vertex shader; with nothing set, the
    // defaults are what reaches the constants, in declaration order.
    ASSERT_EQ(normal.effect->SetTechnique("T20"), D3D_OK);
    ASSERT_EQ(normal.effect->Begin(nullptr, 0), D3D_OK);
    ASSERT_EQ(normal.effect->BeginPass(0), D3D_OK);
    const std::vector<float>& c = normal.device->VertexConstants();
    EXPECT_EQ(std::vector<float>(c.begin(), c.begin() + 4),
              (std::vector<float>{0.002f, 0.002f, 2.5f, 1.0f}));
    normal.effect->EndPass();
    normal.effect->End();

    spvtools::SpirvTools tools(SPV_ENV_VULKAN_1_1);
    std::string invalid;
    tools.SetMessageConsumer([&invalid](spv_message_level_t, const char*, const spv_position_t&,
                                        const char* m) { invalid += std::string(m) + "\n"; });
    for (size_t i = 0; i < blobs.size(); ++i)
    {
        SCOPED_TRACE(i);
        const auto& h = *reinterpret_cast<const swk::ShaderBlobHeader*>(blobs[i].data());
        ASSERT_EQ(h.magic, swk::kShaderBlobMagic);
        const bool vertex = h.stage == static_cast<uint32_t>(swk::ShaderBlobStage::Vertex);
        EXPECT_EQ(vertex, i % 2 == 0);
        // The SPIR-V follows the header and the inputs.
        const std::vector<uint32_t> words(blobs[i].begin() + 4 + h.inputCount * 3, blobs[i].end());
        std::string s;
        ASSERT_TRUE(tools.Disassemble(words, &s));
        EXPECT_TRUE(tools.Validate(words)) << invalid;
        EXPECT_EQ(s.find("OpEntryPoint"), s.rfind("OpEntryPoint")); // one, or invalid
        for (const char* banned : {"SPV_GOOGLE_", "UserSemantic"})
            EXPECT_EQ(s.find(banned), std::string::npos) << banned;
        for (const std::string& b : Decorated(s, "Uniform", "Binding"))
            EXPECT_EQ(b, std::to_string(vertex ? swk::kVertexConstantsBinding
                                               : swk::kPixelConstantsBinding));
        for (const std::string& b : Decorated(s, "UniformConstant", "Binding"))
            EXPECT_GE(std::stoi(b), int(swk::kFirstSamplerBinding));
        if (!vertex)
        {
            EXPECT_EQ(h.inputCount, 0u);
            continue;
        }
        // Pixel inputs, and so the pairing of the passes' shaders, are left to
        // the pixel suite; the locations every vertex shader writes are fixed.
        const std::string fog = std::to_string(swk::kFogLocation),
                          color0 = std::to_string(swk::kColorLocation0);
        const std::multiset<std::string> outputs[] = {
            {"0", "1", fog}, {color0, fog}, {"0", "1", "2", "3", "4", fog}};
        EXPECT_EQ(Decorated(s, "Output", "Location"), outputs[i / 2]);
        EXPECT_EQ(Decorated(s, "Output", "BuiltIn"), std::multiset<std::string>{"Position"});
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}
