#include "platform/window_identity.h"

#include "platform/message_owner_x11.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <vector>

void setWindowIdentity(const char* instanceName, const char* className,
                       const WindowIconImage* icons, int iconCount)
{
    // GLUT keeps its display connection and window to itself; its current context names both.
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (!display || !window)
        return;

    // The window that the program's boxes belong to, known before it gets the keyboard focus.
    setMessageOwnerWindow(DisplayString(display), window);

    XClassHint hint;
    hint.res_name = const_cast<char*>(instanceName);
    hint.res_class = const_cast<char*>(className);
    XSetClassHint(display, window, &hint);

    // Each image as width, height, then its pixels. NOTE: Xlib takes 32-bit property items
    // as longs, whatever their size.
    std::vector<unsigned long> data;
    for (int i = 0; i < iconCount; i++) {
        const WindowIconImage& icon = icons[i];
        if (icon.width <= 0 || icon.height <= 0 || !icon.argb)
            continue;
        data.push_back(static_cast<unsigned long>(icon.width));
        data.push_back(static_cast<unsigned long>(icon.height));
        data.insert(data.end(), icon.argb, icon.argb + size_t(icon.width) * size_t(icon.height));
    }
    if (!data.empty())
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(data.data()),
                        int(data.size()));
    XFlush(display);
}
