// Deterministic randomness for the generated pictures: integer hashing and a small generator,
// so every run and every build writes the same bytes (no library random numbers, no clock).
// Gradient noise comes in 2D, optionally periodic so tiles repeat seamlessly, and in 3D for
// patterns laid directly on the ball.
#pragma once
#include <cstdint>

uint32_t hashInts(int32_t a, int32_t b, int32_t c, uint32_t seed);

// A value in [0, 1) fixed by the four inputs.
double hashUnit(int32_t a, int32_t b, int32_t c, uint32_t seed);

// A sequence of values fixed by its seed (splitmix64).
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next();
    double unit();  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }

private:
    uint64_t state_;
};

// Smooth noise of about -1..1 with features one lattice unit apart. A positive period makes
// the lattice wrap after that many units along its axis.
double gradientNoise2(double x, double y, uint32_t seed, int periodX = 0, int periodY = 0);
double gradientNoise3(double x, double y, double z, uint32_t seed);

// Octaves of gradient noise, each twice the frequency and half the amplitude of the one before;
// periods double with the frequency, so the sum still repeats where the first octave does.
double fractalNoise2(double x, double y, int octaves, uint32_t seed, int periodX = 0,
                     int periodY = 0);
