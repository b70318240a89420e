// Every seed of the effect fuzzer and every input it once failed on, replayed
// in the normal suite so that a fix stays a fix without the fuzz build.
#include "EffectInput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{

namespace fs = std::filesystem;

std::vector<fs::path> Inputs()
{
    std::vector<fs::path> all;
    for (const char* dir : {SWK_FUZZ_DIR "/corpus", SWK_FUZZ_DIR "/regressions", SWK_EFFECTS_DIR})
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file() &&
                (std::string(dir) != SWK_EFFECTS_DIR || entry.path().extension() == ".fx"))
                all.push_back(entry.path());
    std::sort(all.begin(), all.end());
    return all;
}

TEST(EffectFuzzInputs, EveryKnownInputGivesAnEffectOrPlacedErrors)
{
    const std::vector<fs::path> inputs = Inputs();
    ASSERT_GE(inputs.size(), 4u);
    for (const fs::path& path : inputs)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string data = bytes.str();
        EXPECT_EQ(
            swk::test::CheckEffectInput(reinterpret_cast<const uint8_t*>(data.data()), data.size()),
            "")
            << path;
    }
}

} // namespace
