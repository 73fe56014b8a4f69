// The one record through which the callbacks talk: key callbacks set its flags, the idle step
// turns flags and time into motion, display draws from it, the frame timer publishes into it.
// Read and written by field from the GLUT thread only.
#pragma once
#include "data/run_files.h"  // normalMapCount
#include "render/window_size.h"  // windowWidth, windowHeight

#include <cstdint>

struct SceneState {
    double frameDelta = 0;  // seconds since the previous simulation step
    double ballX = 0;
    double ballZ = 0;
    double dirX = 0;  // rolling direction; (0, 0) until the first launch, then a unit vector
    double dirZ = 0;
    double stepLength = 0;  // distance rolled in the last step
    double stepAngle = 0;   // degrees rolled in the last step
    double cameraAngle = 0;  // radians about the vertical axis through the ball; never wrapped
    bool arrowUp = false;
    bool arrowDown = false;
    bool arrowLeft = false;
    bool arrowRight = false;
    bool launchRequested = false;
    bool hintsHidden = false;  // once set, never cleared
    bool helpShown = false;
    bool keyPlus = false;
    bool keyMinus = false;
    int32_t normalMapIndex = 0;  // below normalMapCount; i selects normalMapFiles[i]
    double ballSpeed = 5.0;      // world units per second, never negative
    double cameraDistance = 10.0;  // may fall to 0 and below
    float ballOrientation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int32_t framesPerSecond = 0;
};

extern SceneState scene;

const double ballRadius = 2.0;
// NOTE: defined in frame_timer.cpp, so that it is set before the frame timer is constructed.
extern const double PI;  // 4·atan(1)
