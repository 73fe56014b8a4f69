// BmpTexture uploads complete textures that sample on real Mesa, and a missing file leaves name 0.
#include "image/bmp_texture.h"
#include "tests/support/gl_context.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_file.h"
#include "tools/image_files/bmp_writer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

typedef std::vector<unsigned char> Bytes;

// A 24-bit file of width x height whose pixel i (bottom row first) is colours[i % size].
std::string writeTexture(const std::string& name, int32_t width, int32_t height, const Bytes& rgb)
{
    Bytes pixels(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = rgb[i % rgb.size()];
    return writeTempFile(name, encodeBmp24(pixels.data(), width, height));
}

Bytes level0(int width, int height)
{
    Bytes pixels(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

GLint levelParameter(GLint level, GLenum name)
{
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// Draws the bound texture over a square of side pixels at the window's centre, with a green
// fragment colour that only an unusable texture lets through, and reads the centre back.
Bytes sampleAtCentre(int side)
{
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glColor3f(0, 1, 0);
    const float low = 400 - side / 2.0f, high = 400 + side / 2.0f;
    const float bottom = 300 - side / 2.0f, top = 300 + side / 2.0f;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(low, bottom);
    glTexCoord2f(1, 0);
    glVertex2f(high, bottom);
    glTexCoord2f(1, 1);
    glVertex2f(high, top);
    glTexCoord2f(0, 1);
    glVertex2f(low, top);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    Bytes rgb(3);
    readBackPixel(400, 300, rgb.data());
    return rgb;
}

class BmpTextureTest : public testing::Test {
protected:
    void SetUp() override
    {
        ensureGlContext();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // OpenGL's default, which tight odd rows break
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
};

}  // namespace

TEST_F(BmpTextureTest, UploadsAMipmappedRgbTextureThatReplacesTheFragmentColour)
{
    const Bytes colours = {200, 30, 40, 10, 220, 90, 70, 80, 250, 255, 255, 255};
    BmpTexture texture;
    texture.load(writeTexture("four.bmp", 4, 4, colours).c_str());
    ASSERT_NE(texture.textureName, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texture.textureName);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(levelParameter(2, GL_TEXTURE_WIDTH), 1);  // the whole chain down to 1 x 1
    Bytes expected;
    for (int i = 0; i < 16; ++i)
        expected.insert(expected.end(), colours.begin() + (i % 4) * 3, colours.begin() + (i % 4) * 3 + 3);
    EXPECT_EQ(level0(4, 4), expected);

    GLfloat mode = 0;
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GLfloat(GL_DECAL));
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // Four texels under one screen pixel: the two smallest levels average to a grey, not green.
    const Bytes sampled = sampleAtCentre(1);
    EXPECT_NE(sampled, (Bytes{0, 255, 0}));
}

TEST_F(BmpTextureTest, UploadsRowsThatAreNotMultiplesOfFourBytes)
{
    for (auto [width, height] : {std::pair<int, int>{2, 2}, {1, 4}, {8, 1}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        Bytes colours;
        for (int i = 0; i < width * height * 3; ++i)
            colours.push_back((unsigned char)(i * 37 + 11));
        BmpTexture texture;
        texture.load(writeTexture("odd.bmp", width, height, colours).c_str());
        ASSERT_NE(texture.textureName, 0u);
        EXPECT_EQ(level0(width, height), colours);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(BmpTextureTest, KeepsTexturesWhoseSidesAreNotPowersOfTwoComplete)
{
    // NOTE: sizes where GLU scales both sides; where it scales only the width (3 x 4), this
    // GLU leaves the top row of its scaled level 0 black, which is its own fault.
    for (auto [width, height] : {std::pair<int, int>{3, 5}, {100, 60}, {6, 3}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        BmpTexture texture;
        texture.load(writeTexture("npot.bmp", width, height, {200, 30, 40}).c_str());
        ASSERT_NE(texture.textureName, 0u);
        // Every level has the picture's one colour; green would mean the texture was unusable.
        for (int side : {400, 2}) {
            const Bytes sampled = sampleAtCentre(side);
            EXPECT_NEAR(sampled[0], 200, 1) << side;
            EXPECT_NEAR(sampled[1], 30, 1) << side;
            EXPECT_NEAR(sampled[2], 40, 1) << side;
        }
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(BmpTextureTest, LeavesTheNameAloneWhenTheFileIsMissing)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path folder = std::filesystem::path(writeTempFile("x", {})).parent_path();
    std::filesystem::current_path(folder);  // a folder without textures/
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);

    MessageRecorder recorder;
    BmpTexture wall;
    wall.load("textures/brick.bmp");
    BmpTexture loadedBefore;
    loadedBefore.textureName = 77;
    loadedBefore.load("textures/brick.bmp");
    std::filesystem::current_path(previous);

    EXPECT_EQ(wall.textureName, 0u);
    EXPECT_EQ(loadedBefore.textureName, 77u);
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(recorder.messages[0].text, "Failed to open DIB file textures/brick.bmp.\n");
    EXPECT_EQ(recorder.messages[0].caption, "Error");
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), other);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);  // no GL call at all
    glDeleteTextures(1, &other);
}
