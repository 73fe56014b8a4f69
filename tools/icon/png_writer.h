// Writes the icon files through libpng: 8-bit RGBA, fully compressed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// rgba holds width * height pixels, top row first. False when the file cannot be written.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);
