// Every seed of the effect fuzzer and every input it once failed on, replayed
// in the normal suite so that a fix stays a fix without the fuzz build.
#include "EffectInput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace
{

namespace fs = std::filesystem;

TEST(EffectFuzzInputs, EveryKnownInputGivesAnEffectOrPlacedErrors)
{
    size_t inputs = 0;
    for (const char* dir : {SWK_FUZZ_DIR "/corpus", SWK_FUZZ_DIR "/regressions", SWK_EFFECTS_DIR})
        for (const auto& entry : fs::directory_iterator(dir))
        {
            if (entry.path().extension() != ".fx")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string data{std::istreambuf_iterator<char>(in), {}};
            ++inputs;
            EXPECT_EQ(swk::test::CheckEffectInput(reinterpret_cast<const uint8_t*>(data.data()),
                                                  data.size()),
                      "")
                << entry.path();
        }
    EXPECT_GE(inputs, 4u);
}

} // namespace
