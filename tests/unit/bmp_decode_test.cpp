// The BMP reader takes every header kind, bit count and packing it knows, and refuses broken files.
#include "image/bmp_decode.h"
#include "tests/support/temp_file.h"
#include "tools/image_files/bmp_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

typedef std::vector<unsigned char> Bytes;

struct Decoded {
    BmpDecodeStatus status;
    int32_t width = 0;
    int32_t height = 0;
    Bytes pixels;
};

// Decodes from a block of exactly the file's size, so that AddressSanitizer sees any read past
// its end.
Decoded decode(const Bytes& file)
{
    std::unique_ptr<unsigned char[]> exact(new unsigned char[file.size()]);
    if (!file.empty())
        memcpy(exact.get(), file.data(), file.size());
    RgbImage sentinel;
    RgbImage* image = &sentinel;  // a failure must clear it
    Decoded result;
    result.status = decodeBmp(exact.get(), file.size(), &image);
    if (result.status != BmpDecoded) {
        EXPECT_EQ(image, nullptr);
        return result;
    }
    result.width = image->width;
    result.height = image->height;
    result.pixels.assign(image->pixels, image->pixels + size_t(image->width) * image->height * 3);
    free(image->pixels);
    free(image);
    return result;
}

// 256 entries, distinct and easy to read back: entry i is (i, 255 - i, i / 2).
std::vector<BmpColor> fullPalette()
{
    std::vector<BmpColor> palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back({(unsigned char)i, (unsigned char)(255 - i), (unsigned char)(i / 2)});
    return palette;
}

Bytes entry(int i) { return {(unsigned char)i, (unsigned char)(255 - i), (unsigned char)(i / 2)}; }

Bytes le32(uint32_t value)
{
    return {(unsigned char)value, (unsigned char)(value >> 8), (unsigned char)(value >> 16),
            (unsigned char)(value >> 24)};
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes black = {0, 0, 0};

}  // namespace

TEST(BmpDecode, ReadsTheSamePictureFromEveryHeaderKindWithOrWithoutFileHeader)
{
    // 2 x 2, 8 bits: bottom row indices 1 2, top row 0 1.
    const Bytes expected = concat({entry(1), entry(2), entry(0), entry(1)});
    for (uint32_t headerSize : {12u, 40u}) {
        for (bool fileHeader : {true, false}) {
            SCOPED_TRACE(testing::Message() << "header " << headerSize << ", file header " << fileHeader);
            BmpFields fields;
            fields.headerSize = headerSize;
            fields.fileHeader = fileHeader;
            fields.width = 2;
            fields.height = 2;
            fields.bitCount = 8;
            fields.palette = fullPalette();
            const Decoded decoded = decode(encodeBmp(fields, paddedRows({{1, 2}, {0, 1}})));
            ASSERT_EQ(decoded.status, BmpDecoded);
            EXPECT_EQ(decoded.width, 2);
            EXPECT_EQ(decoded.height, 2);
            EXPECT_EQ(decoded.pixels, expected);
        }
    }
}

TEST(BmpDecode, FindsPackedBitsRightAfterTheColourTableItsHeaderCallsFor)
{
    // Info header, biClrUsed 17: the bits start 40 + 68 bytes in; index 17 lies beyond the table.
    BmpFields fields;
    fields.fileHeader = false;
    fields.width = 3;
    fields.bitCount = 8;
    fields.colorsUsed = 17;
    const std::vector<BmpColor> all = fullPalette();
    fields.palette.assign(all.begin(), all.begin() + 17);
    Bytes file = encodeBmp(fields, paddedRows({{16, 17, 255}}));
    ASSERT_EQ(file[40 + 68], 16);
    Decoded decoded = decode(file);
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, concat({entry(16), black, black}));

    // biClrUsed 0 at 8 bits means all 256 entries.
    fields.colorsUsed = 0;
    fields.palette = fullPalette();
    decoded = decode(encodeBmp(fields, paddedRows({{16, 17, 255}})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, concat({entry(16), entry(17), entry(255)}));

    // A 4-bit core header has 16 entries of 3 bytes.
    BmpFields core;
    core.fileHeader = false;
    core.headerSize = 12;
    core.width = 2;
    core.bitCount = 4;
    core.palette.assign(all.begin(), all.begin() + 16);
    file = encodeBmp(core, paddedRows({{0xF3}}));
    ASSERT_EQ(file[12 + 48], 0xF3);
    decoded = decode(file);
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, concat({entry(15), entry(3)}));
}

