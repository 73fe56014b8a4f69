// An RGB picture as the generator builds it: tight rows of red, green, blue bytes, bottom row
// first, which is also the row order of the BMP files it writes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    RgbPicture() = default;
    RgbPicture(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}

    uint8_t* at(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// A channel value in 0..1 as a byte, rounded to nearest and clamped.
inline uint8_t toByte(double v)
{
    double scaled = v * 255.0 + 0.5;
    if (scaled < 0.0)
        return 0;
    if (scaled >= 255.0)
        return 255;
    return static_cast<uint8_t>(scaled);
}
