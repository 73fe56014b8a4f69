// FrameTimer measures step times and publishes the frame rate once a second from the tick source.
#include "app/frame_timer.h"
#include "app/scene_state.h"
#include "platform/ticks.h"

#include <gtest/gtest.h>

namespace {

int64_t fakeNow;
int64_t fakeFrequency() { return 1000; }  // milliseconds
int64_t fakeCounter() { return fakeNow; }

class FrameTimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tickSource = {fakeFrequency, fakeCounter};
        scene = SceneState();
        fakeNow = 5000;  // the counter has run for five seconds, as a boot clock would have
    }
    void TearDown() override { tickSource = systemTickSource; }
};

TEST_F(FrameTimerTest, ElapsedSecondsMeasuresFromConstructionThenBetweenCalls)
{
    FrameTimer timer;
    fakeNow += 2500;
    EXPECT_DOUBLE_EQ(timer.elapsedSeconds(), 2.5);
    fakeNow += 16;
    EXPECT_DOUBLE_EQ(timer.elapsedSeconds(), 0.016);
    EXPECT_DOUBLE_EQ(timer.lastDelta, 0.016);
    EXPECT_DOUBLE_EQ(timer.elapsedSeconds(), 0.0) << "a counter that has not moved gives 0";
}

TEST_F(FrameTimerTest, FirstFramePublishesOneWhenTheCounterHasRunOverASecond)
{
    FrameTimer timer;
    timer.countFrame();
    EXPECT_EQ(scene.framesPerSecond, 1);
    EXPECT_EQ(timer.frameCount, 0);
    EXPECT_EQ(timer.lastPublishTick, 5000);
}

TEST_F(FrameTimerTest, FramesASixtiethApartPublishSixtyOne)
{
    // 600,000 ticks a second: a 1/60 s step is a whole 10,000 ticks, so sixty make exactly 1.0 s.
    tickSource = {[]() -> int64_t { return 600000; }, fakeCounter};
    fakeNow = 6000000;
    FrameTimer timer;
    timer.countFrame();  // publishes the start-up frame
    ASSERT_EQ(scene.framesPerSecond, 1);
    for (int frame = 1; frame <= 60; frame++) {
        fakeNow += 10000;  // 1/60 s
        timer.countFrame();
        EXPECT_EQ(scene.framesPerSecond, 1) << "frame " << frame << " of the first second";
    }
    fakeNow += 10000;
    timer.countFrame();
    EXPECT_EQ(scene.framesPerSecond, 61) << "exactly 1.0 s does not publish; the next frame does";
}

TEST_F(FrameTimerTest, AfterAPublicationTheCountStartsAgain)
{
    FrameTimer timer;
    timer.countFrame();
    for (int i = 0; i < 3; i++) {
        fakeNow += 400;
        timer.countFrame();
    }
    EXPECT_EQ(scene.framesPerSecond, 3) << "1.2 s after the first publication, three frames";
    EXPECT_EQ(timer.frameCount, 0);
    fakeNow += 500;
    timer.countFrame();
    EXPECT_EQ(scene.framesPerSecond, 3);
    EXPECT_EQ(timer.frameCount, 1);
}

}  // namespace
