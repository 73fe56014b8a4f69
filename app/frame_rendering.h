// Drawing one frame of the scene and keeping the projection in step with the window.
#pragma once
#include <GL/gl.h>

void display();
void reshape(int width, int height);

extern GLfloat lightMatrix[16];  // world-to-eye matrix of this frame, for the shader
extern char fpsText[16];
