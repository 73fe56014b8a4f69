// Writes RgbPictures as uncompressed 24-bit BMP files: 14-byte file header, 40-byte info header,
// bottom-up rows padded to four bytes, blue-green-red byte order. Nothing else (no palettes,
// no top-down rows, no compression) is ever written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/textures/rgb_picture.h"

namespace texgen {

// The whole file as it goes to disk.
std::vector<uint8_t> encodeBmp24(const RgbPicture& picture);

// False when the file cannot be created or written completely.
bool writeBmp24(const std::string& path, const RgbPicture& picture);

}  // namespace texgen