TEST(BmpDecode, UnpacksEveryBitCountLeftmostPixelFirst)
{
    BmpFields fields;
    fields.width = 10;
    fields.palette = fullPalette();

    fields.bitCount = 1;
    Decoded decoded = decode(encodeBmp(fields, paddedRows({{0xB0, 0x40}})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, concat({entry(1), entry(0), entry(1), entry(1), entry(0), entry(0),
                                      entry(0), entry(0), entry(0), entry(1)}));

    fields.bitCount = 4;
    fields.width = 3;
    decoded = decode(encodeBmp(fields, paddedRows({{0x1E, 0x70}})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, concat({entry(1), entry(14), entry(7)}));

    // 5-5-5 with the top bit ignored; v widens as v * 255 / 31, rounded.
    fields.palette.clear();
    fields.bitCount = 16;
    fields.width = 3;
    decoded = decode(encodeBmp(fields, paddedRows({{0xFF, 0x7F, 0x00, 0xFC, 0xE1, 0x41}})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    // 0x41E1: red 16 -> 132, green 15 -> 123, blue 1 -> 8.
    EXPECT_EQ(decoded.pixels, (Bytes{255, 255, 255, 255, 0, 0, 132, 123, 8}));

    // 24 bits: blue, green, red in the file; red, green, blue delivered.
    fields.bitCount = 24;
    fields.width = 1;
    decoded = decode(encodeBmp(fields, paddedRows({{10, 20, 30}})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, (Bytes{30, 20, 10}));

    // 32 bits: the fourth byte is dropped, whatever it holds.
    fields.bitCount = 32;
    fields.width = 2;
    decoded = decode(encodeBmp(fields, paddedRows({{10, 20, 30, 0xFF, 40, 50, 60, 7}})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, (Bytes{30, 20, 10, 60, 50, 40}));
}

TEST(BmpDecode, DeliversTightRowsForEveryWidthAndIgnoresSizeImageOfUncompressedBits)
{
    for (int32_t width = 1; width <= 5; ++width) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        std::vector<Bytes> rows(3);
        Bytes expected;
        for (int row = 0; row < 3; ++row)
            for (int x = 0; x < width; ++x) {
                const unsigned char b = (unsigned char)(row * 50 + x), g = b + 1, r = b + 2;
                rows[row].insert(rows[row].end(), {b, g, r});
                expected.insert(expected.end(), {r, g, b});
            }
        BmpFields fields;
        fields.width = width;
        fields.height = 3;
        for (uint32_t sizeImage : {0u, 0xFFFFFFFFu}) {
            fields.sizeImage = sizeImage;
            const Decoded decoded = decode(encodeBmp(fields, paddedRows(rows)));
            ASSERT_EQ(decoded.status, BmpDecoded);
            EXPECT_EQ(decoded.pixels, expected);
        }
    }
}

TEST(BmpDecode, DeliversTopDownFilesBottomRowFirstWithPositiveHeight)
{
    BmpFields fields;
    fields.width = 2;
    fields.height = 3;
    fields.bitCount = 8;
    fields.palette = fullPalette();
    const Decoded bottomUp = decode(encodeBmp(fields, paddedRows({{1, 2}, {3, 4}, {5, 6}})));
    fields.height = -3;
    const Decoded topDown = decode(encodeBmp(fields, paddedRows({{5, 6}, {3, 4}, {1, 2}})));
    ASSERT_EQ(topDown.status, BmpDecoded);
    EXPECT_EQ(topDown.height, 3);
    EXPECT_EQ(topDown.pixels, bottomUp.pixels);

    fields.bitCount = 24;
    fields.palette.clear();
    fields.width = 1;
    const Decoded trueColour = decode(encodeBmp(fields, paddedRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}})));
    ASSERT_EQ(trueColour.status, BmpDecoded);
    EXPECT_EQ(trueColour.pixels, (Bytes{9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(BmpDecode, BoundsTheColourTableAndPaintsIndicesBeyondItBlack)
{
    BmpFields fields;
    fields.width = 4;
    fields.bitCount = 8;
    const Bytes bits = paddedRows({{0, 1, 2, 200}});

    // Two entries only: the other indices have no colour.
    fields.colorsUsed = 2;
    fields.palette = {{1, 2, 3}, {4, 5, 6}};
    Decoded decoded = decode(encodeBmp(fields, bits));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, concat({{1, 2, 3}, {4, 5, 6}, black, black}));

    // 256 claimed, 3 present before the bits: the bits are not read as colours.
    fields.colorsUsed = 0;
    fields.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    decoded = decode(encodeBmp(fields, bits));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, concat({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, black}));

    // More than 8 bits can address, or than 16 bits can count: bounded, not wrapped.
    fields.palette = fullPalette();
    for (uint32_t claimed : {300u, 0x12345634u, 0x10000u}) {
        fields.colorsUsed = claimed;
        decoded = decode(encodeBmp(fields, bits));
        ASSERT_EQ(decoded.status, BmpDecoded) << claimed;
        EXPECT_EQ(decoded.pixels, concat({entry(0), entry(1), entry(2), entry(200)})) << claimed;
    }

    // Without a file header the claimed table must be there, since the bits follow it.
    fields.fileHeader = false;
    fields.colorsUsed = 0x12345634;
    EXPECT_EQ(decode(encodeBmp(fields, bits)).status, BmpUnknownFormat);
}

TEST(BmpDecode, DecodesRunLengthStreamsWithEscapesAndLeavesSkippedPixelsBlack)
{
    BmpFields fields;
    fields.width = 4;
    fields.height = 3;
    fields.bitCount = 8;
    fields.compression = 1;
    fields.palette = fullPalette();
    const Bytes rle8 = {
        3, 1, 0, 0,              // three of 1, end of line
        0, 3, 2, 3, 1, 0, 2, 2,  // absolute 2 3 1 (padded), then a run of 2 that leaves the row
        0, 0,                    // end of line
        0, 2, 1, 0,              // delta one to the right
        1, 3, 0, 1,              // one of 3, end of bitmap
    };
    const Bytes expected = concat({entry(1), entry(1), entry(1), black,      //
                                   entry(2), entry(3), entry(1), entry(2),   //
                                   black, entry(3), black, black});
    Decoded decoded = decode(encodeBmp(fields, rle8));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, expected);

    fields.bitCount = 4;
    fields.compression = 2;
    fields.palette.resize(16);
    const Bytes rle4 = {
        3, 0x11, 0, 0,        // three of 1, end of line
        0, 3, 0x23, 0x10,     // absolute 2 3 1 (two bytes, no padding)
        2, 0x20, 0, 0,        // a run that leaves the row, end of line
        0, 2, 1, 0,           // delta one to the right
        0, 5, 0x3F, 0xFF, 0xF0, 0,  // absolute 3 then pixels outside the row (padded)
        0, 1,
    };
    decoded = decode(encodeBmp(fields, rle4));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, concat({entry(1), entry(1), entry(1), black,      //
                                      entry(2), entry(3), entry(1), entry(2),   //
                                      black, entry(3), entry(15), entry(15)}));

    // A delta past the top row ends the picture; a stream that fills the last row needs no
    // end-of-bitmap.
    fields.bitCount = 8;
    fields.compression = 1;
    fields.palette = fullPalette();
    decoded = decode(encodeBmp(fields, {4, 9, 0, 2, 0, 5, 4, 9}));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(Bytes(decoded.pixels.begin(), decoded.pixels.begin() + 3), entry(9));
    decoded = decode(encodeBmp(fields, {4, 9, 0, 0, 4, 9, 0, 0, 4, 9, 0, 0}));
    ASSERT_EQ(decoded.status, BmpDecoded);
}

TEST(BmpDecode, RefusesRunLengthStreamsThatEndEarlyOrRunTopDown)
{
    BmpFields fields;
    fields.width = 4;
    fields.height = 2;
    fields.bitCount = 8;
    fields.compression = 1;
    fields.palette = fullPalette();
    const Bytes stream = {4, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};
    ASSERT_EQ(decode(encodeBmp(fields, stream)).status, BmpDecoded);
    for (size_t length = 0; length < stream.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decode(encodeBmp(fields, Bytes(stream.begin(), stream.begin() + length))).status,
                  BmpConversionError);
    }
    // biSizeImage bounds a compressed stream even where the file goes on.
    fields.sizeImage = 8;
    EXPECT_EQ(decode(encodeBmp(fields, stream)).status, BmpConversionError);
    fields.sizeImage = 12;
    EXPECT_EQ(decode(encodeBmp(fields, stream)).status, BmpDecoded);

    fields.height = -2;
    EXPECT_EQ(decode(encodeBmp(fields, stream)).status, BmpConversionError);
}

TEST(BmpDecode, ReadsBitFieldMasksAfterTheInfoHeader)
{
    // 5-6-5: a 6-bit green widens as v * 255 / 63, rounded.
    BmpFields fields;
    fields.width = 4;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    Decoded decoded = decode(encodeBmp(fields, paddedRows({{0xFF, 0xFF, 0x00, 0x08, 0x20, 0x00, 0x00, 0x04}})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, (Bytes{255, 255, 255, 8, 0, 0, 0, 4, 0, 0, 130, 0}));

    // 32 bits in an unusual order and with 10-bit channels; a packed DIB's bits follow the masks.
    fields.fileHeader = false;
    fields.width = 2;
    fields.bitCount = 32;
    fields.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    decoded = decode(encodeBmp(fields, {10, 20, 30, 40, 50, 60, 70, 80}));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, (Bytes{10, 20, 30, 50, 60, 70}));

    fields.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    const uint32_t pixel = 1023u << 20 | 512u << 10 | 1u;  // 1023 -> 255, 512 -> 128, 1 -> 0
    decoded = decode(encodeBmp(fields, concat({le32(pixel), le32(0)})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(Bytes(decoded.pixels.begin(), decoded.pixels.begin() + 3), (Bytes{255, 128, 0}));

    // A channel without bits is black; a full 32-bit mask still widens without overflow.
    fields.masks = {0, 0xFFFFFFFF, 0};
    decoded = decode(encodeBmp(fields, concat({le32(0x7FFFFFFF), le32(0)})));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(Bytes(decoded.pixels.begin(), decoded.pixels.begin() + 3), (Bytes{0, 127, 0}));
}

TEST(BmpDecode, RefusesFormsItDoesNotTakeWithTheirOwnStatus)
{
    struct Case {
        const char* what;
        uint32_t headerSize;
        uint16_t bitCount;
        uint32_t compression;
        int32_t width, height;
        BmpDecodeStatus status;
    };
    const Case cases[] = {
        {"108-byte header", 108, 8, 0, 4, 4, BmpUnknownFormat},
        {"124-byte header", 124, 8, 0, 4, 4, BmpUnknownFormat},
        {"64-byte header", 64, 8, 0, 4, 4, BmpUnknownFormat},
        {"16-byte header", 16, 8, 0, 4, 4, BmpUnknownFormat},
        {"2 bits", 40, 2, 0, 4, 4, BmpConversionError},
        {"64 bits", 40, 64, 0, 4, 4, BmpConversionError},
        {"0 bits", 40, 0, 0, 4, 4, BmpConversionError},
        {"JPEG", 40, 24, 4, 4, 4, BmpConversionError},
        {"PNG", 40, 24, 5, 4, 4, BmpConversionError},
        {"alpha bit fields", 40, 32, 6, 4, 4, BmpConversionError},
        {"RLE8 at 4 bits", 40, 4, 1, 4, 4, BmpConversionError},
        {"RLE4 at 8 bits", 40, 8, 2, 4, 4, BmpConversionError},
        {"bit fields at 24 bits", 40, 24, 3, 4, 4, BmpConversionError},
        {"width 0", 40, 24, 0, 0, 4, BmpConversionError},
        {"negative width", 40, 24, 0, -4, 4, BmpConversionError},
        {"height 0", 40, 24, 0, 4, 0, BmpConversionError},
        {"core width 0", 12, 24, 0, 0, 4, BmpConversionError},
        {"3000000 x 2000000", 40, 24, 0, 3000000, 2000000, BmpOutOfMemory},
        {"widest by tallest", 40, 32, 0, 0x7FFFFFFF, INT32_MIN, BmpOutOfMemory},
        {"just above 2^28 bytes", 40, 24, 0, 16384, 5462, BmpOutOfMemory},
        {"just below 2^28 bytes, bits short", 40, 24, 0, 16384, 5461, BmpConversionError},
    };
    for (const Case& c : cases) {
        BmpFields fields;
        fields.headerSize = c.headerSize;
        fields.bitCount = c.bitCount;
        fields.compression = c.compression;
        fields.width = c.width;
        fields.height = c.height;
        if (c.compression == 3)
            fields.masks = {0xFF0000, 0xFF00, 0xFF};
        EXPECT_EQ(decode(encodeBmp(fields, Bytes(64 * 4 * 8, 0))).status, c.status) << c.what;
    }
}

TEST(BmpDecode, RefusesEveryTruncationWithoutReadingPastTheEnd)
{
    // A header or colour table cut short is an unknown format, bits cut short a conversion
    // error; only the padding after the last row may be missing.
    struct Sample {
        const char* what;
        BmpFields fields;
        Bytes bits;
        size_t bitsStart;
        size_t lastPadding;
    };
    std::vector<Sample> samples;
    const std::vector<BmpColor> all = fullPalette();
    BmpFields paletted;
    paletted.width = 5;
    paletted.height = 2;
    paletted.bitCount = 8;
    paletted.colorsUsed = 6;
    paletted.palette.assign(all.begin(), all.begin() + 6);
    samples.push_back({"8 bits, file header", paletted, paddedRows({{0, 1, 2, 3, 4}, {5, 4, 3, 2, 1}}),
                       14 + 40 + 24, 3});
    BmpFields core;
    core.fileHeader = false;
    core.headerSize = 12;
    core.width = 3;
    core.height = 2;
    core.bitCount = 4;
    core.palette.assign(all.begin(), all.begin() + 16);
    samples.push_back({"4 bits, packed core", core, paddedRows({{0x12, 0x30}, {0x45, 0x60}}), 12 + 48, 2});
    BmpFields masked;
    masked.fileHeader = false;
    masked.width = 1;
    masked.height = 2;
    masked.bitCount = 16;
    masked.compression = 3;
    masked.masks = {0xF800, 0x07E0, 0x001F};
    samples.push_back({"16-bit fields, packed", masked, paddedRows({{1, 2}, {3, 4}}), 40 + 12, 2});
    BmpFields topDown;
    topDown.width = 2;
    topDown.height = -2;
    samples.push_back({"24 bits, top-down", topDown, paddedRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 1, 2, 3}}),
                       14 + 40, 2});

    for (const Sample& sample : samples) {
        const Bytes file = encodeBmp(sample.fields, sample.bits);
        ASSERT_EQ(file.size(), sample.bitsStart + sample.bits.size()) << sample.what;
        for (size_t length = 0; length < file.size(); ++length) {
            const BmpDecodeStatus expected = length < sample.bitsStart ? BmpUnknownFormat
                                             : length < file.size() - sample.lastPadding
                                                 ? BmpConversionError
                                                 : BmpDecoded;
            EXPECT_EQ(decode(Bytes(file.begin(), file.begin() + length)).status, expected)
                << sample.what << ", " << length << " of " << file.size() << " bytes";
        }
    }
}

