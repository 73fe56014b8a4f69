// The floor under the frame-rate figures: a freeglut window of the program's size and display
// mode that only clears and swaps, redrawn whenever the main loop is idle. Esc ends it.
#include <GL/freeglut.h>
#include <cstdlib>

namespace {

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

void idle()
{
    glutPostRedisplay();
}

void keyboard(unsigned char key, int, int)
{
    if (key == 27)
        exit(0);
}

}  // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitWindowSize(800, 600);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("minimal");
    glClearColor(0.3f, 0.3f, 1.0f, 0.0f);
    glutDisplayFunc(display);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutMainLoop();
    return 0;
}
