#include "platform/message_box.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

MessageHandler installedHandler = nullptr;

// Why SDL could show no dialog, in a few words.
// NOTE: SDL runs its X11 dialog in a child process whose error does not come back, so
// SDL_GetError() holds another backend's complaint; the two usual causes are looked up here.
const char* dialogFailure()
{
    static char reason[128];
    const char* name = getenv("DISPLAY");
    if (!name || !*name)
        return "no display (DISPLAY is not set)";
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        snprintf(reason, sizeof(reason), "cannot open display %s", name);
        return reason;
    }
    // The core font pattern that SDL 2's X11 dialog asks the server for.
    int count = 0;
    char** fonts = XListFonts(display, "-*-*-medium-r-normal--*-120-*-*-*-*-*-*", 1, &count);
    if (fonts)
        XFreeFontNames(fonts);
    XCloseDisplay(display);
    return count == 0 ? "X core fonts are missing (xfonts-base)" : SDL_GetError();
}

void showDialog(const char* text, const char* caption, MessageIcon icon)
{
    // NOTE: SDL's simple message box needs no SDL_Init; it runs its own loop until OK is
    // pressed, which blocks the GLUT loop as a modal dialog should.
    Uint32 flags = icon == MessageIconWarning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_ERROR;
    // Without a dialog the text still reaches the user, with what kept it out of a box.
    if (SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) != 0)
        fprintf(stderr, "%s: %s (no message box: %s)\n", caption, text, dialogFailure());
}

}  // namespace

void showMessage(const char* text, const char* caption, MessageOwner owner, MessageIcon icon)
{
    if (installedHandler) {
        installedHandler(text, caption, owner, icon);
        return;
    }
    // SDL cannot parent its dialog to a GLUT window, so the owner only matters to handlers.
    showDialog(text, caption, icon);
}

void setMessageHandler(MessageHandler handler) { installedHandler = handler; }
