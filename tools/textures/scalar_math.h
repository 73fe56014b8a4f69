// The number pi and the blends between two values that the pictures share.
#pragma once
#include <algorithm>

const double pi = 3.14159265358979323846;

// a at t = 0, b at t = 1, on the straight line between and beyond.
inline double mix(double a, double b, double t) { return a + (b - a) * t; }

// 0 up to e0, 1 from e1 on, and between them a cubic that leaves both ends flat.
inline double smoothstep(double e0, double e1, double x)
{
    double t = std::min(1.0, std::max(0.0, (x - e0) / (e1 - e0)));
    return t * t * (3.0 - 2.0 * t);
}
