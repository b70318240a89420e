#include "GlslBlob.h"

#include <glslang/SPIRV/GlslangToSpv.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace swk::test
{
namespace
{

std::vector<uint32_t> compile(const std::string& source, EShLanguage stage)
{
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });

    glslang::TShader shader(stage);
    const char* text = source.c_str();
    shader.setStrings(&text, 1);
    shader.setEnvInput(glslang::EShSourceGlsl, stage, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_1);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_3);
    const auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules);
    if (!shader.parse(GetDefaultResources(), 450, false, messages))
    {
        std::fprintf(stderr, "GLSL compile failed:\n%s\n", shader.getInfoLog());
        return {};
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages))
    {
        std::fprintf(stderr, "GLSL link failed:\n%s\n", program.getInfoLog());
        return {};
    }
    std::vector<uint32_t> spirv;
    glslang::GlslangToSpv(*program.getIntermediate(stage), spirv);
    return spirv;
}

std::vector<DWORD> wrap(ShaderBlobStage stage, const std::vector<BlobInput>& inputs,
                        const std::vector<uint32_t>& spirv)
{
    if (spirv.empty())
        return {};
    ShaderBlobHeader header{kShaderBlobMagic, static_cast<uint32_t>(stage),
                            static_cast<uint32_t>(inputs.size()),
                            static_cast<uint32_t>(spirv.size())};
    std::vector<DWORD> blob(sizeof header / 4);
    std::memcpy(blob.data(), &header, sizeof header);
    for (const BlobInput& i : inputs)
    {
        blob.push_back(i.location);
        blob.push_back(static_cast<DWORD>(i.usage));
        blob.push_back(i.usageIndex);
    }
    blob.insert(blob.end(), spirv.begin(), spirv.end());
    return blob;
}

} // namespace

std::vector<DWORD> vertexBlob(const std::string& glsl, const std::vector<BlobInput>& inputs)
{
    return wrap(ShaderBlobStage::Vertex, inputs, compile(glsl, EShLangVertex));
}

std::vector<DWORD> pixelBlob(const std::string& glsl)
{
    return wrap(ShaderBlobStage::Pixel, {}, compile(glsl, EShLangFragment));
}

} // namespace swk::test
