// The bitmap font on real Mesa: glyphs land where print puts them, and a failed sheet still draws.
#include "data/run_files.h"
#include "render/bitmap_font.h"
#include "tests/support/gl_context.h"
#include "tests/support/message_recorder.h"
#include "tools/image_files/file_bytes.h"
#include "tools/image_files/tga_writer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& out, const Rgb& c)
{
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Rgb black = {0, 0, 0};
const Rgb white = {255, 255, 255};

Rgb pixelAt(int x, int y)
{
    unsigned char rgb[3];
    readBackPixel(x, y, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

// Opaque cells of 16 by 16 pixels, each a colour that names the cell: red = cell, green =
// 255 - cell; blue tells the upper half of the cell (0) from the lower half (255).
Rgb cellColour(int cell, bool upper)
{
    return {cell, 255 - cell, upper ? 0 : 255};
}

std::string writeSheet(const char* name, const std::vector<unsigned char>& pixels, int width,
                       int height, int bytesPerPixel)
{
    std::string path = testing::TempDir() + name;
    std::string error;
    EXPECT_TRUE(writeFileBytes(path.c_str(), encodeTga(pixels.data(), width, height, bytesPerPixel,
                                                       true), &error)) << error;
    return path;
}

std::string cellColourSheet()
{
    const int size = 256;
    std::vector<unsigned char> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Rgb c = cellColour(y / 16 * 16 + x / 16, y % 16 < 8);
            pixels.insert(pixels.end(), {static_cast<unsigned char>(c.r),
                                         static_cast<unsigned char>(c.g),
                                         static_cast<unsigned char>(c.b), 255});
        }
    return writeSheet("cell_colours.tga", pixels, size, size, 4);
}

class BitmapFontTest : public testing::Test {
protected:
    void SetUp() override
    {
        ensureGlContext();
        glViewport(0, 0, 800, 600);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    // The program's one font keeps its sheet for the whole run; a test's font ends with it.
    // Its 256 lists stay behind in the context.
    void TearDown() override { free(font.sheet.pixels); }

    BitmapFont font;
};

TEST_F(BitmapFontTest, BuildsATextureAndTwoHundredFiftySixListsFromTheGeneratedSheet)
{
    MessageRecorder recorder;
    font.build((std::string(KX_RUN_DIR) + "/" + glyphSheetFile).c_str());
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(font.sheet.width, 512u);
    EXPECT_EQ(font.sheet.pixelFormat, static_cast<GLenum>(GL_RGBA));
    ASSERT_NE(font.listBase, 0u);
    for (GLuint g = 0; g < 256; ++g)
        ASSERT_TRUE(glIsList(font.listBase + g)) << "list " << g;
    EXPECT_FALSE(glIsList(font.listBase + 256));
    EXPECT_TRUE(glIsTexture(font.sheet.textureName));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // "A " at scale 2: the glyph is white ink, the space and the background around it are not.
    font.print(100, 100, "A ", 0, 2);
    int ink = 0;
    for (int x = 100; x < 132; ++x)
        for (int y = 100; y < 132; ++y)
            ink += pixelAt(x, y) == white;
    EXPECT_GT(ink, 30);
    for (int x = 132; x < 160; ++x)
        for (int y = 100; y < 132; ++y)
            ASSERT_EQ(pixelAt(x, y), black) << x << ", " << y;
}

TEST_F(BitmapFontTest, PrintLeavesFixedSwitchesAndItsOwnStateEvenForAnEmptyText)
{
    MessageRecorder recorder;
    font.build(cellColourSheet().c_str());
    ASSERT_TRUE(recorder.messages.empty());

    // Everything the other way round, and matrices that print must give back.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ZERO);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glListBase(0);
    glColor3f(1, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(0.5f, 0.5f, 0.5f);
    GLfloat modelview[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);

    font.print(10, 10, "", 1, 2);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint value;
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1);
    EXPECT_EQ(colour[1], 1);
    EXPECT_EQ(colour[2], 1);
    EXPECT_EQ(colour[3], 1);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_MODULATE);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), font.sheet.textureName);
    glGetIntegerv(GL_LIST_BASE, &value);
    EXPECT_EQ(static_cast<GLuint>(value), font.listBase - 32 + 128);

    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_TRUE(std::equal(after, after + 16, modelview));
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_TRUE(std::equal(after, after + 16, projection));
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EXPECT_EQ(pixelAt(20, 20), black);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(BitmapFontTest, DrawsEachCodeFromItsCellUprightAndAdvancesTenUnitsPerByte)
{
    MessageRecorder recorder;
    font.build(cellColourSheet().c_str());

    // Scale 2: 32-pixel squares 20 pixels apart, lower-left corner at the given point.
    font.print(100, 300, " AB", 0, 2);
    EXPECT_EQ(pixelAt(110, 308), cellColour(0, false));  // the space's own cell is drawn
    EXPECT_EQ(pixelAt(130, 308), cellColour('A' - 32, false));
    EXPECT_EQ(pixelAt(130, 324), cellColour('A' - 32, true));
    EXPECT_EQ(pixelAt(150, 308), cellColour('B' - 32, false));
    EXPECT_EQ(pixelAt(171, 324), cellColour('B' - 32, true));
    EXPECT_EQ(pixelAt(172, 316), black);
    EXPECT_EQ(pixelAt(100, 299), black);
    EXPECT_EQ(pixelAt(99, 316), black);

    // Set 1 takes the same codes from the lower half of the sheet, cells 128 to 223.
    font.print(100, 100, " A~", 1, 1);
    EXPECT_EQ(pixelAt(105, 104), cellColour(128, false));
    EXPECT_EQ(pixelAt(115, 112), cellColour(128 + 'A' - 32, true));
    EXPECT_EQ(pixelAt(135, 104), cellColour(128 + '~' - 32, false));
}

TEST_F(BitmapFontTest, BytesOutsideTheSetDrawNothingAndDoNotAdvance)
{
    MessageRecorder recorder;
    font.build(cellColourSheet().c_str());
    // Such bytes name lists below the font's; in the program none exist there, but the fonts
    // of earlier tests would answer them.
    GLuint below = std::min<GLuint>(font.listBase - 1, 160);
    glDeleteLists(font.listBase - below, below);

    for (const char* text : {"\x01", "\x1f", "\x80", "\xc1", "\xff"}) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(text[0])));
        glClear(GL_COLOR_BUFFER_BIT);
        font.print(200, 200, text, 0, 2);
        for (int x = 190; x < 250; x += 3)
            for (int y = 190; y < 240; y += 3)
                ASSERT_EQ(pixelAt(x, y), black) << x << ", " << y;

        glClear(GL_COLOR_BUFFER_BIT);
        font.print(200, 200, (std::string(text) + "B" + text).c_str(), 0, 2);
        EXPECT_EQ(pixelAt(210, 208), cellColour('B' - 32, false));
        EXPECT_EQ(pixelAt(231, 208), cellColour('B' - 32, false));
        EXPECT_EQ(pixelAt(232, 208), black);
    }
}

