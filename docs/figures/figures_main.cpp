// Draws the pictures of docs/how-it-works.md with the program's own set-up and drawing code.
// Usage: kx_figures OUTPUT_FOLDER, run in the program's run folder on an X display; writes one
// PPM file per view, which scripts/figures.sh crops and sets side by side.
#include "app/frame_rendering.h"
#include "app/scene_setup.h"
#include "app/scene_state.h"
#include "docs/figures/figure_views.h"
#include "docs/figures/frame_capture.h"
#include "platform/message_box.h"
#include "platform/ticks.h"

#include <GL/freeglut.h>
#include <cstdio>
#include <cstdlib>

namespace {

// Any report means that a picture would not show the program as it runs.
void stopOnMessage(const char* text, const char* caption, MessageOwner, MessageIcon)
{
    fprintf(stderr, "kx_figures: %s: %s\n", caption, text);
    exit(1);
}

int64_t oneTickPerSecond() { return 1; }
int64_t stoppedClock() { return 0; }

}  // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    setMessageHandler(stopOnMessage);
    // On a clock that stands still the frame counter never publishes: every frame reads the
    // same, and motion comes only from the steps the views make.
    tickSource = {oneTickPerSecond, stoppedClock};

    glutInitWindowSize(windowWidth, windowHeight);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Kullerix figures");
    if (!drawOffscreen(windowWidth, windowHeight)) {
        fprintf(stderr, "kx_figures: this GL has no framebuffer objects to draw into\n");
        return 1;
    }
    initScene();
    reshape(windowWidth, windowHeight);
    return drawFigures(argv[1]) ? 0 : 1;
}