TEST(BmpDecode, RefusesBitsOffsetsOutsideTheFile)
{
    BmpFields fields;
    fields.width = 1;
    const Bytes bits = paddedRows({{1, 2, 3}});
    Bytes file = encodeBmp(fields, bits);
    for (uint32_t offset : {14u + 40 + 2, uint32_t(file.size()) + 1, 0xFFFFFFFFu}) {
        const Bytes field = le32(offset);  // the pixel would run past the end, or start there
        std::copy(field.begin(), field.end(), file.begin() + 10);
        EXPECT_EQ(decode(file).status, BmpConversionError) << offset;
    }
    // Bits some way after the table are found where the file header says.
    fields.bitsOffset = 100;
    const Decoded decoded = decode(encodeBmp(fields, bits));
    ASSERT_EQ(decoded.status, BmpDecoded);
    EXPECT_EQ(decoded.pixels, (Bytes{3, 2, 1}));
}

TEST(BmpDecode, EndsEveryKeptHostileFileInTheOutcomeListedForIt)
{
    // The files of tests/data/regressions/bmp/ (see its README): the message, or the picture.
    const std::string folder = std::string(KX_SOURCE_DIR) + "/tests/data/regressions/bmp/";
    const std::map<std::string, std::string> outcomes = {
        {"core-header-cut.bmp", "Unknown DIB file format."},
        {"huge-dimensions.bmp", "Out of memory."},
        {"palette-count-huge.bmp", "Unknown DIB file format."},
        {"palette-claim-beyond-bits.bmp", "picture 1x1"},
        {"rle8-run-past-row.bmp", "picture 2x2"},
        {"rle8-absolute-past-end.bmp", "Image file conversion error."},
    };
    for (const auto& [name, expected] : outcomes) {
        const Decoded decoded = decode(readFileBytes(folder + name));
        const char* message = bmpDecodeMessage(decoded.status);
        EXPECT_EQ(message ? message
                          : "picture " + std::to_string(decoded.width) + "x" +
                                std::to_string(decoded.height),
                  expected)
            << name;
    }
    EXPECT_EQ(size_t(std::distance(std::filesystem::directory_iterator(folder), {})),
              outcomes.size())
        << "every file there needs its outcome listed here";
}
