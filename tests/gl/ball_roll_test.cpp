// The ball rolls without sliding: each step turns its orientation about the right world axis.
#include "app/frame_rendering.h"
#include "app/scene_state.h"
#include "app/simulation.h"
#include "tests/support/gl_context.h"

#include <GL/gl.h>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// The rotation by angle degrees about a unit axis, column-major, computed without GL.
void rotation(double degrees, double x, double y, double z, double out[16])
{
    double a = degrees * M_PI / 180, c = cos(a), s = sin(a), k = 1 - c;
    const double m[16] = {x * x * k + c,     y * x * k + z * s, z * x * k - y * s, 0,
                          x * y * k - z * s, y * y * k + c,     z * y * k + x * s, 0,
                          x * z * k + y * s, y * z * k - x * s, z * z * k + c,     0,
                          0,                 0,                 0,                 1};
    memcpy(out, m, sizeof m);
}

void applyTo(const float m[16], const double v[3], double out[3])
{
    for (int row = 0; row < 3; row++)
        out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2];
}

class BallRollTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureGlContext();
        scene = SceneState();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    void step(double dt)
    {
        scene.frameDelta = dt;
        moveScene();
        rollBall();
    }
};

TEST_F(BallRollTest, ZeroStepsLeaveTheOrientationExactlyAlone)
{
    const SceneState start;
    step(2.0);  // not launched: zero axis, zero angle
    EXPECT_EQ(memcmp(scene.ballOrientation, start.ballOrientation, sizeof start.ballOrientation), 0);
    scene.launchRequested = true;
    step(0.0);
    EXPECT_EQ(memcmp(scene.ballOrientation, start.ballOrientation, sizeof start.ballOrientation), 0);
    scene.ballSpeed = 0;
    step(1.0);
    EXPECT_EQ(memcmp(scene.ballOrientation, start.ballOrientation, sizeof start.ballOrientation), 0);
}

TEST_F(BallRollTest, TheTopTurnsForwardAsARollingBallWould)
{
    scene.cameraAngle = 0.7;
    scene.launchRequested = true;
    step(0.3);
    // Rolling 1.5 units on a ball of radius 2 turns it by 1.5 / 2 radians about the axis
    // across the path: the top point moves forward along the path.
    double expected[16];
    double axisLength = std::hypot(scene.dirZ, scene.dirX);
    rotation(scene.stepAngle, scene.dirZ / axisLength, 0, -scene.dirX / axisLength, expected);
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(scene.ballOrientation[i], expected[i], 1e-6) << "element " << i;

    const double top[3] = {0, 1, 0};
    double moved[3];
    applyTo(scene.ballOrientation, top, moved);
    double forward = moved[0] * scene.dirX + moved[2] * scene.dirZ;
    EXPECT_NEAR(forward, sin(1.5 / 2), 1e-6);
    EXPECT_NEAR(moved[1], cos(1.5 / 2), 1e-6);
}

TEST_F(BallRollTest, EachRollTurnsAboutTheFixedWorldAxes)
{
    scene.launchRequested = true;
    step(0.5);  // towards -z
    float first[16];
    memcpy(first, scene.ballOrientation, sizeof first);
    scene.cameraAngle = -M_PI / 2;  // now towards +x
    scene.launchRequested = true;
    step(0.5);

    double second[16];
    rotation(scene.stepAngle, 0, 0, -1, second);  // axis (dirZ, 0, -dirX) = (0, 0, -1)
    for (int row = 0; row < 4; row++)
        for (int column = 0; column < 4; column++) {
            double sum = 0;
            for (int k = 0; k < 4; k++)
                sum += second[k * 4 + row] * first[column * 4 + k];
            EXPECT_NEAR(scene.ballOrientation[column * 4 + row], sum, 1e-6);
        }
}

TEST_F(BallRollTest, AReshapeBeforeTheStepDoesNotChangeTheRoll)
{
    scene.launchRequested = true;
    step(0.4);
    float withoutReshape[16];
    memcpy(withoutReshape, scene.ballOrientation, sizeof withoutReshape);

    scene = SceneState();
    scene.launchRequested = true;
    reshape(640, 480);  // leaves the projection matrix current
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    step(0.4);
    EXPECT_EQ(memcmp(scene.ballOrientation, withoutReshape, sizeof withoutReshape), 0);
    GLfloat after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(memcmp(projection, after, sizeof after), 0) << "the projection is left alone";
}

TEST_F(BallRollTest, TheModelViewMatrixIsRestored)
{
    glTranslatef(1, 2, 3);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    scene.launchRequested = true;
    step(0.2);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(memcmp(before, after, sizeof after), 0);
}

}  // namespace
