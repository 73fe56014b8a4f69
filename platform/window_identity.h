// Tells the desktop which program a window belongs to, so that docks and task bars match it to
// its desktop entry and show its icon, on the window of the current GL context (the one GLUT
// has just made). On X11 these are the class hint WM_CLASS and the icon _NET_WM_ICON, and the
// window becomes the owner of the program's message boxes (platform/message_box.h). On Windows
// the program's icon resource and GLUT's window class already say all of it.
// Makes no GL call and changes no GL state; without a window (no current context) it does
// nothing, and a missing icon leaves the rest in place.
#pragma once
#include <cstdint>

struct WindowIconImage {
    int width, height;
    const uint32_t* argb;  // width * height pixels, top row first, 0xAARRGGBB, not premultiplied
};

void setWindowIdentity(const char* instanceName, const char* className,
                       const WindowIconImage* icons, int iconCount);
