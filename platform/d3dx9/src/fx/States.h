// Names of the sampler and render states an effect may assign, and of their
// values, as the effect language spells them.
#pragma once

#include <windows.h>

#include <string_view>

namespace swk::d3dx9::fx
{

enum class StateValueKind
{
    Dword,   // a number
    Float,   // a number stored as float bits
    Bool,    // TRUE / FALSE or a number
    Address, // D3DTEXTUREADDRESS
    Filter,  // D3DTEXTUREFILTERTYPE
    Cull,
    Compare,
    Blend,
    BlendOp,
    Fill,
    Shade,
    StencilOp,
    FogMode,
    MaterialSource,
    ZBuffer,
};

struct StateInfo
{
    DWORD state;
    StateValueKind kind;
};

// Lookups are case-insensitive; they return false for unknown names.
bool findSamplerState(std::string_view name, StateInfo* info);
bool findRenderState(std::string_view name, StateInfo* info);
// An enumerated value by its short name (WRAP) or its full one (D3DTADDRESS_WRAP).
bool findStateValue(StateValueKind kind, std::string_view name, DWORD* value);

} // namespace swk::d3dx9::fx
