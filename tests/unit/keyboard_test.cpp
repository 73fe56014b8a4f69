// The key callbacks set, clear and toggle only their own scene fields; Esc exits with status 0.
#include "app/keyboard.h"
#include "app/scene_state.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// The fields the keys are about: their flags, and what the idle step moves for them.
auto keyFields(const SceneState& s)
{
    return std::tuple(s.arrowUp, s.arrowDown, s.arrowLeft, s.arrowRight, s.launchRequested,
                      s.hintsHidden, s.helpShown, s.keyPlus, s.keyMinus, s.normalMapIndex,
                      s.ballSpeed, s.cameraAngle, s.cameraDistance, s.dirX, s.dirZ);
}

bool sameState(const SceneState& a, const SceneState& b) { return keyFields(a) == keyFields(b); }

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { scene = SceneState(); }
};

TEST_F(KeyboardTest, HeldKeysFollowPressAndRelease)
{
    struct Binding {
        int key;
        bool special;
        bool SceneState::*flag;
    };
    const Binding bindings[] = {
        {'+', false, &SceneState::keyPlus},          {'-', false, &SceneState::keyMinus},
        {GLUT_KEY_LEFT, true, &SceneState::arrowLeft}, {GLUT_KEY_UP, true, &SceneState::arrowUp},
        {GLUT_KEY_RIGHT, true, &SceneState::arrowRight}, {GLUT_KEY_DOWN, true, &SceneState::arrowDown},
    };
    for (const Binding& binding : bindings) {
        SCOPED_TRACE(binding.key);
        SceneState before = scene;
        if (binding.special) special(binding.key, 0, 0); else keyboard(binding.key, 0, 0);
        EXPECT_TRUE(scene.*binding.flag);
        SceneState expected = before;
        expected.*binding.flag = true;
        EXPECT_TRUE(sameState(scene, expected)) << "a key press changes only its own flag";
        if (binding.special) specialUp(binding.key, 0, 0); else keyboardUp(binding.key, 0, 0);
        EXPECT_TRUE(sameState(scene, before));
    }
}

TEST_F(KeyboardTest, PlusAndMinusAreIndependent)
{
    keyboard('+', 0, 0);
    keyboard('-', 0, 0);
    EXPECT_TRUE(scene.keyPlus && scene.keyMinus);
    keyboardUp('-', 0, 0);
    EXPECT_TRUE(scene.keyPlus);
    EXPECT_FALSE(scene.keyMinus);
}

TEST_F(KeyboardTest, ShiftedReleasesClearTheSpeedKeys)
{
    keyboard('+', 0, 0);
    keyboardUp('=', 0, 0);  // Shift let go before the key
    EXPECT_FALSE(scene.keyPlus);
    keyboard('-', 0, 0);
    keyboardUp('_', 0, 0);
    EXPECT_FALSE(scene.keyMinus);
}

TEST_F(KeyboardTest, TabCyclesTheFiveNormalMaps)
{
    const int expected[] = {1, 2, 3, 4, 0};
    for (int next : expected) {
        keyboard(9, 0, 0);
        EXPECT_EQ(scene.normalMapIndex, next);
    }
    keyboardUp(9, 0, 0);
    EXPECT_EQ(scene.normalMapIndex, 0) << "releasing Tab does nothing";
}

TEST_F(KeyboardTest, SpaceRequestsOneLaunchAndF1Toggles)
{
    keyboard(' ', 0, 0);
    keyboard(' ', 0, 0);
    keyboardUp(' ', 0, 0);
    EXPECT_TRUE(scene.launchRequested) << "a release does not take back the request";
    special(GLUT_KEY_F1, 0, 0);
    EXPECT_TRUE(scene.helpShown);
    specialUp(GLUT_KEY_F1, 0, 0);
    EXPECT_TRUE(scene.helpShown);
    special(GLUT_KEY_F1, 0, 0);
    EXPECT_FALSE(scene.helpShown);
    EXPECT_FALSE(scene.hintsHidden) << "only a frame drawn with the help hides the hints";
}

TEST_F(KeyboardTest, OtherKeysDoNothing)
{
    SceneState before = scene;
    for (int key = 0; key < 256; key++) {
        if (key == 9 || key == 27 || key == ' ' || key == '+' || key == '-')
            continue;
        keyboard(key, 0, 0);
        keyboardUp(key, 0, 0);
    }
    const int specials[] = {GLUT_KEY_F2, GLUT_KEY_F12, GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN,
                            GLUT_KEY_HOME, GLUT_KEY_END, GLUT_KEY_INSERT};
    for (int key : specials) {
        special(key, 0, 0);
        specialUp(key, 0, 0);
    }
    specialUp(GLUT_KEY_F1, 0, 0);
    EXPECT_TRUE(sameState(scene, before));
}

TEST(KeyboardExit, EscEndsTheProgramWithStatusZero)
{
    scene.keyPlus = true;
    EXPECT_EXIT(keyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
}

}  // namespace
