// Tells the desktop which program a window belongs to, so that docks and task bars match it to
// its desktop entry and show its icon: the class hint WM_CLASS and the icon _NET_WM_ICON, set
// through Xlib on the window of the current GLX context (the one GLUT has just made).
// The window also becomes the owner of the program's message boxes (platform/message_box.h).
// Makes no GL call and changes no GL state; without an X window (no current GLX context) it
// does nothing, and a missing icon leaves the rest in place.
#pragma once
#include <cstdint>

struct WindowIconImage {
    int width, height;
    const uint32_t* argb;  // width * height pixels, top row first, 0xAARRGGBB, not premultiplied
};

void setWindowIdentity(const char* instanceName, const char* className,
                       const WindowIconImage* icons, int iconCount);
