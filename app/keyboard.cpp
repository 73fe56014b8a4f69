#include "app/keyboard.h"

#include "app/scene_state.h"

#include <GL/freeglut.h>
#include <cstdlib>

void keyboard(unsigned char key, int, int)
{
    switch (key) {
    case 9:  // Tab
        scene.normalMapIndex = (scene.normalMapIndex + 1) % normalMapCount;
        break;
    case 27:  // Esc
        exit(0);
    case ' ':
        scene.launchRequested = true;
        break;
    case '+':
        scene.keyPlus = true;
        break;
    case '-':
        scene.keyMinus = true;
        break;
    }
}

void keyboardUp(unsigned char key, int, int)
{
    switch (key) {
    // NOTE: on many layouts '+' shares its key with '=' and '-' with '_'. A release can come
    // in the other shift state than its press (Shift let go first), so both forms clear the
    // flag; otherwise it would stay set and the speed would change without end.
    case '+':
    case '=':
        scene.keyPlus = false;
        break;
    case '-':
    case '_':
        scene.keyMinus = false;
        break;
    }
}

void special(int key, int, int)
{
    switch (key) {
    case GLUT_KEY_F1:
        scene.helpShown = !scene.helpShown;
        break;
    case GLUT_KEY_LEFT:
        scene.arrowLeft = true;
        break;
    case GLUT_KEY_UP:
        scene.arrowUp = true;
        break;
    case GLUT_KEY_RIGHT:
        scene.arrowRight = true;
        break;
    case GLUT_KEY_DOWN:
        scene.arrowDown = true;
        break;
    }
}

void specialUp(int key, int, int)
{
    switch (key) {
    case GLUT_KEY_LEFT:
        scene.arrowLeft = false;
        break;
    case GLUT_KEY_UP:
        scene.arrowUp = false;
        break;
    case GLUT_KEY_RIGHT:
        scene.arrowRight = false;
        break;
    case GLUT_KEY_DOWN:
        scene.arrowDown = false;
        break;
    }
}
