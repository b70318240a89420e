#include "Glsl.h"

#include "swk/vk/ShaderModule.h"

#include <gtest/gtest.h>

namespace swk::vk
{
namespace
{

TEST(SpirvEntryPoint, FoundWithItsStage)
{
    const auto vertex = test::compileGlsl("#version 450\nvoid main() { gl_Position = vec4(0); }\n",
                                          test::GlslStage::Vertex);
    ASSERT_FALSE(vertex.empty());
    SpirvEntryPoint entry;
    ASSERT_TRUE(findEntryPoint(vertex.data(), vertex.size(), &entry));
    EXPECT_EQ(entry.stage, VK_SHADER_STAGE_VERTEX_BIT);
    EXPECT_EQ(entry.name, "main");

    const auto fragment = test::compileGlsl(
        "#version 450\nlayout(location = 0) out vec4 c;\nvoid main() { c = vec4(1); }\n",
        test::GlslStage::Fragment);
    ASSERT_TRUE(findEntryPoint(fragment.data(), fragment.size(), &entry));
    EXPECT_EQ(entry.stage, VK_SHADER_STAGE_FRAGMENT_BIT);
}

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
    auto badMagic = words;
    badMagic[0] = 0x12345678;
    EXPECT_FALSE(findEntryPoint(badMagic.data(), badMagic.size(), &entry));
    auto zeroCount = words;
    zeroCount[5] = 0;
    EXPECT_FALSE(findEntryPoint(zeroCount.data(), zeroCount.size(), &entry));
}

} // namespace
} // namespace swk::vk
