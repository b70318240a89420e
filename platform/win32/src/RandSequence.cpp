// rand() and srand() for the whole process: they stand in front of the C
// library's, so the generator keeps calling plain rand() and a host picks the
// sequence it draws.
#include <swk/RandSequence.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace swk::win32
{
namespace
{

std::atomic<RandSequence> g_sequence{RandSequence::CLibrary};
thread_local uint32_t t_msvcrtSeed = 1;

template <typename Function> Function nextInLine(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int cLibraryRand()
{
    static const auto next = nextInLine<int (*)()>("rand");
    return next();
}

void cLibrarySrand(unsigned seed)
{
    static const auto next = nextInLine<void (*)(unsigned)>("srand");
    next(seed);
}

} // namespace

bool SetRandSequence(RandSequence sequence)
{
    Dl_info mine{}, found{};
    const void* resolved = dlsym(RTLD_DEFAULT, "rand");
    if (!dladdr(reinterpret_cast<void*>(&SetRandSequence), &mine) || !resolved ||
        !dladdr(resolved, &found) || mine.dli_fbase != found.dli_fbase)
        return false;
    g_sequence = sequence;
    return true;
}

} // namespace swk::win32

using swk::win32::RandSequence;

extern "C" SWK_WIN32_API int rand() noexcept
{
    if (swk::win32::g_sequence.load(std::memory_order_relaxed) == RandSequence::CLibrary)
        return swk::win32::cLibraryRand();
    uint32_t& seed = swk::win32::t_msvcrtSeed;
    seed = seed * 214013u + 2531011u;
    return static_cast<int>((seed >> 16) & 0x7fff);
}

extern "C" SWK_WIN32_API void srand(unsigned seed) noexcept
{
    if (swk::win32::g_sequence.load(std::memory_order_relaxed) == RandSequence::CLibrary)
        swk::win32::cLibrarySrand(seed);
    else
        swk::win32::t_msvcrtSeed = seed;
}
