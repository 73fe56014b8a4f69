// The program's icon: the ball as the demo first shows it, with the golf-ball normal map, lit
// from the upper left, on a transparent background. Every size is drawn afresh from the same
// height field, so small icons stay sharp instead of being scaled down.
#pragma once
#include <cstdint>
#include <vector>

// size * size pixels of 8-bit red, green, blue and alpha, top row first.
std::vector<uint8_t> drawIcon(int size);
