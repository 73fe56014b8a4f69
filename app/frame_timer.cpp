#include "app/frame_timer.h"

#include "app/scene_state.h"
#include "platform/ticks.h"

#include <cmath>

// NOTE: PI is defined here, not beside its declaration in scene_state.h, because globals of
// one file are made in the order they are written and those of different files in no fixed
// order: PI first, then the timer, whose first elapsedSeconds measures the whole start-up.
const double PI = 4.0 * atan(1.0);
FrameTimer frameTimer;

FrameTimer::FrameTimer()
{
    frequency = queryTickFrequency();
    lastTick = queryTickCounter();
    frameCount = 0;
}

double FrameTimer::elapsedSeconds()
{
    now = queryTickCounter();
    int64_t ticks = now - lastTick;
    lastTick = now;
    lastDelta = double(ticks) / double(frequency);
    return lastDelta;
}

void FrameTimer::countFrame()
{
    frameCount++;
    now = queryTickCounter();
    double seconds = double(now - lastPublishTick) / double(frequency);
    if (seconds > 1.0) {
        lastPublishTick = now;
        scene.framesPerSecond = frameCount;
        frameCount = 0;
    }
}
