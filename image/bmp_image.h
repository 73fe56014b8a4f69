// BMP files into 24-bit RGB images; BmpTexture (bmp_texture.h) makes textures of them.
// Reads the 12-byte core and 40-byte info headers, with or without the 14-byte file header:
// palettes of 1, 4 and 8 bits, 16-bit 5-5-5, 24 and 32 bits, BI_RLE8, BI_RLE4 and BI_BITFIELDS.
// Newer header kinds (108 and 124 bytes) are refused. Every failure is shown in a message box
// captioned "Error" and yields no image; nothing is read past the end of the file.
#pragma once
#include <cstdint>

// Width, height and tight rows of red, green, blue bytes, bottom row first.
// The record and its pixels come from malloc; the holder frees pixels, then the record.
struct RgbImage {
    int32_t width;
    int32_t height;
    unsigned char* pixels;
};

// Message boxes are shown only while this is true; the program never changes it.
extern bool reportLoadErrors;

// Number of colour-table entries the DIB header at header calls for.
// The caller guarantees the header's bytes are readable (12 or 40 of them, as its size says).
uint16_t colorTableSize(const unsigned char* header);

// A new image, or nullptr after the failure has been reported.
RgbImage* loadBmpImage(const char* path);
