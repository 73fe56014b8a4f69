// The Windows icon file of the program's resource: a directory of 32-bit images, each a
// bottom-up DIB of blue, green, red, alpha with a 1-bit mask, as Windows reads them.
#include "tools/icon/ico_writer.h"

#include <gtest/gtest.h>

namespace {

uint32_t read16(const std::vector<unsigned char>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t read32(const std::vector<unsigned char>& b, size_t at)
{
    return read16(b, at) | read16(b, at + 2) << 16;
}

}  // namespace

TEST(IconFile, ListsEachSizeAndStoresItsPixelsBottomUpWithAMask)
{
    // 2 x 2: opaque red, transparent green on top; opaque blue, half-opaque white below.
    const IcoImage small = {2, {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 255, 255, 255, 128}};
    const IcoImage large = {256, std::vector<uint8_t>(256 * 256 * 4, 200)};
    const std::vector<unsigned char> file = encodeIco({small, large});

    ASSERT_GE(file.size(), 6u + 2 * 16);
    EXPECT_EQ(read16(file, 0), 0u);
    EXPECT_EQ(read16(file, 2), 1u) << "an icon";
    ASSERT_EQ(read16(file, 4), 2u);
    EXPECT_EQ(file[6], 2);
    EXPECT_EQ(file[6 + 16], 0) << "256 pixels are written as 0";
    size_t end = 6 + 2 * 16;
    for (int entry = 0; entry < 2; entry++) {
        const size_t at = 6 + 16 * entry;
        EXPECT_EQ(read16(file, at + 4), 1u) << "planes";
        EXPECT_EQ(read16(file, at + 6), 32u) << "bits per pixel";
        EXPECT_EQ(read32(file, at + 12), end) << "image " << entry << " follows the one before";
        end += read32(file, at + 8);
    }
    EXPECT_EQ(end, file.size());

    const size_t image = read32(file, 6 + 12);
    EXPECT_EQ(read32(file, image), 40u);
    EXPECT_EQ(read32(file, image + 4), 2u);
    EXPECT_EQ(read32(file, image + 8), 4u) << "twice the height: colours, then the mask";
    EXPECT_EQ(read16(file, image + 14), 32u);
    const std::vector<unsigned char> pixels(file.begin() + image + 40, file.begin() + image + 56);
    const std::vector<unsigned char> bottomUpBgra = {255, 0, 0, 255, 255, 255, 255, 128,
                                                     0, 0, 255, 255, 0, 255, 0, 0};
    EXPECT_EQ(pixels, bottomUpBgra);
    // Mask rows of one 32-bit word each, bottom row first; a set bit is a transparent pixel.
    EXPECT_EQ(read32(file, image + 56), 0u) << "the bottom row is opaque enough";
    EXPECT_EQ(file[image + 60], 0x40) << "the top row's second pixel is transparent";
}
