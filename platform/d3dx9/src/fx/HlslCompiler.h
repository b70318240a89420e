// Compiles one shader entry point of an effect with glslang's HLSL front end in
// its Direct3D 9 compatible mode and packs it as a shader blob for our device.
#pragma once

#include "Diagnostics.h"
#include "EffectDesc.h"
#include "SpirvPatch.h"

#include <map>
#include <string>
#include <vector>

namespace swk::d3dx9::fx
{

// Where the global parameters sit in the constant block, from reflection.
struct GlobalLayout
{
    uint32_t size = 0; // bytes
    std::map<std::string, uint32_t> offsets;
};

struct CompiledShader
{
    std::vector<uint32_t> blob;
    PatchResult io;
    GlobalLayout layout; // meaningful when io.usesGlobals
};

struct CompileOptions
{
    std::string mainFile = "memory";
    bool rowMajorByDefault = false;
};

bool compileShader(const std::string& hlsl, const ShaderCompile& shader,
                   const CompileOptions& options, CompiledShader* out, Diagnostics& diags);

} // namespace swk::d3dx9::fx
