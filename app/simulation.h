// One simulation step per GLUT idle call: camera, launch, speed, walls, motion and the roll.
#pragma once

// The GLUT idle callback: one whole step with the timer's elapsed time, then a redisplay.
void idle();

// Steps 2 to 13 with scene.frameDelta as dt: camera, launch, speed, bounce, move. No GL.
void moveScene();
// Adds this step's roll (scene.stepAngle about the axis across scene's direction) to
// scene.ballOrientation, using the GL model-view stack as the calculator.
void rollBall();
