// The glyph sheet generator places glyphs in their cells and writes a reproducible, readable sheet.
#include "data/run_files.h"
#include "image/tga_image.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_file.h"
#include "tools/font/glyph_sheet.h"
#include "tools/image_files/tga_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

const GlyphSheet& renderedSheet()
{
    static GlyphSheet sheet;
    static bool rendered = false;
    if (!rendered) {
        std::string error;
        rendered = renderGlyphSheet(KX_FONT_REGULAR, KX_FONT_BOLD, &sheet, &error);
        EXPECT_TRUE(rendered) << error;
    }
    return sheet;
}

struct InkBox {
    int left = glyphCellPixels, right = -1, top = glyphCellPixels, bottom = -1;  // inclusive
    long total = 0;
    bool empty() const { return total == 0; }
};

InkBox inkOf(const GlyphSheet& sheet, int cell)
{
    InkBox box;
    int x0 = (cell % glyphGridSize) * glyphCellPixels;
    int y0 = (cell / glyphGridSize) * glyphCellPixels;
    for (int y = 0; y < glyphCellPixels; ++y)
        for (int x = 0; x < glyphCellPixels; ++x) {
            unsigned char c = sheet.coverage[(y0 + y) * sheet.width + x0 + x];
            if (!c)
                continue;
            box.total += c;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    return box;
}

// The sheet as drawn: the alpha of glyph and rim together in place of the coverage.
GlyphSheet outlined(const GlyphSheet& sheet)
{
    GlyphSheet drawn = sheet;
    std::vector<unsigned char> rgba = glyphSheetRgba(sheet);
    for (size_t i = 0; i < drawn.coverage.size(); ++i)
        drawn.coverage[i] = rgba[i * 4 + 3];
    return drawn;
}

// Writes the file and reads it back with the program's reader; pixels come bottom row first.
TgaImage readBack(const std::vector<unsigned char>& file, MessageRecorder& recorder)
{
    TgaImage image;
    TgaReader reader;
    reader.load(&image, writeTempFile("fontgen_roundtrip.tga", file).c_str());
    EXPECT_TRUE(recorder.messages.empty()) << recorder.messages[0].text;
    return image;
}

// Top-row-first pixels turned into the bottom-row-first order the reader delivers.
std::vector<unsigned char> bottomUp(const std::vector<unsigned char>& pixels, int width,
                                    int height, int bytesPerPixel)
{
    std::vector<unsigned char> flipped;
    size_t row = static_cast<size_t>(width) * bytesPerPixel;
    for (int y = height - 1; y >= 0; --y)
        flipped.insert(flipped.end(), pixels.begin() + y * row, pixels.begin() + (y + 1) * row);
    return flipped;
}

void expectRoundTrip(const std::vector<unsigned char>& pixels, int width, int height,
                     int bytesPerPixel)
{
    MessageRecorder recorder;
    TgaImage image = readBack(encodeTga(pixels.data(), width, height, bytesPerPixel, true), recorder);
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(image.width, static_cast<uint32_t>(width));
    EXPECT_EQ(image.height, static_cast<uint32_t>(height));
    EXPECT_EQ(image.bitsPerPixel, static_cast<uint32_t>(bytesPerPixel * 8));
    std::vector<unsigned char> expected = bottomUp(pixels, width, height, bytesPerPixel);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), image.pixels));
    free(image.pixels);
}

std::vector<unsigned char> packets(const std::vector<unsigned char>& pixels, int bytesPerPixel)
{
    std::vector<unsigned char> out;
    appendRlePackets(out, pixels.data(), pixels.size() / bytesPerPixel, bytesPerPixel);
    return out;
}

}  // namespace

