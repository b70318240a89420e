// Runs the effect text through glslang's preprocessor: macros from the caller,
// #include through the caller's ID3DXInclude, conditional code. The output keeps
// one line per source line and marks included text with #line directives.
#pragma once

#include "Diagnostics.h"

#include <d3dx9.h>

#include <map>
#include <string>
#include <string_view>

namespace swk::d3dx9::fx
{

struct PreprocessInput
{
    std::string_view source;
    std::string name; // the source's name in messages
    const D3DXMACRO* defines = nullptr;
    ID3DXInclude* include = nullptr;
};

struct Preprocessed
{
    std::string text;
    // Every file's text as written, by the name messages use for it.
    std::map<std::string, std::string> sources;
};

bool preprocess(const PreprocessInput& input, Preprocessed* out, Diagnostics& diags);

} // namespace swk::d3dx9::fx
