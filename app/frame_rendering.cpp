#include "app/frame_rendering.h"

#include "app/frame_timer.h"
#include "app/scene_setup.h"
#include "app/scene_state.h"
#include "data/room_tiling.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <cmath>
#include <cstdio>

GLfloat lightMatrix[16];
char fpsText[16];

namespace {

struct RoomVertex {
    GLfloat s, t;
    GLfloat x, y, z;
};

// The far corners' texture coordinates repeat each texture as often as data/room_tiling.h says.
const GLfloat floorS = floorTextureRepeats;
const GLfloat floorT = floorTextureRepeats;
const GLfloat wallS = wallTextureRepeatsAlong;
const GLfloat wallT = wallTextureRepeatsUp;

const RoomVertex floorPolygon[4] = {
    {0, 0, -30, -2, -30}, {floorS, 0, -30, -2, 30}, {floorS, floorT, 30, -2, 30},
    {0, floorT, 30, -2, -30}};

const RoomVertex wallPolygons[4][4] = {
    {{0, 0, -30, -2, -30}, {wallS, 0, 30, -2, -30}, {wallS, wallT, 30, 2, -30},
     {0, wallT, -30, 2, -30}},
    {{0, 0, 30, -2, -30}, {wallS, 0, 30, -2, 30}, {wallS, wallT, 30, 2, 30},
     {0, wallT, 30, 2, -30}},
    {{0, 0, 30, -2, 30}, {wallS, 0, -30, -2, 30}, {wallS, wallT, -30, 2, 30},
     {0, wallT, 30, 2, 30}},
    {{0, 0, -30, -2, 30}, {wallS, 0, -30, -2, -30}, {wallS, wallT, -30, 2, -30},
     {0, wallT, -30, 2, 30}}};

void drawPolygon(const RoomVertex* vertices)
{
    glBegin(GL_POLYGON);
    for (int i = 0; i < 4; i++) {
        glTexCoord2f(vertices[i].s, vertices[i].t);
        glVertex3f(vertices[i].x, vertices[i].y, vertices[i].z);
    }
    glEnd();
}

// Floor and walls, unlit, their texture colours replacing the grey frame colours.
void drawRoom()
{
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);

    glBindTexture(GL_TEXTURE_2D, floorTexture.textureName);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glColor3f(0.4f, 0.4f, 0.4f);
    drawPolygon(floorPolygon);

    glBindTexture(GL_TEXTURE_2D, wallTexture.textureName);
    glColor3f(0.6f, 0.6f, 0.6f);
    for (const RoomVertex* wall : wallPolygons)
        drawPolygon(wall);

    glEnable(GL_LIGHTING);
}

void drawTexts()
{
    font.print(5, 20, "Kullerix", 0, 2);
    if (!scene.hintsHidden) {
        font.print(120, 450, "Pfeiltasten: Kamera bewegen", 0, 2);
        font.print(150, 400, "Space: Kullerix starten", 0, 2);
        font.print(270, 350, "F1: Hilfe", 0, 2);
    }
    if (scene.helpShown) {
        scene.hintsHidden = true;
        font.print(5, 170, "Hilfe", 0, 2);
        font.print(10, 140, "Pfeiltasten: Kamera bewegen", 0, 1);
        font.print(10, 120, "Space: Kullerix in Blickrichtung rollen", 0, 1);
        font.print(10, 100, "Tabulator: Normal Maps durchschalten", 0, 1);
        font.print(10, 80, "+,-: Geschwindigkeit erhoehen/verringern", 0, 1);
    }
}

}  // namespace

void placeCamera()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(scene.ballX + scene.cameraDistance * sin(scene.cameraAngle), 3,
              scene.ballZ + scene.cameraDistance * cos(scene.cameraAngle),
              scene.ballX, 0, scene.ballZ,
              0, 1, 0);
    glGetFloatv(GL_MODELVIEW_MATRIX, lightMatrix);
}

void drawBall()
{
    glTranslatef(float(scene.ballX), 0.0f, float(scene.ballZ));
    glMultMatrixf(scene.ballOrientation);

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, normalMaps[scene.normalMapIndex].textureName);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    // With colour material still on, this grey becomes the ambient and diffuse material.
    glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
    glDisable(GL_COLOR_MATERIAL);

    bumpShader.bind();
    bumpShader.setUniform1i("normalmap", 0);
    bumpShader.setUniformMatrix4fv("light_mvmatrix", 1, GL_FALSE, lightMatrix);
    gluSphere(sphereQuadric, ballRadius, 50, 50);
    bumpShader.unbind();

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    placeCamera();
    drawRoom();
    drawBall();
    drawTexts();

    frameTimer.countFrame();
    snprintf(fpsText, sizeof fpsText, "%d fps", scene.framesPerSecond);
    font.print(640, 20, fpsText, 0, 2);

    glFlush();
    glutSwapBuffers();
}

void reshape(int width, int height)
{
    if (height == 0)
        height = 1;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, double(width) / double(height), 1, 1000);
    glViewport(0, 0, width, height);
}
