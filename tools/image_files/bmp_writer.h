// BMP files byte by byte, as the program's BMP reader takes them: the generator's 24-bit
// textures, and for the reader's tests every header kind, palette and mask from fields the
// test chooses, so that well-formed and broken files alike are one call away.
// Only writes; reading is the program's own business.
#pragma once
#include <cstdint>
#include <vector>

struct BmpColor {
    unsigned char red, green, blue;
};

struct BmpFields {
    bool fileHeader = true;            // the 14-byte "BM" header; without it, a packed DIB
    uint32_t headerSize = 40;          // 12 writes a core header, anything else an info header
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t colorsUsed = 0;
    int64_t bitsOffset = -1;           // -1: right after the colour table
    std::vector<uint32_t> masks;       // written right after the header
    std::vector<BmpColor> palette;     // 3 bytes an entry after a core header, else 4
};

// Appends a 16- or 32-bit field in the little-endian order of every Windows file format.
void put16(std::vector<unsigned char>& out, uint32_t value);
void put32(std::vector<unsigned char>& out, uint32_t value);

// The whole file: headers, masks, colour table, then bits as given.
std::vector<unsigned char> encodeBmp(const BmpFields& fields,
                                     const std::vector<unsigned char>& bits);

// Rows of source bytes, each padded with zeros to a multiple of 4 bytes, in the order given.
std::vector<unsigned char> paddedRows(const std::vector<std::vector<unsigned char>>& rows);

// An uncompressed 24-bit file with file and info header of an image given as tight rows of
// red, green, blue bytes, bottom row first; stored bottom-up, blue first, rows padded.
std::vector<unsigned char> encodeBmp24(const unsigned char* rgb, int width, int height);
