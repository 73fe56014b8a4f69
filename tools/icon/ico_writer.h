// Windows icon files (.ico) for the program's resource: one 32-bit image with alpha per size,
// each stored as a bottom-up DIB with its 1-bit mask, which only old systems read.
#pragma once
#include <cstdint>
#include <vector>

struct IcoImage {
    int size;                   // width and height, 1 to 256
    std::vector<uint8_t> rgba;  // size * size pixels of red, green, blue, alpha, top row first
};

// The whole file with the images in the order given.
std::vector<unsigned char> encodeIco(const std::vector<IcoImage>& images);
