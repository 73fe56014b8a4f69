#include "app/frame_timer.h"

#include "app/scene_state.h"
#include "platform/ticks.h"

#include <cmath>

// Static initialisation happens in this one file so that its order is fixed:
// PI first, then the timer, whose first elapsedSeconds measures the whole start-up.
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
