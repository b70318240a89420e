// The watch semaphore that serialises guarded releases. A real semaphore on both
// targets, so that a release on another thread waits, and a wait that times out
// reports instead of hanging the renderer.
#include "Watch.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <semaphore.h>
#include <cerrno>
#include <ctime>
#endif

namespace
{

constexpr int kWaitMilliseconds = 5000;

// Whether this thread holds the semaphore, so that an unlock after a failed
// lock does not raise the count above one.
thread_local bool t_held = false;

#if defined(_WIN32)
HANDLE TheSemaphore()
{
    static HANDLE semaphore = CreateSemaphoreA(NULL, 1, 1, NULL);
    return semaphore;
}
bool Acquire()
{
    return WaitForSingleObject(TheSemaphore(), kWaitMilliseconds) == WAIT_OBJECT_0;
}
void ReleaseOne()
{
    ReleaseSemaphore(TheSemaphore(), 1, NULL);
}
#else
struct PosixSemaphore
{
    sem_t sem;
    PosixSemaphore() { sem_init(&sem, 0, 1); }
    ~PosixSemaphore() { sem_destroy(&sem); }
};
sem_t* TheSemaphore()
{
    static PosixSemaphore semaphore;
    return &semaphore.sem;
}
bool Acquire()
{
    timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += kWaitMilliseconds / 1000;
    int rc;
    while ((rc = sem_timedwait(TheSemaphore(), &deadline)) != 0 && errno == EINTR)
    {
    }
    return rc == 0;
}
void ReleaseOne()
{
    sem_post(TheSemaphore());
}
#endif

} // namespace

bool CD3DWatch::_LockSemaphore()
{
    if (t_held)
        return false;
    t_held = Acquire();
    if (!t_held)
        brantholm::Report("Brantholm", 0, "watch semaphore not obtained within 5 s");
    return t_held;
}

void CD3DWatch::_UnlockSemaphore()
{
    if (!t_held)
        return;
    t_held = false;
    ReleaseOne();
}
