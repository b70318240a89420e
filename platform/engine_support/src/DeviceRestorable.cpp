#include <Brantholm.h>

#include <atomic>

namespace
{
std::atomic<long> g_liveCount{0};
}

CDeviceRestorable::CDeviceRestorable()
{
    ++g_liveCount;
}

CDeviceRestorable::~CDeviceRestorable()
{
    --g_liveCount;
}

long CDeviceRestorable::GetLiveCount()
{
    return g_liveCount.load();
}
