#include "Glsl.h"

#include "swk/vk/ShaderModule.h"

#include <gtest/gtest.h>

namespace swk::vk
{
namespace
{

// A well-formed module's entry point and stage are found by every shader the
// device tests create, which refuse a module of the wrong stage.
TEST(SpirvEntryPoint, MalformedModulesAreRejected)
{
    auto words = test::compileGlsl("#version 450\nvoid main() { gl_Position = vec4(0); }\n",
                                   test::GlslStage::Vertex);
    ASSERT_FALSE(words.empty());
    SpirvEntryPoint entry;
    EXPECT_FALSE(findEntryPoint(nullptr, 0, &entry));
    EXPECT_FALSE(findEntryPoint(words.data(), 4, &entry)) << "shorter than a header";
    // Cut inside the instructions: a word count running past the end.
    EXPECT_FALSE(findEntryPoint(words.data(), 7, &entry));
    // A wrong magic number; an instruction of zero words.
    for (auto [index, word] : {std::pair{0, 0x12345678u}, std::pair{5, 0u}})
    {
        auto broken = words;
        broken[index] = word;
        EXPECT_FALSE(findEntryPoint(broken.data(), broken.size(), &entry)) << index;
    }
}

} // namespace
} // namespace swk::vk
