#include <swk/vk/Handle.h>

#include <atomic>

namespace swk::vk
{
namespace
{
std::atomic<long> g_live{0};
} // namespace

long liveHandles()
{
    return g_live.load(std::memory_order_relaxed);
}

void detail::countHandles(long delta)
{
    g_live.fetch_add(delta, std::memory_order_relaxed);
}

} // namespace swk::vk
