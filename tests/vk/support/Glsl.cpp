#include "Glsl.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <cstdio>
#include <mutex>

namespace swk::test
{

std::vector<uint32_t> compileGlsl(const std::string& source, GlslStage which)
{
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });

    const EShLanguage stage = which == GlslStage::Vertex ? EShLangVertex : EShLangFragment;
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

} // namespace swk::test
