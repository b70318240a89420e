// The effect parser: reads the preprocessed effect text, records what the
// effect declares and leaves the shader code for the HLSL compiler.
#pragma once

#include "Diagnostics.h"
#include "EffectDesc.h"

#include <string>
#include <string_view>

namespace swk::d3dx9::fx
{

struct ParseOptions
{
    std::string mainFile = "memory";
    // Matrices without row_major/column_major are row-major (a compile flag).
    bool rowMajorByDefault = false;
};

// Returns false after recording an error in diags.
bool parseEffect(std::string_view preprocessed, const ParseOptions& options, ParsedEffect* out,
                 Diagnostics& diags);

} // namespace swk::d3dx9::fx
