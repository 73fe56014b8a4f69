// Kullerix: a ball lit per pixel from a normal map, rolling in a wooden, brick-walled room.
#include "app/frame_rendering.h"
#include "app/keyboard.h"
#include "app/program_icon.h"
#include "app/scene_setup.h"
#include "app/scene_state.h"
#include "app/simulation.h"
#include "platform/display_name.h"
#include "platform/window_identity.h"

#include <GL/freeglut.h>

int main(int argc, char** argv)
{
    dropForeignDisplayName();
    // freeglut ends the process through exit() by itself, so the plain forms serve.
    glutInit(&argc, argv);
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Kullerix");
    // Docks and task bars match the window to the desktop entry by this class.
    setWindowIdentity("kullerix", "Kullerix", programIcons, programIconCount);

    glutKeyboardFunc(keyboard);
    glutKeyboardUpFunc(keyboardUp);
    glutSpecialFunc(special);
    glutSpecialUpFunc(specialUp);
    glutDisplayFunc(display);
    glutIdleFunc(idle);
    glutReshapeFunc(reshape);

    initScene();
    glutMainLoop();
    return 0;
}
