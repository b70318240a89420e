// The two effect sources as the generator uses them: compiled from the
// module's raw-data resources, with the techniques and defaults the render
// passes rely on, and shader code that follows the device's blob conventions.
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <spirv-tools/libspirv.hpp>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <tuple>

namespace
{

using namespace swk::test;

HMODULE g_module = nullptr;

// A blob's SPIR-V, its disassembly, and each variable's storage class and
// decorations as the disassembly names them.
struct Spirv
{
    std::vector<uint32_t> words;
    std::string text;
    std::map<std::string, std::string> storage; // by variable
    // Variable, decoration, value.
    std::vector<std::tuple<std::string, std::string, std::string>> decorations;

    Spirv(const spvtools::SpirvTools& tools, const std::vector<DWORD>& blob)
        : words(blob.begin() + 4 + blob[2] * 3, blob.end()) // after the header and the inputs
    {
        tools.Disassemble(words, &text);
        static const std::regex variable(R"((%\S+) = OpVariable %\S+ (\w+))"),
            decorate(R"(OpDecorate (%\S+) (Location|BuiltIn|Binding) (\w+))");
        for (std::sregex_iterator m(text.begin(), text.end(), variable), end; m != end; ++m)
            storage[(*m)[1]] = (*m)[2];
        for (std::sregex_iterator m(text.begin(), text.end(), decorate), end; m != end; ++m)
            decorations.emplace_back((*m)[1], (*m)[2], (*m)[3]);
    }
    std::multiset<std::string> decorated(const std::string& storageClass,
                                         const std::string& kind) const
    {
        std::multiset<std::string> out;
        for (const auto& [v, k, value] : decorations)
            if (k == kind && storage.count(v) && storage.at(v) == storageClass)
                out.insert(value);
        return out;
    }
};

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
        const Spirv s(tools, blobs[i]);
        EXPECT_TRUE(tools.Validate(s.words)) << invalid;
        EXPECT_EQ(s.text.find("OpEntryPoint"), s.text.rfind("OpEntryPoint")); // one, or invalid
        for (const char* banned : {"SPV_GOOGLE_", "UserSemantic"})
            EXPECT_EQ(s.text.find(banned), std::string::npos) << banned;
        for (const std::string& b : s.decorated("Uniform", "Binding"))
            EXPECT_EQ(b, std::to_string(vertex ? swk::kVertexConstantsBinding
                                               : swk::kPixelConstantsBinding));
        for (const std::string& b : s.decorated("UniformConstant", "Binding"))
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
        EXPECT_EQ(s.decorated("Output", "Location"), outputs[i / 2]);
        EXPECT_EQ(s.decorated("Output", "BuiltIn"), std::multiset<std::string>{"Position"});
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}