TEST(GlyphSheet, CentresEveryGlyphWithinTheAdvanceAndKeepsCellEdgesClear)
{
    const GlyphSheet& sheet = renderedSheet();
    ASSERT_EQ(sheet.width, 512);
    ASSERT_EQ(sheet.height, 512);
    // The pen moves 10 of the cell's 16 units, so a glyph and its rim may use the middle
    // 10/16 only.
    const int bandLeft = glyphCellPixels * 3 / 16;
    const int bandRight = glyphCellPixels * 13 / 16 - 1;
    const GlyphSheet drawn = outlined(sheet);
    for (int set = 0; set < 2; ++set)
        for (int code = 33; code <= 126; ++code) {
            InkBox ink = inkOf(drawn, glyphCell(set, code));
            ASSERT_FALSE(ink.empty()) << "set " << set << " code " << code;
            EXPECT_GE(ink.left, bandLeft) << "set " << set << " '" << char(code) << "'";
            EXPECT_LE(ink.right, bandRight) << "set " << set << " '" << char(code) << "'";
        }

    InkBox a = inkOf(sheet, glyphCell(0, 'A'));
    int middle = (a.left + a.right + 1) / 2;
    EXPECT_LE(std::abs(middle - glyphCellPixels / 2), 1);
    // Same baseline in both sets; the descender of 'g' reaches below it and stays in the cell.
    EXPECT_EQ(inkOf(sheet, glyphCell(1, 'A')).bottom, a.bottom);
    InkBox g = inkOf(sheet, glyphCell(0, 'g'));
    EXPECT_GT(g.bottom, a.bottom + 4);
    EXPECT_LT(g.bottom, glyphCellPixels);
    EXPECT_GE(a.bottom - a.top + 1, 18) << "capitals should be at least 18 pixels tall";
}

TEST(GlyphSheet, LeavesSpaceDeleteAndUnusedCellsEmpty)
{
    const GlyphSheet& sheet = renderedSheet();
    for (int cell = 0; cell < 256; ++cell) {
        int code = cell % 128 + 32;
        bool used = cell % 128 < 96 && code != ' ' && code != 127;
        EXPECT_EQ(inkOf(sheet, cell).empty(), !used) << "cell " << cell;
    }
}

TEST(GlyphSheet, SetOneIsBolderThanSetZero)
{
    const GlyphSheet& sheet = renderedSheet();
    for (int code : {'A', 'K', 'f', '0'}) {
        InkBox regular = inkOf(sheet, glyphCell(0, code));
        InkBox bold = inkOf(sheet, glyphCell(1, code));
        EXPECT_GT(bold.total, regular.total * 5 / 4) << char(code);
    }
}

TEST(GlyphSheet, IsWhiteInADarkRimOnTransparentBlack)
{
    // Full coverage is opaque white; around it lies a black rim of glyphRimPixels, and
    // outside the rim everything is transparent black.
    const GlyphSheet& sheet = renderedSheet();
    std::vector<unsigned char> rgba = glyphSheetRgba(sheet);
    ASSERT_EQ(rgba.size(), sheet.coverage.size() * 4);
    for (size_t i = 0; i < sheet.coverage.size(); ++i) {
        const unsigned char* pixel = &rgba[i * 4];
        ASSERT_GE(pixel[3], sheet.coverage[i]);
        ASSERT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]) << i;
        if (sheet.coverage[i] == 0xFF) {
            ASSERT_EQ(pixel[0] + pixel[3], 2 * 0xFF) << i;
        } else if (sheet.coverage[i] == 0) {
            ASSERT_EQ(pixel[0], 0) << i;
        }
    }
    const GlyphSheet drawn = outlined(sheet);
    for (int cell : {glyphCell(0, 'A'), glyphCell(0, '.'), glyphCell(1, 'g')}) {
        InkBox glyph = inkOf(sheet, cell), rimmed = inkOf(drawn, cell);
        EXPECT_EQ(rimmed.left, glyph.left - glyphRimPixels) << cell;
        EXPECT_EQ(rimmed.right, glyph.right + glyphRimPixels) << cell;
        EXPECT_EQ(rimmed.top, glyph.top - glyphRimPixels) << cell;
        EXPECT_EQ(rimmed.bottom, glyph.bottom + glyphRimPixels) << cell;
    }
    // Beside the stem of '|', one pixel out of its anti-aliased edge, the rim is mostly dark.
    InkBox bar = inkOf(sheet, glyphCell(0, '|'));
    int x0 = (glyphCell(0, '|') % glyphGridSize) * glyphCellPixels;
    int y0 = (glyphCell(0, '|') / glyphGridSize) * glyphCellPixels;
    int middle = (y0 + (bar.top + bar.bottom) / 2) * sheet.width + x0;
    EXPECT_GE(drawn.coverage[middle + bar.left - 1], 0x80);
    EXPECT_GE(drawn.coverage[middle + bar.right + 1], 0x80);
}

