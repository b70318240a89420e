// Makes a SPIR-V module from glslang's HLSL front end fit our Direct3D 9
// device: varyings at fixed locations by semantic (so any vertex shader links
// with any pixel shader), POSITION as the position built-in, the global
// parameter block at the stage's constant binding, and no dependence on the
// HLSL-only extensions.
#pragma once

#include "EffectDesc.h"

#include <swk/ShaderBlob.h>

#include <cstdint>
#include <string>
#include <vector>

namespace swk::d3dx9::fx
{

struct PatchResult
{
    std::vector<ShaderBlobInput> inputs;    // vertex stage only
    bool usesGlobals = false;               // has the global parameter block
    std::vector<uint32_t> samplerRegisters; // registers of the samplers it reads
};

// Rewrites spirv in place; on failure returns false with a message naming the
// offending semantic.
bool patchForDevice(std::vector<uint32_t>& spirv, ShaderStage stage, PatchResult* result,
                    std::string* error);

// Header, vertex inputs and SPIR-V in the layout CreateVertexShader and
// CreatePixelShader take.
std::vector<uint32_t> makeShaderBlob(ShaderStage stage, const std::vector<ShaderBlobInput>& inputs,
                                     const std::vector<uint32_t>& spirv);

} // namespace swk::d3dx9::fx
