#include "platform/message_dialog.h"
#include "platform/message_owner_x11.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

unsigned long ownerWindow = 0;

// Why no dialog can be had on the display that DISPLAY names, or nullptr where it opens.
const char* displayFailure()
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
    XCloseDisplay(display);
    return nullptr;
}

// Why SDL could show no dialog on a display that opens, in a few words.
// NOTE: SDL runs its X11 dialog in a child process whose error does not come back, so
// SDL_GetError() holds another backend's complaint; the usual cause is looked up here.
const char* dialogFailure()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return displayFailure();
    // The core font pattern that SDL 2's X11 dialog asks the server for.
    int count = 0;
    char** fonts = XListFonts(display, "-*-*-medium-r-normal--*-120-*-*-*-*-*-*", 1, &count);
    if (fonts)
        XFreeFontNames(fonts);
    XCloseDisplay(display);
    return count == 0 ? "X core fonts are missing (xfonts-base)" : SDL_GetError();
}

// The owner's window as an SDL window, or nullptr where it cannot be had.
// NOTE: SDL parents its dialog only to a window of its own video subsystem, so the X window is
// wrapped for the time of one box and SDL's video is shut down after it: nothing of it (signal
// handlers, screen-saver inhibition, its X connection and the events it selects) outlives the
// box. Its X11 driver is forced, since the window is an X window even under Xwayland.
SDL_Window* wrapOwnerWindow()
{
    if (!ownerWindow)
        return nullptr;
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
    SDL_SetHintWithPriority(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1", SDL_HINT_OVERRIDE);
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return nullptr;
    // Or SDL marks the window as a drop target, which it is not.
    SDL_EventState(SDL_DROPFILE, SDL_DISABLE);
    SDL_EventState(SDL_DROPTEXT, SDL_DISABLE);
    SDL_Window* window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(ownerWindow));
    if (!window)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return window;
}

// Without a dialog the text still reaches the user, with what kept it out of a box.
void reportWithoutDialog(const char* text, const char* caption, const char* reason)
{
    fprintf(stderr, "%s: %s (no message box: %s)\n", caption, text, reason);
}

}  // namespace

void showMessageDialog(const char* text, const char* caption, MessageOwner owner,
                       MessageIcon icon)
{
    // NOTE: where its own X11 dialog cannot be shown, SDL tries zenity, which with no display
    // writes GTK's complaint to our stderr and still counts as a dialog shown. Without a
    // display no dialog can be had, so SDL is not asked.
    if (const char* reason = displayFailure()) {
        reportWithoutDialog(text, caption, reason);
        return;
    }
    // NOTE: SDL's simple message box needs no SDL_Init; it runs its own loop until OK is
    // pressed, which blocks the GLUT loop as a modal dialog should.
    Uint32 flags = icon == MessageIconWarning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_ERROR;
    SDL_Window* window = owner == MessageOwnerFocusWindow ? wrapOwnerWindow() : nullptr;
    const int shown = SDL_ShowSimpleMessageBox(flags, caption, text, window);
    if (window) {
        SDL_DestroyWindow(window);  // leaves a foreign window as it is
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (shown != 0)
        reportWithoutDialog(text, caption, dialogFailure());
}

void setMessageOwnerWindow(const char* displayName, unsigned long window)
{
    // SDL's box opens the display that DISPLAY names, which need not be the program's: GLUT's
    // option -display picks another, and DISPLAY may be unset. The boxes go where the window is.
    setenv("DISPLAY", displayName, 1);
    ownerWindow = window;
}
