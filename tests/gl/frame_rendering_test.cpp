// display and reshape: projection, camera, the state each frame leaves, the hints and frame rate.
#include "app/frame_rendering.h"
#include "app/frame_timer.h"
#include "app/scene_setup.h"
#include "app/scene_state.h"
#include "platform/ticks.h"
#include "tests/support/gl_context.h"

#include <GL/gl.h>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class FrameRenderingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureGlContext();
        scene = SceneState();
        // Only the sphere of the set-up: without files the textures keep name 0 and the ball
        // is drawn by the fixed-function pipeline.
        if (!sphereQuadric) {
            sphereQuadric = gluNewQuadric();
            gluQuadricNormals(sphereQuadric, GLU_SMOOTH);
            gluQuadricTexture(sphereQuadric, GL_TRUE);
        }
        setFixedGlState();
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        reshape(800, 600);
    }
};

TEST_F(FrameRenderingTest, ReshapeToHeightZeroUsesOne)
{
    reshape(800, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 1);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    double f = 1 / tan(22.5 * M_PI / 180);
    EXPECT_NEAR(projection[5], f, 1e-5);
    EXPECT_NEAR(projection[0], f / 800, 1e-7) << "aspect 800 / 1";

    reshape(1000, 600);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], f * 0.6, 1e-5) << "aspect divided in floating point";
}

TEST_F(FrameRenderingTest, TheCameraStartsAtZeroThreeTenLookingAtTheBall)
{
    display();
    // World-to-eye: the eye (0, 3, 10) maps to the origin, the ball's centre straight ahead.
    auto eye = [](const float* m, float x, float y, float z, int row) {
        return m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    };
    for (int row = 0; row < 3; row++)
        EXPECT_NEAR(eye(lightMatrix, 0, 3, 10, row), 0, 1e-5);
    EXPECT_NEAR(eye(lightMatrix, 0, 0, 0, 0), 0, 1e-5);
    EXPECT_NEAR(eye(lightMatrix, 0, 0, 0, 1), 0, 1e-5);
    EXPECT_NEAR(eye(lightMatrix, 0, 0, 0, 2), -sqrt(109.0), 1e-4);
    EXPECT_NEAR(lightMatrix[5], 10 / sqrt(109.0), 1e-6) << "up stays up, tilted down to the ball";

    scene.ballX = 4;
    scene.cameraAngle = M_PI / 2;
    scene.cameraDistance = -2;  // the eye passed through the ball to the other side
    display();
    EXPECT_NEAR(eye(lightMatrix, 2, 3, 0, 0), 0, 1e-5);
    EXPECT_NEAR(eye(lightMatrix, 2, 3, 0, 2), 0, 1e-5);
    EXPECT_NEAR(eye(lightMatrix, 4, 0, 0, 2), -sqrt(13.0), 1e-5);
}

TEST_F(FrameRenderingTest, EveryFrameLeavesTheFixedState)
{
    scene.helpShown = true;
    for (int frame = 0; frame < 2; frame++) {
        display();
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
        EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLint mode;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(FrameRenderingTest, AFrameWithTheHelpHidesTheHintsForGood)
{
    display();
    EXPECT_FALSE(scene.hintsHidden);
    scene.helpShown = true;
    display();
    EXPECT_TRUE(scene.hintsHidden);
    scene.helpShown = false;
    display();
    EXPECT_TRUE(scene.hintsHidden);
}

TEST_F(FrameRenderingTest, TheFrameRateTextHoldsTheLargestCountWhole)
{
    // This frame is the timer's 2147483647th since a publication over a second ago.
    frameTimer.frameCount = 2147483646;
    frameTimer.lastPublishTick = queryTickCounter() - 2 * queryTickFrequency();
    display();
    EXPECT_STREQ(fpsText, "2147483647 fps");
}

TEST_F(FrameRenderingTest, WithoutTexturesTheRoomIsFlatGreyUnderABlueSky)
{
    display();  // the textures of this executable were never loaded: names are 0
    unsigned char sky[3], wall[3], floorColour[3];
    readBackPixel(400, 590, sky);
    readBackPixel(20, 460, wall);
    readBackPixel(400, 40, floorColour);
    EXPECT_NEAR(sky[0], 76, 2);
    EXPECT_NEAR(sky[2], 255, 2);
    EXPECT_NEAR(wall[0], 153, 2);
    EXPECT_NEAR(floorColour[0], 102, 2);
}

}  // namespace
