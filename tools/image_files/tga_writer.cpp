#include "tools/image_files/tga_writer.h"

#include <cassert>
#include <cstring>

namespace {

const size_t maxPacketPixels = 128;

bool samePixel(const unsigned char* a, const unsigned char* b, int bytesPerPixel)
{
    return memcmp(a, b, bytesPerPixel) == 0;
}

}  // namespace

void appendRlePackets(std::vector<unsigned char>& out, const unsigned char* pixels, size_t count,
                      int bytesPerPixel)
{
    auto at = [&](size_t i) { return pixels + i * bytesPerPixel; };
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < maxPacketPixels &&
               samePixel(at(i + run), at(i), bytesPerPixel))
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<unsigned char>(0x80 | (run - 1)));
            out.insert(out.end(), at(i), at(i) + bytesPerPixel);
            i += run;
            continue;
        }
        // A raw packet ends where a run of two begins, so that run gets its own packet.
        size_t start = i;
        while (i < count && i - start < maxPacketPixels) {
            if (i + 1 < count && samePixel(at(i), at(i + 1), bytesPerPixel))
                break;
            ++i;
        }
        out.push_back(static_cast<unsigned char>(i - start - 1));
        out.insert(out.end(), at(start), at(i));
    }
}

std::vector<unsigned char> encodeTga(const unsigned char* pixels, int width, int height,
                                     int bytesPerPixel, bool compressed)
{
    assert(width > 0 && width <= 0xFFFF && height > 0 && height <= 0xFFFF);
    assert(bytesPerPixel == 3 || bytesPerPixel == 4);
    std::vector<unsigned char> file(18, 0);
    file[2] = compressed ? 10 : 2;
    file[12] = width & 0xFF;
    file[13] = width >> 8;
    file[14] = height & 0xFF;
    file[15] = height >> 8;
    file[16] = static_cast<unsigned char>(bytesPerPixel * 8);
    file[17] = bytesPerPixel == 4 ? 8 : 0;  // alpha bits; origin bits 0: bottom-up

    // Bottom row first, each pixel blue, green, red (, alpha).
    size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    std::vector<unsigned char> stored(rowBytes * height);
    for (int y = 0; y < height; ++y) {
        const unsigned char* source = pixels + (height - 1 - y) * rowBytes;
        unsigned char* target = stored.data() + y * rowBytes;
        for (size_t x = 0; x < rowBytes; x += bytesPerPixel) {
            memcpy(target + x, source + x, bytesPerPixel);
            target[x] = source[x + 2];
            target[x + 2] = source[x];
        }
    }
    if (compressed)
        appendRlePackets(file, stored.data(), static_cast<size_t>(width) * height, bytesPerPixel);
    else
        file.insert(file.end(), stored.begin(), stored.end());
    return file;
}
