// GLSL to SPIR-V for Vulkan 1.1, for the shaders tests draw with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swk::test
{

enum class GlslStage
{
    Vertex,
    Fragment,
};

// Empty on a compile error, which is printed.
std::vector<uint32_t> compileGlsl(const std::string& source, GlslStage stage);

} // namespace swk::test
