// Reference pictures decoded by a PNG reader that is not ours, so a shared fault cannot hide.
#pragma once
#include <string>
#include <vector>

struct ReferenceImage {
    int width = 0;   // 0 when the file could not be decoded
    int height = 0;
    int channels = 0;  // 3 (RGB) or 4 (RGBA)
    std::vector<unsigned char> pixels;  // tight rows, top row first
};

// Decodes a PNG to RGB (channels 3) or RGBA (channels 4) bytes, converting as needed.
ReferenceImage loadPngReference(const std::string& path, int channels);

// Our readers deliver the bottom row first; this turns a reference into that order.
void flipVertically(ReferenceImage& image);
