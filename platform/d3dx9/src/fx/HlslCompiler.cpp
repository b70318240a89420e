#include "HlslCompiler.h"

#include "Glslang.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/SPIRV/GlslangToSpv.h>

namespace swk::d3dx9::fx
{
namespace
{

void readLayout(const glslang::TProgram& program, GlobalLayout* layout)
{
    int global = -1;
    for (int i = 0; i < program.getNumUniformBlocks(); ++i)
        if (program.getUniformBlock(i).name == "$Global")
        {
            global = i;
            layout->size = static_cast<uint32_t>(program.getUniformBlock(i).size);
        }
    for (int i = 0; i < program.getNumUniformVariables(); ++i)
    {
        const glslang::TObjectReflection& u = program.getUniform(i);
        if (global < 0 || u.index != global)
            continue;
        std::string name = u.name;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, "[0]") == 0)
            name.resize(name.size() - 3);
        layout->offsets[name] = static_cast<uint32_t>(u.offset);
    }
}

} // namespace

bool compileShader(const std::string& hlsl, const ShaderCompile& sc, const CompileOptions& options,
                   CompiledShader* out, Diagnostics& diags)
{
    ensureGlslangProcess();
    const EShLanguage lang = sc.stage == ShaderStage::Vertex ? EShLangVertex : EShLangFragment;

    glslang::TShader shader(lang);
    const char* text = hlsl.c_str();
    const int length = static_cast<int>(hlsl.size());
    const char* name = options.mainFile.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setPreamble(options.rowMajorByDefault ? "#pragma pack_matrix(row_major)\n" : "");
    shader.setEntryPoint(sc.entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, lang, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_1);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_3);
    // Keeps the semantics in the module for the patch that places varyings.
    shader.setEnvTargetHlslFunctionality1();
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    // Sampler register s lands at binding 2 + s; the parameter block gets a
    // binding below that and is moved to the stage's own afterwards.
    shader.setShiftBinding(glslang::EResTexture, kFirstSamplerBinding);
    shader.setShiftBinding(glslang::EResSampler, kFirstSamplerBinding);

    const bool parsed = shader.parse(GetDefaultResources(), 100, false, kHlslMessages);
    addInfoLog(shader.getInfoLog(), options.mainFile, diags);
    if (!parsed)
        return false;

    // Destroyed before the shader it links, as glslang requires.
    glslang::TProgram program;
    program.addShader(&shader);
    const bool linked = program.link(kHlslMessages) && program.mapIO();
    addInfoLog(program.getInfoLog(), options.mainFile, diags);
    if (!linked)
    {
        if (!diags.hasErrors())
            diags.error(sc.where, "cannot link '" + sc.entry + "'", sc.entry);
        return false;
    }
    program.buildReflection(EShReflectionDefault | EShReflectionAllBlockVariables);
    readLayout(program, &out->layout);

    std::vector<uint32_t> spirv;
    spv::SpvBuildLogger logger;
    glslang::SpvOptions spvOptions;
    // Legalisation runs in the optimiser; HLSL needs it for valid SPIR-V.
    spvOptions.disableOptimizer = false;
    glslang::GlslangToSpv(*program.getIntermediate(lang), spirv, &logger, &spvOptions);
    if (spirv.empty())
    {
        diags.error(sc.where,
                    "no code generated for '" + sc.entry + "': " + logger.getAllMessages(),
                    sc.entry);
        return false;
    }

    std::string error;
    if (!patchForDevice(spirv, sc.stage, &out->io, &error))
    {
        diags.error(sc.where, sc.entry + ": " + error, sc.entry);
        return false;
    }
    out->blob = makeShaderBlob(sc.stage, out->io.inputs, spirv);
    return true;
}

} // namespace swk::d3dx9::fx
