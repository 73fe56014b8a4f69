#include "platform/ticks.h"

#include <windows.h>

namespace {

// NOTE: both never fail on the Windows versions that have a 64-bit build.
int64_t performanceFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

int64_t performanceCounter()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

}  // namespace

// NOTE: written twice on purpose, as in ticks_posix.cpp: both are constant-initialised, so
// they are set before the global frame timer reads tickSource while it is constructed.
const TickSource systemTickSource = {performanceFrequency, performanceCounter};
TickSource tickSource = {performanceFrequency, performanceCounter};
