// The shipped shader pair lighting the ball as the program draws it, read back from real Mesa:
// where the light falls, and that the tangent frame turns bumps the way the maps encode them.
#include "render/shader_program.h"

#include "tests/support/gl_context.h"
#include "tests/support/message_recorder.h"

#include <GL/glu.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

const int width = 800;
const int height = 600;

// The ball's centre on screen from the start camera, and its radius there in pixels (about 141).
const int centreX = 400;
const int centreY = 300;

struct Frame {
    std::vector<unsigned char> rgb;
    int brightness(int x, int y) const
    {
        const unsigned char* p = &rgb[3 * (y * width + x)];
        return (p[0] + p[1] + p[2]) / 3;
    }
};

// A normal map of one texel, encoded as the maps are: rgb = n * 0.5 + 0.5.
unsigned char encode(float component) { return (unsigned char)(component * 127.5f + 128.0f); }

class BumpMappingTest : public testing::Test {
protected:
    void SetUp() override
    {
        ensureGlContext();
        shaderEntryPoints = {};
        MessageRecorder recorder;
        shader = {};
        shader.build(KX_SOURCE_DIR "/shaders/BumpMapping.vert",
                     KX_SOURCE_DIR "/shaders/BumpMapping.frag");
        ASSERT_TRUE(recorder.messages.empty());
        glGenTextures(1, &texture);
    }

    void TearDown() override
    {
        shader.unbind();
        shaderEntryPoints = {};
        glDeleteTextures(1, &texture);
    }

    // The ball as the frame code draws it: start camera, the set-up's light and material,
    // the map on unit 0; tiltX turns the ball about the x axis first (degrees).
    Frame draw(float nT, float nB, float nN, float tiltX)
    {
        const unsigned char texel[3] = {encode(nT), encode(nB), encode(nN)};
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);

        const GLfloat grey[4] = {0.5f, 0.5f, 0.5f, 1};
        const GLfloat white[4] = {1, 1, 1, 1};
        const GLfloat shininess = 50;
        glDisable(GL_COLOR_MATERIAL);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, grey);
        glMaterialfv(GL_FRONT, GL_SPECULAR, white);
        glMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
        const GLfloat modelAmbient[4] = {0.5f, 0.5f, 0.5f, 0};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, modelAmbient);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0, GL_SPECULAR, white);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);

        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45, double(width) / height, 1, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 3, 10, 0, 0, 0, 0, 1, 0);
        GLfloat lightMatrix[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, lightMatrix);
        glRotatef(tiltX, 1, 0, 0);

        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        GLUquadric* sphere = gluNewQuadric();
        gluQuadricNormals(sphere, GLU_SMOOTH);
        gluQuadricTexture(sphere, GL_TRUE);
        shader.bind();
        EXPECT_TRUE(shader.setUniform1i("normalmap", 0));
        EXPECT_TRUE(shader.setUniformMatrix4fv("light_mvmatrix", 1, GL_FALSE, lightMatrix));
        gluSphere(sphere, 2.0, 50, 50);
        shader.unbind();
        gluDeleteQuadric(sphere);

        Frame frame;
        frame.rgb.resize(3 * width * height);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return frame;
    }

    ShaderProgram shader = {};
    GLuint texture = 0;
};

TEST_F(BumpMappingTest, AFlatMapGivesABrightSideADarkSideAndAHighlight)
{
    Frame frame = draw(0, 0, 1, 0);
    // The light stands above, left of and in front of the start view.
    int upperLeft = frame.brightness(centreX - 70, centreY + 70);
    int lowerRight = frame.brightness(centreX + 95, centreY - 95);
    EXPECT_GT(upperLeft, 150);
    // Turned away from the light only the ambient part is left: 0.5 * 0.5 of full scale.
    EXPECT_NEAR(lowerRight, 64, 6);

    int brightest = 0;
    for (int y = centreY - 140; y <= centreY + 140; y++)
        for (int x = centreX - 140; x <= centreX + 140; x++)
            brightest = std::max(brightest, frame.brightness(x, y));
    EXPECT_GE(brightest, 245);

    // The pole faces the camera at the start; it must be shaded like its neighbours, not
    // punched out by a frame that breaks down there.
    EXPECT_NEAR(frame.brightness(centreX, centreY), frame.brightness(centreX + 3, centreY + 3), 6);
    EXPECT_NEAR(frame.brightness(centreX, centreY), frame.brightness(centreX - 3, centreY - 3), 6);
}

TEST_F(BumpMappingTest, TheMapTurnsNormalsTowardsIncreasingSAndT)
{
    // Turned so that the equator faces the camera: s then grows to the right, t upwards, and
    // the light comes from the upper left.
    const float tilt = -90;
    const float side = 0.6f, up = 0.8f;
    int towardsS = draw(side, 0, up, tilt).brightness(centreX, centreY);
    int againstS = draw(-side, 0, up, tilt).brightness(centreX, centreY);
    int towardsT = draw(0, side, up, tilt).brightness(centreX, centreY);
    int againstT = draw(0, -side, up, tilt).brightness(centreX, centreY);
    EXPECT_LT(towardsS + 20, againstS);
    EXPECT_GT(towardsT, againstT + 20);
}

}  // namespace
