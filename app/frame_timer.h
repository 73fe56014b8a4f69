// Seconds between simulation steps and the frames drawn per second, from the tick counter.
#pragma once
#include <cstdint>

class FrameTimer {
public:
    FrameTimer();

    // Seconds since the previous call, or since construction for the first one.
    double elapsedSeconds();
    // Counts one drawn frame; publishes the count into scene.framesPerSecond once more than
    // a second has passed since the last publication.
    void countFrame();

    int64_t now = 0;
    int64_t lastTick = 0;
    int64_t lastPublishTick = 0;  // 0 at start, so the first frame publishes at once
    int64_t frequency = 0;
    int32_t frameCount = 0;
    double lastDelta = 0;
};

extern FrameTimer frameTimer;