TEST_F(BitmapFontTest, UploadsA24BitSheetWhoseRowsAreNotAMultipleOfFourBytes)
{
    // 18 pixels of 3 bytes: 54-byte rows. Read with GL's default 4-byte row alignment they
    // would slide two bytes further each row and turn the colour around.
    const int width = 18, height = 16;
    std::vector<unsigned char> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {10, 200, 60});
    MessageRecorder recorder;
    font.build(writeSheet("odd_rows.tga", pixels, width, height, 3).c_str());
    ASSERT_EQ(font.sheet.pixelFormat, static_cast<GLenum>(GL_RGB));

    font.print(300, 300, "Ag_", 0, 2);
    for (int x = 300; x < 372; x += 4)
        for (int y = 300; y < 332; y += 4)
            ASSERT_EQ(pixelAt(x, y), (Rgb{10, 200, 60})) << x << ", " << y;
}

TEST_F(BitmapFontTest, AMissingSheetIsReportedAndTextsDrawAsRowsOfWhiteSquares)
{
    MessageRecorder recorder;
    font.build("textures/no-such-font.tga");
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, "Could not open texture file");
    EXPECT_EQ(recorder.messages[0].caption, "ERROR");
    while (glGetError() != GL_NO_ERROR) {
    }
    for (GLuint g = 0; g < 256; ++g)
        ASSERT_TRUE(glIsList(font.listBase + g));

    // Three bytes at scale 2: squares at 0, 20 and 40 of 32 pixels each, one white band.
    font.print(100, 100, "a b", 0, 2);
    for (int x = 100; x < 172; ++x) {
        ASSERT_EQ(pixelAt(x, 100), white) << x;
        ASSERT_EQ(pixelAt(x, 131), white) << x;
    }
    EXPECT_EQ(pixelAt(172, 110), black);
    EXPECT_EQ(pixelAt(120, 132), black);
    EXPECT_EQ(pixelAt(99, 110), black);
}

}  // namespace
