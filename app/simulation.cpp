#include "app/simulation.h"

#include "app/frame_timer.h"
#include "app/scene_state.h"

#include <GL/freeglut.h>
#include <cmath>

namespace {

const double cameraTurnRate = 3.0;   // radians per second
const double cameraZoomRate = 5.0;   // world units per second
const double acceleration = 3.0;     // world units per second, per second
const int wallLimit = 28;            // |integer part of the centre| at which a wall is met
const double degreesPerTurn = 360.0;

// Reverses direction when this step would carry the ball to or beyond a wall, outwards.
// NOTE: testing the direction as well keeps a ball that one very long step left beyond the
// opposite limit from being reversed on every step and trapped there; it comes back in.
// For steps that start inside the room this is the plain wall test.
void bounce(double position, double* direction, double dt)
{
    double p = position + scene.ballSpeed * *direction * dt;
    int32_t whole = int32_t(p);
    bool outwards = (whole >= wallLimit && *direction > 0) || (whole <= -wallLimit && *direction < 0);
    if (outwards)
        *direction = -*direction;
}

}  // namespace

void moveScene()
{
    double dt = scene.frameDelta;
    if (scene.arrowLeft)
        scene.cameraAngle = scene.cameraAngle + dt * cameraTurnRate;
    if (scene.arrowRight)
        scene.cameraAngle = scene.cameraAngle - dt * cameraTurnRate;
    if (scene.arrowUp)
        scene.cameraDistance = scene.cameraDistance - dt * cameraZoomRate;
    if (scene.arrowDown)
        scene.cameraDistance = scene.cameraDistance + dt * cameraZoomRate;

    if (scene.launchRequested) {
        scene.launchRequested = false;
        scene.hintsHidden = true;
        scene.dirX = -sin(scene.cameraAngle);
        scene.dirZ = -cos(scene.cameraAngle);
    }
    if (scene.keyPlus)
        scene.ballSpeed = scene.ballSpeed + dt * acceleration;
    if (scene.keyMinus) {
        scene.ballSpeed = scene.ballSpeed - dt * acceleration;
        if (scene.ballSpeed < 0)
            scene.ballSpeed = 0;
    }

    bounce(scene.ballX, &scene.dirX, dt);
    bounce(scene.ballZ, &scene.dirZ, dt);

    double dx = scene.ballSpeed * scene.dirX * dt;
    scene.ballX = scene.ballX + dx;
    double dz = scene.ballSpeed * scene.dirZ * dt;
    scene.ballZ = scene.ballZ + dz;

    scene.stepLength = sqrt(dx * dx + dz * dz);
    scene.stepAngle = scene.stepLength / (PI * ballRadius * 2) * degreesPerTurn;
}

void rollBall()
{
    // NOTE: reshape leaves the projection matrix current, so pick the model-view stack here;
    // display selects it again at its start anyway.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRotatef(float(-scene.stepAngle), float(-scene.dirZ), 0.0f, float(scene.dirX));
    glMultMatrixf(scene.ballOrientation);
    glGetFloatv(GL_MODELVIEW_MATRIX, scene.ballOrientation);
    glPopMatrix();
}

void idle()
{
    scene.frameDelta = frameTimer.elapsedSeconds();
    moveScene();
    rollBall();
    glutPostRedisplay();
}
