// Leaves GLUT only a display name that means a display on this system. GLUT takes the
// environment's DISPLAY when no -display argument names one. On X11 that is the display to
// use and stays. On Windows an inherited DISPLAY names an X server (of WSL, say) and no
// Windows display, so it is taken out of the process's environment, where freeglut would
// otherwise fail to open it and say so on the console. A -display argument still reaches GLUT.
// Call before glutInit.
#pragma once

void dropForeignDisplayName();
