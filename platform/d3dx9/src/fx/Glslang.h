// The pieces of glslang's HLSL front end every compile step shares: process
// start-up, the message flags of its Direct3D 9 compatible mode, and turning
// its info log into our diagnostics.
#pragma once

#include "Diagnostics.h"

#include <glslang/Public/ShaderLang.h>

#include <string_view>

namespace swk::d3dx9::fx
{

// Safe to call from any thread, any number of times.
void ensureGlslangProcess();

constexpr EShMessages kHlslMessages =
    EShMessages(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible);

// Adds the errors and warnings of a glslang info log; summary lines are dropped.
void addInfoLog(std::string_view log, const std::string& defaultFile, Diagnostics& diags);

} // namespace swk::d3dx9::fx
