#include "tests/support/gl_context.h"

#include <GL/freeglut.h>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

namespace {

// NOTE: Mesa unloads its driver at exit, before LeakSanitizer looks; the driver's own
// allocations then have no module name and tests/lsan.supp cannot match them. Pinning the
// loaded driver keeps it mapped to the end.
int pinDriver(dl_phdr_info* info, size_t, void*)
{
    const char* name = info->dlpi_name;
    size_t length = strlen(name);
    if (length > 7 && strcmp(name + length - 7, "_dri.so") == 0)
        dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

}  // namespace

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
    dl_iterate_phdr(pinDriver, nullptr);
    glutDisplayFunc([] {});
    glutMainLoopEvent();
}

void readBackPixel(int x, int y, unsigned char rgb[3])
{
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}
