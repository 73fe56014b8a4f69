#include "platform/ticks.h"

#include <time.h>

namespace {

int64_t nanosecondsPerSecond() { return 1000000000; }

// CLOCK_MONOTONIC counts from boot, so the first reading is already far above one second.
int64_t monotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

const TickSource systemTickSource = {nanosecondsPerSecond, monotonicNanoseconds};
TickSource tickSource = {nanosecondsPerSecond, monotonicNanoseconds};
