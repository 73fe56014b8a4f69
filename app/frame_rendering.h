// Drawing one frame of the scene and keeping the projection in step with the window.
#pragma once
#include <GL/gl.h>

void display();
void reshape(int width, int height);

// Two steps of display, in its order, public so that the ball can be drawn on its own.
void placeCamera();  // looks at the ball from the camera and keeps that matrix in lightMatrix
void drawBall();     // the ball, lit per pixel by the shader from the selected normal map

extern GLfloat lightMatrix[16];  // world-to-eye matrix of this frame, for the shader
extern char fpsText[16];
