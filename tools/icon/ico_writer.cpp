#include "tools/icon/ico_writer.h"

#include <cassert>
#include <cstddef>

namespace {

const size_t directoryHeaderSize = 6;
const size_t directoryEntrySize = 16;
const size_t infoHeaderSize = 40;

void put16(std::vector<unsigned char>& out, uint32_t value)
{
    out.push_back(value & 0xff);
    out.push_back(value >> 8 & 0xff);
}

void put32(std::vector<unsigned char>& out, uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// Mask rows are padded to whole 32-bit words.
size_t maskRowSize(int size) { return (size_t(size) + 31) / 32 * 4; }

size_t imageBytes(int size)
{
    return infoHeaderSize + size_t(size) * size * 4 + maskRowSize(size) * size;
}

void appendImage(std::vector<unsigned char>& out, const IcoImage& image)
{
    const int size = image.size;
    put32(out, infoHeaderSize);
    put32(out, size);
    put32(out, 2 * size);  // the colour rows and the mask rows
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // uncompressed
    put32(out, uint32_t(imageBytes(size) - infoHeaderSize));
    for (int i = 0; i < 4; i++)
        put32(out, 0);  // resolution and colour counts
    for (int row = size - 1; row >= 0; row--)
        for (int x = 0; x < size; x++) {
            const uint8_t* p = &image.rgba[4 * (size_t(row) * size + x)];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    // A set mask bit leaves the screen's pixel, where the picture is mostly transparent.
    for (int row = size - 1; row >= 0; row--) {
        std::vector<unsigned char> bits(maskRowSize(size), 0);
        for (int x = 0; x < size; x++)
            if (image.rgba[4 * (size_t(row) * size + x) + 3] < 128)
                bits[x / 8] |= 0x80 >> (x % 8);
        out.insert(out.end(), bits.begin(), bits.end());
    }
}

}  // namespace

std::vector<unsigned char> encodeIco(const std::vector<IcoImage>& images)
{
    std::vector<unsigned char> out;
    put16(out, 0);
    put16(out, 1);  // an icon, not a cursor
    put16(out, uint32_t(images.size()));
    size_t offset = directoryHeaderSize + directoryEntrySize * images.size();
    for (const IcoImage& image : images) {
        assert(image.size >= 1 && image.size <= 256);
        assert(image.rgba.size() == size_t(image.size) * image.size * 4);
        out.push_back(image.size & 0xff);  // 256 is written as 0
        out.push_back(image.size & 0xff);
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, uint32_t(imageBytes(image.size)));
        put32(out, uint32_t(offset));
        offset += imageBytes(image.size);
    }
    for (const IcoImage& image : images)
        appendImage(out, image);
    return out;
}
