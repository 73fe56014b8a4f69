// The high-resolution tick counter behind the frame timer.
// Reads a monotonic counter with a fixed, known frequency. Tests may swap in their own
// counter through tickSource; nothing else in the program reads the clock.
#pragma once
#include <cstdint>

struct TickSource {
    int64_t (*frequency)();  // ticks per second, positive and constant
    int64_t (*counter)();    // never decreases
};

// The source in use; starts as the system's monotonic clock.
extern TickSource tickSource;
extern const TickSource systemTickSource;

inline int64_t queryTickFrequency() { return tickSource.frequency(); }
inline int64_t queryTickCounter() { return tickSource.counter(); }
