#include "tools/image_files/bmp_writer.h"

#include <cstddef>

void put16(std::vector<unsigned char>& out, uint32_t value)
{
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

void put32(std::vector<unsigned char>& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::vector<unsigned char> encodeBmp(const BmpFields& fields,
                                     const std::vector<unsigned char>& bits)
{
    const bool core = fields.headerSize == 12;
    std::vector<unsigned char> dib;
    put32(dib, fields.headerSize);
    if (core) {
        put16(dib, uint32_t(fields.width));
        put16(dib, uint32_t(fields.height));
        put16(dib, 1);
        put16(dib, fields.bitCount);
    } else {
        put32(dib, uint32_t(fields.width));
        put32(dib, uint32_t(fields.height));
        put16(dib, 1);
        put16(dib, fields.bitCount);
        put32(dib, fields.compression);
        put32(dib, fields.sizeImage);
        put32(dib, 2835);
        put32(dib, 2835);
        put32(dib, fields.colorsUsed);
        put32(dib, 0);
        dib.resize(fields.headerSize > 40 ? fields.headerSize : 40, 0);
    }
    for (uint32_t mask : fields.masks)
        put32(dib, mask);
    for (const BmpColor& color : fields.palette) {
        dib.push_back(color.blue);
        dib.push_back(color.green);
        dib.push_back(color.red);
        if (!core)
            dib.push_back(0);
    }

    std::vector<unsigned char> file;
    if (fields.fileHeader) {
        const uint32_t offset =
            fields.bitsOffset >= 0 ? uint32_t(fields.bitsOffset) : uint32_t(14 + dib.size());
        file.push_back('B');
        file.push_back('M');
        put32(file, uint32_t(14 + dib.size() + bits.size()));
        put32(file, 0);
        put32(file, offset);
    }
    file.insert(file.end(), dib.begin(), dib.end());
    if (fields.fileHeader && fields.bitsOffset >= 0 && size_t(fields.bitsOffset) > file.size())
        file.resize(size_t(fields.bitsOffset), 0);
    file.insert(file.end(), bits.begin(), bits.end());
    return file;
}

std::vector<unsigned char> paddedRows(const std::vector<std::vector<unsigned char>>& rows)
{
    std::vector<unsigned char> bits;
    for (const std::vector<unsigned char>& row : rows) {
        bits.insert(bits.end(), row.begin(), row.end());
        bits.resize(bits.size() + (4 - row.size() % 4) % 4, 0);
    }
    return bits;
}

std::vector<unsigned char> encodeBmp24(const unsigned char* rgb, int width, int height)
{
    const size_t rowBytes = size_t(width) * 3;
    const size_t stride = (rowBytes + 3) & ~size_t(3);
    std::vector<unsigned char> bits(stride * size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* source = rgb + size_t(y) * rowBytes;
        unsigned char* target = bits.data() + size_t(y) * stride;
        for (size_t x = 0; x < rowBytes; x += 3) {
            target[x] = source[x + 2];
            target[x + 1] = source[x + 1];
            target[x + 2] = source[x];
        }
    }
    BmpFields fields;
    fields.width = width;
    fields.height = height;  // positive: bottom row first
    fields.sizeImage = uint32_t(bits.size());
    return encodeBmp(fields, bits);
}
