// The BMP reader proper: the bytes of a whole file in, a 24-bit RgbImage out, nothing shown.
// loadBmpImage maps the file, calls this and reports the outcome; the fuzz target and the
// benchmark call it directly.
#pragma once
#include "image/bmp_image.h"

#include <cstddef>

enum BmpDecodeStatus {
    BmpDecoded,
    BmpUnknownFormat,    // no 12- or 40-byte header, or the header or colour table is cut short
    BmpConversionError,  // a form the reader does not take, or bits short or out of range
    BmpOutOfMemory,      // no memory for the image, or an image too large to hold
};

// Decodes the file held in bytes[0, size). On success *image is a new record (malloc'd, with
// malloc'd pixels, bottom row first); otherwise *image is nullptr and nothing is left allocated.
BmpDecodeStatus decodeBmp(const unsigned char* bytes, size_t size, RgbImage** image);

// The message the loader shows for a failure; nullptr for BmpDecoded.
const char* bmpDecodeMessage(BmpDecodeStatus status);
