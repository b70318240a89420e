// libFuzzer entry: every input must give an effect or placed error messages.
#include "EffectInput.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string broken = swk::test::CheckEffectInput(data, size);
    if (!broken.empty())
    {
        std::fprintf(stderr, "effect compiler: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
