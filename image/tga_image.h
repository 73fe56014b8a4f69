// True-colour TGA files into images ready for glTexImage2D.
// Reads uncompressed (type 2) and run-length (type 10) files of 24 and 32 bits whose first
// twelve header bytes are exactly the plain pattern: no image ID, colour map or origin.
// Rows come in file order; the descriptor byte is not consulted. No GL calls.
#pragma once
#include <cstdint>
#include <cstdio>

// The pixel formats by the values that glTexImage2D knows as GL_RGB and GL_RGBA.
const unsigned int TgaPixelFormatRgb = 0x1907;
const unsigned int TgaPixelFormatRgba = 0x1908;

struct TgaImage {
    unsigned char* pixels;  // malloc'd; red, green, blue (, alpha); empty after a failure
    uint32_t bitsPerPixel;
    uint32_t width;
    uint32_t height;
    unsigned int textureName;  // a GLuint for the caller; not touched by the reader
    unsigned int pixelFormat;  // a GLenum: TgaPixelFormatRgb or TgaPixelFormatRgba
};

class TgaReader {
public:
    unsigned char fileHeader[12];
    unsigned char imageHeader[6];
    uint32_t bytesPerPixel;
    uint32_t imageSize;
    uint32_t height;
    uint32_t width;
    uint32_t bitsPerPixel;

    // Fills a fresh image from the file at path, or shows why it cannot.
    void load(TgaImage* image, const char* path);
    // Take over the open file after its header was recognised; close it on every path.
    void loadUncompressed(TgaImage* image, FILE* file);
    void loadCompressed(TgaImage* image, FILE* file);
};
