#include "platform/window_identity.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

// The smallest image of icons at least size wide, or the largest where none is.
const WindowIconImage* nearestIcon(const WindowIconImage* icons, int iconCount, int size)
{
    const WindowIconImage* best = nullptr;
    for (int i = 0; i < iconCount; i++) {
        const WindowIconImage* icon = &icons[i];
        if (icon->width <= 0 || icon->height <= 0 || !icon->argb)
            continue;
        if (!best || (best->width < size ? icon->width > best->width
                                         : icon->width >= size && icon->width < best->width))
            best = icon;
    }
    return best;
}

// An icon from 0xAARRGGBB pixels, which in memory are the blue, green, red, alpha bytes of a
// 32-bit top-down DIB; the alpha makes the mask, which stays clear, unused.
HICON makeIcon(const WindowIconImage& image)
{
    BITMAPV5HEADER header = {};
    header.bV5Size = sizeof(header);
    header.bV5Width = image.width;
    header.bV5Height = -image.height;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00ff0000;
    header.bV5GreenMask = 0x0000ff00;
    header.bV5BlueMask = 0x000000ff;
    header.bV5AlphaMask = 0xff000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!color)
        return nullptr;
    memcpy(bits, image.argb, size_t(image.width) * size_t(image.height) * 4);
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, nullptr);
    ICONINFO info = {TRUE, 0, 0, mask, color};
    HICON icon = mask ? CreateIconIndirect(&info) : nullptr;
    DeleteObject(color);  // the icon keeps copies of both
    if (mask)
        DeleteObject(mask);
    return icon;
}

}  // namespace

void setWindowIdentity(const char*, const char*, const WindowIconImage* icons, int iconCount)
{
    // NOTE: the window's class is GLUT's own, made before the window; the desktop groups the
    // window by the program's file name, and the class already carries the program's icon
    // resource. The icons are set on the window too, so that it shows the sizes drawn for it.
    HDC dc = wglGetCurrentDC();
    HWND window = dc ? WindowFromDC(dc) : nullptr;
    if (!window)
        return;
    const struct {
        WPARAM which;
        int metric;
    } kinds[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
    for (const auto& kind : kinds) {
        const WindowIconImage* image = nearestIcon(icons, iconCount, GetSystemMetrics(kind.metric));
        HICON icon = image ? makeIcon(*image) : nullptr;
        if (icon)
            SendMessageA(window, WM_SETICON, kind.which, reinterpret_cast<LPARAM>(icon));
    }
}
