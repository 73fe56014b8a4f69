#include "platform/window_identity.h"

// NOTE: nothing is left to set on Windows. The window's class is GLUT's own, made before the
// window, and the desktop groups a window by its program's file. The class takes its icon from
// the program's GLUT_ICON resource (packaging/windows/kullerix.rc.in), which holds every size
// the desktop asks for, small ones included. The boxes find their owner by the keyboard focus.
void setWindowIdentity(const char*, const char*, const WindowIconImage*, int) {}
