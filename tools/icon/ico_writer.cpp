#include "tools/icon/ico_writer.h"

#include "tools/image_files/bmp_writer.h"

#include <cassert>
#include <cstddef>

namespace {

const size_t directoryHeaderSize = 6;
const size_t directoryEntrySize = 16;

// One image as the packed DIB an icon holds: an info header of twice the height, the colour
// rows bottom-up, then the mask rows; a set mask bit leaves the screen's pixel, where the
// picture is mostly transparent.
std::vector<unsigned char> encodeIconDib(const IcoImage& image)
{
    const int size = image.size;
    std::vector<unsigned char> bits;
    std::vector<std::vector<unsigned char>> maskRows;
    for (int row = size - 1; row >= 0; row--) {
        std::vector<unsigned char> mask((size_t(size) + 7) / 8, 0);
        for (int x = 0; x < size; x++) {
            const uint8_t* p = &image.rgba[4 * (size_t(row) * size + x)];
            bits.insert(bits.end(), {p[2], p[1], p[0], p[3]});
            if (p[3] < 128)
                mask[x / 8] |= 0x80 >> (x % 8);
        }
        maskRows.push_back(mask);
    }
    const std::vector<unsigned char> masks = paddedRows(maskRows);
    bits.insert(bits.end(), masks.begin(), masks.end());
    BmpFields fields;
    fields.fileHeader = false;
    fields.width = size;
    fields.height = 2 * size;
    fields.bitCount = 32;
    fields.sizeImage = uint32_t(bits.size());
    return encodeBmp(fields, bits);
}

}  // namespace

std::vector<unsigned char> encodeIco(const std::vector<IcoImage>& images)
{
    std::vector<unsigned char> out;
    put16(out, 0);
    put16(out, 1);  // an icon, not a cursor
    put16(out, uint32_t(images.size()));
    std::vector<unsigned char> dibs;
    for (const IcoImage& image : images) {
        assert(image.size >= 1 && image.size <= 256);
        assert(image.rgba.size() == size_t(image.size) * image.size * 4);
        const std::vector<unsigned char> dib = encodeIconDib(image);
        out.push_back(image.size & 0xff);  // 256 is written as 0
        out.push_back(image.size & 0xff);
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, uint32_t(dib.size()));
        put32(out, uint32_t(directoryHeaderSize + directoryEntrySize * images.size() + dibs.size()));
        dibs.insert(dibs.end(), dib.begin(), dib.end());
    }
    out.insert(out.end(), dibs.begin(), dibs.end());
    return out;
}
