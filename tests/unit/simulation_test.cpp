// The idle step turns and moves the camera, rolls the ball at its speed and bounces it off walls.
#include "app/scene_state.h"
#include "app/simulation.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class SimulationTest : public ::testing::Test {
protected:
    void SetUp() override { scene = SceneState(); }

    void step(double dt)
    {
        scene.frameDelta = dt;
        moveScene();
    }
};

TEST_F(SimulationTest, NothingRollsBeforeTheFirstLaunch)
{
    step(3.0);  // the first step receives the whole start-up time
    EXPECT_EQ(scene.ballX, 0);
    EXPECT_EQ(scene.ballZ, 0);
    EXPECT_EQ(scene.stepLength, 0);
    EXPECT_EQ(scene.stepAngle, 0);
    EXPECT_EQ(scene.ballSpeed, 5.0);
}

TEST_F(SimulationTest, LaunchAtAngleZeroRollsAwayFromTheViewerAndBackFromTheFarWall)
{
    scene.launchRequested = true;
    step(0.1);
    EXPECT_FALSE(scene.launchRequested);
    EXPECT_TRUE(scene.hintsHidden);
    EXPECT_EQ(scene.dirX, 0.0);
    EXPECT_TRUE(std::signbit(scene.dirX)) << "-sin(0) is negative zero";
    EXPECT_EQ(scene.dirZ, -1.0);
    EXPECT_DOUBLE_EQ(scene.ballZ, -0.5);
    EXPECT_DOUBLE_EQ(scene.stepLength, 0.5);
    EXPECT_NEAR(scene.stepAngle, 0.5 / (4 * M_PI) * 360, 1e-12);

    double farthest = 0;
    for (int i = 0; i < 100; i++) {
        step(0.1);
        farthest = std::min(farthest, scene.ballZ);
        ASSERT_GT(scene.ballZ, -28.5);
    }
    EXPECT_LT(farthest, -27.4);
    EXPECT_EQ(scene.dirZ, 1.0) << "after 10 s at 5 units/s the ball is on its way back";
    EXPECT_EQ(scene.ballX, 0);
}

TEST_F(SimulationTest, WallTestTruncatesTowardZero)
{
    scene.dirX = 1;
    scene.ballX = 27.5;
    scene.ballSpeed = 6;
    step(0.1);  // p = 28.1
    EXPECT_EQ(scene.dirX, -1);
    EXPECT_DOUBLE_EQ(scene.ballX, 26.9);

    scene.dirX = -1;
    scene.ballX = -27.3;
    step(0.1);  // p = -27.9 truncates to -27
    EXPECT_EQ(scene.dirX, -1);
    EXPECT_DOUBLE_EQ(scene.ballX, -27.9);
}

TEST_F(SimulationTest, BothComponentsReverseInACorner)
{
    scene.dirX = std::sqrt(0.5);
    scene.dirZ = -std::sqrt(0.5);
    scene.ballX = 27.9;
    scene.ballZ = -27.9;
    step(0.1);
    EXPECT_LT(scene.dirX, 0);
    EXPECT_GT(scene.dirZ, 0);
    EXPECT_LT(scene.ballX, 27.9);
    EXPECT_GT(scene.ballZ, -27.9);
}

TEST_F(SimulationTest, ABallLeftBeyondTheWallComesBackIn)
{
    // A stalled frame while rolling fast: one step carries the ball past the opposite limit.
    scene.dirX = 1;
    scene.ballX = 27.0;
    scene.ballSpeed = 50;
    step(1.5);  // bounces and moves back by 75 units
    EXPECT_EQ(scene.dirX, -1);
    EXPECT_DOUBLE_EQ(scene.ballX, -48.0);
    for (int i = 0; i < 100 && scene.ballX < -28; i++)
        step(0.01);
    EXPECT_EQ(scene.dirX, 1) << "outside the room the ball heads back in, not to and fro";
    EXPECT_GE(scene.ballX, -28.0);
    EXPECT_LT(scene.ballX, 0.0);
}

TEST_F(SimulationTest, SpeedGrowsAndShrinksButNotBelowZero)
{
    scene.dirX = 1;
    scene.keyPlus = true;
    step(1.0);
    EXPECT_DOUBLE_EQ(scene.ballSpeed, 8.0);
    scene.keyMinus = true;
    step(0.5);
    EXPECT_DOUBLE_EQ(scene.ballSpeed, 8.0) << "both held: up and down cancel";
    scene.keyPlus = false;
    step(100.0);
    EXPECT_EQ(scene.ballSpeed, 0.0);
    EXPECT_FALSE(std::signbit(scene.ballSpeed));
    double standing = scene.ballX;
    step(1.0);
    EXPECT_EQ(scene.ballX, standing) << "at speed 0 the ball stands";
    EXPECT_EQ(scene.dirX, 1) << "with its direction kept";
    scene.keyMinus = false;
    scene.keyPlus = true;
    step(1.0);
    EXPECT_GT(scene.ballX, standing) << "and '+' starts it again the same way";
}

TEST_F(SimulationTest, CameraTurnsAndMovesWithoutBounds)
{
    scene.arrowLeft = true;
    step(1.0);
    EXPECT_DOUBLE_EQ(scene.cameraAngle, 3.0);
    scene.arrowRight = true;
    step(1.0);
    EXPECT_DOUBLE_EQ(scene.cameraAngle, 3.0) << "left and right together cancel";
    scene.arrowLeft = scene.arrowRight = false;
    scene.arrowUp = true;
    step(3.0);
    EXPECT_DOUBLE_EQ(scene.cameraDistance, -5.0) << "the eye may pass through the ball";
    scene.arrowDown = true;
    step(1.0);
    EXPECT_DOUBLE_EQ(scene.cameraDistance, -5.0);
}

TEST_F(SimulationTest, LaunchUsesTheAngleOfThisStepAndOnlyReaims)
{
    scene.ballSpeed = 2.0;
    scene.cameraAngle = 0.5;
    scene.arrowLeft = true;
    scene.launchRequested = true;
    step(0.1);
    EXPECT_DOUBLE_EQ(scene.dirX, -sin(0.8));
    EXPECT_DOUBLE_EQ(scene.dirZ, -cos(0.8));
    EXPECT_EQ(scene.ballSpeed, 2.0);

    scene.arrowLeft = false;
    scene.launchRequested = true;
    step(0.0);
    EXPECT_FALSE(scene.launchRequested) << "a zero step still consumes the launch";
    EXPECT_EQ(scene.stepAngle, 0.0);
}

}  // namespace
