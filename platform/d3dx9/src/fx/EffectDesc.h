// What the effect parser finds in an effect file: its parameters, samplers and
// techniques, independent of any device.
#pragma once

#include "Diagnostics.h"

#include <d3dx9.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace swk::d3dx9::fx
{

enum class NumericBase
{
    Float,
    Int,
    Bool,
};

struct ParamDecl
{
    std::string name;
    std::string semantic;
    D3DXPARAMETER_CLASS cls = D3DXPC_SCALAR;
    D3DXPARAMETER_TYPE type = D3DXPT_FLOAT;
    UINT rows = 1;
    UINT columns = 1;
    UINT elements = 0; // 0 for a non-array
    bool rowMajor = false;
    bool shared = false;
    // Numeric values in the parameter's own layout (rows x columns per element,
    // row by row), as 32-bit words of its base type; empty for objects.
    std::vector<uint32_t> defaults;
    std::string stringValue;
    int sampler = -1; // index into ParsedEffect::samplers for sampler parameters
    SourceLocation where;

    bool isNumeric() const { return cls <= D3DXPC_MATRIX_COLUMNS; }
    UINT components() const { return rows * columns * (elements ? elements : 1); }
};

struct StateAssignment
{
    DWORD state;
    DWORD value;
};

struct SamplerDecl
{
    int param = -1;
    std::string texture; // name of the texture parameter from "Texture = <...>"
    std::vector<StateAssignment> states;
    int reg = -1; // sampler register
};

enum class ShaderStage
{
    Vertex,
    Pixel,
};

struct ShaderCompile
{
    ShaderStage stage = ShaderStage::Vertex;
    std::string profile; // e.g. "ps_2_0"
    int major = 0;
    int minor = 0;
    std::string entry;
    SourceLocation where;
};

struct PassDecl
{
    std::string name;
    // Unset: the pass leaves that shader alone; set with an empty entry: NULL.
    std::optional<ShaderCompile> vertexShader;
    std::optional<ShaderCompile> pixelShader;
    std::vector<StateAssignment> renderStates;
};

struct TechniqueDecl
{
    std::string name;
    std::vector<PassDecl> passes;
};

struct ParsedEffect
{
    std::vector<ParamDecl> params;
    std::vector<SamplerDecl> samplers;
    std::vector<TechniqueDecl> techniques;
    // The shader code for the HLSL compiler: the preprocessed text with the
    // effect-only constructs blanked out, line structure intact.
    std::string hlsl;
};

} // namespace swk::d3dx9::fx
