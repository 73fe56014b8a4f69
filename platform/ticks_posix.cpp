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

// NOTE: the pair is written twice on purpose. A copy of systemTickSource is no constant
// expression, so tickSource could be filled at run time, in no fixed order with the globals
// of other files, and the global frame timer reads tickSource while it is constructed.
// Initialised from constants, both are set before any global is constructed.
const TickSource systemTickSource = {nanosecondsPerSecond, monotonicNanoseconds};
TickSource tickSource = {nanosecondsPerSecond, monotonicNanoseconds};
