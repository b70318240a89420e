// Turns effect source text into everything an effect needs on a device:
// parameters, samplers, techniques and a shader blob per pass and stage.
#pragma once

#include "Diagnostics.h"
#include "EffectDesc.h"
#include "HlslCompiler.h"

#include <d3dx9.h>

#include <string>
#include <string_view>
#include <vector>

namespace swk::d3dx9::fx
{

struct EffectSource
{
    std::string_view text;
    std::string name = "memory";
    const D3DXMACRO* defines = nullptr;
    ID3DXInclude* include = nullptr;
    DWORD flags = 0; // D3DXSHADER_* and D3DXFX_*
};

struct CompiledPass
{
    int vertexShader = -1; // index into CompiledEffect::shaders; -1: none
    int pixelShader = -1;
};

struct CompiledEffect
{
    ParsedEffect parsed;
    std::vector<CompiledShader> shaders;
    std::vector<std::vector<CompiledPass>> passes; // [technique][pass]
    GlobalLayout layout;                           // of every shader that has the block
};

bool compileEffect(const EffectSource& source, CompiledEffect* out, Diagnostics& diags);

} // namespace swk::d3dx9::fx
