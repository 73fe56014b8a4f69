#include "tools/textures/bmp_writer.h"

#include <cstdio>

namespace texgen {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFFu);
    put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> encodeBmp24(const RgbPicture& picture) {
    const uint32_t headerBytes = 14 + 40;
    const uint32_t rowBytes = (static_cast<uint32_t>(picture.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(picture.height);

    std::vector<uint8_t> out;
    out.reserve(headerBytes + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, headerBytes + pixelBytes);
    put32(out, 0);  // two reserved words
    put32(out, headerBytes);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(picture.width));
    put32(out, static_cast<uint32_t>(picture.height));  // positive: bottom row first
    put16(out, 1);                                      // planes
    put16(out, 24);
    put32(out, 0);  // BI_RGB
    put32(out, pixelBytes);
    put32(out, 2835);  // 72 dpi, in pixels per metre
    put32(out, 2835);
    put32(out, 0);  // no colour table
    put32(out, 0);

    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* px = picture.at(x, y);
            out.push_back(px[2]);
            out.push_back(px[1]);
            out.push_back(px[0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(picture.width) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

bool writeBmp24(const std::string& path, const RgbPicture& picture) {
    std::vector<uint8_t> bytes = encodeBmp24(picture);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return written && closed;
}

}  // namespace texgen
