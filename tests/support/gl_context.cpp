#include "tests/support/gl_context.h"

#include <GL/freeglut.h>
#include <cstdlib>
#include <gtest/gtest.h>

void ensureGlContext()
{
    static int window = 0;
    if (window) {
        glutSetWindow(window);
        return;
    }
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "GL tests need a display; run them under Xvfb";
    static int argc = 1;
    static char name[] = "kx_gl_test";
    static char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitWindowSize(800, 600);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    window = glutCreateWindow("Kullerix GL test");
    glutDisplayFunc([] {});
    glutMainLoopEvent();
}

void readBackPixel(int x, int y, unsigned char rgb[3])
{
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}
