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
    unsigned char* pixels = nullptr;  // malloc'd; red, green, blue (, alpha); none after a failure
    uint32_t bitsPerPixel = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    unsigned int textureName = 0;  // a GLuint for the caller; not touched by the reader
    unsigned int pixelFormat = 0;  // a GLenum: TgaPixelFormatRgb or TgaPixelFormatRgba
};

class TgaReader {
public:
    unsigned char fileHeader[12] = {};
    unsigned char imageHeader[6] = {};
    uint32_t bytesPerPixel = 0;
    uint32_t imageSize = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint32_t bitsPerPixel = 0;

    // Fills a fresh image from the file at path, or shows why it cannot.
    void load(TgaImage* image, const char* path);
    // Take over the open file after its header was recognised; close it on every path.
    void loadUncompressed(TgaImage* image, FILE* file);
    void loadCompressed(TgaImage* image, FILE* file);
};