TEST(GlyphSheet, BuildWritesTheSameCompressedFileInEveryProcess)
{
    std::vector<unsigned char> rgba = glyphSheetRgba(renderedSheet());
    std::vector<unsigned char> file = encodeTga(rgba.data(), 512, 512, 4, true);
    // The build's generator wrote the run directory's sheet in a process of its own: a sheet
    // that hung on the process (uninitialised memory, addresses, the clock) differs from here.
    EXPECT_EQ(readFileBytes(std::string(KX_RUN_DIR) + "/" + glyphSheetFile), file)
        << "the run directory's sheet is stale, missing or not the same as this process's";

    const unsigned char compressedPattern[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_GT(file.size(), 18u);
    EXPECT_TRUE(std::equal(compressedPattern, compressedPattern + 12, file.begin()));
    EXPECT_EQ(file[16], 32);
    EXPECT_LT(file.size(), rgba.size() / 2) << "mostly transparent sheet should compress well";
}

TEST(GlyphSheet, RefusesAMissingFont)
{
    GlyphSheet sheet;
    std::string error;
    EXPECT_FALSE(renderGlyphSheet("/nonexistent/font.ttf", KX_FONT_BOLD, &sheet, &error));
    EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos) << error;
}

TEST(RleEncoder, SplitsRunsAndRawStretchesIntoPacketsOfAtMost128)
{
    std::vector<unsigned char> run129(129 * 3, 7);
    std::vector<unsigned char> expected = {0xFF, 7, 7, 7, 0x00, 7, 7, 7};
    EXPECT_EQ(packets(run129, 3), expected);

    std::vector<unsigned char> distinct;
    for (int i = 0; i < 130; ++i)
        distinct.insert(distinct.end(), {static_cast<unsigned char>(i), 0, 0, 0});
    std::vector<unsigned char> encoded = packets(distinct, 4);
    ASSERT_EQ(encoded.size(), 1 + 128 * 4 + 1 + 2 * 4u);
    EXPECT_EQ(encoded[0], 0x7F);
    EXPECT_EQ(encoded[1 + 128 * 4], 0x01);

    // A raw stretch stops where two equal pixels begin; a lone pixel is a raw packet of one.
    std::vector<unsigned char> mixed = {1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3};
    expected = {0x00, 1, 1, 1, 0x81, 2, 2, 2, 0x00, 3, 3, 3};
    EXPECT_EQ(packets(mixed, 3), expected);
}

TEST(RleEncoder, RoundTripsThroughTheProgramsTgaReader)
{
    // Runs across row ends, raw stretches longer than a packet, single pixels, both depths.
    const int width = 150, height = 5;
    for (int bytesPerPixel : {3, 4}) {
        std::vector<unsigned char> pixels(width * height * bytesPerPixel);
        for (int i = 0; i < width * height; ++i)
            for (int c = 0; c < bytesPerPixel; ++c) {
                int y = i / width;
                unsigned char value = y == 0 ? 200                          // one long run
                                    : y == 1 ? static_cast<unsigned char>(i * 7 + c)  // raw
                                    : y == 2 ? static_cast<unsigned char>((i / 3) * 11 + c)
                                             : static_cast<unsigned char>(i % 2 ? c : 255 - c);
                pixels[i * bytesPerPixel + c] = value;
            }
        expectRoundTrip(pixels, width, height, bytesPerPixel);
        expectRoundTrip(std::vector<unsigned char>(pixels.begin(), pixels.begin() + bytesPerPixel),
                        1, 1, bytesPerPixel);
    }
    std::vector<unsigned char> rgba = glyphSheetRgba(renderedSheet());
    expectRoundTrip(rgba, 512, 512, 4);
}
