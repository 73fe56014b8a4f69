#include "platform/message_box.h"

#include <SDL.h>
#include <cstdio>

namespace {

MessageHandler installedHandler = nullptr;

void showDialog(const char* text, const char* caption, MessageIcon icon)
{
    // NOTE: SDL's simple message box needs no SDL_Init; it runs its own loop until OK is
    // pressed, which blocks the GLUT loop as a modal dialog should.
    Uint32 flags = icon == MessageIconWarning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_ERROR;
    if (SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) != 0)
        fprintf(stderr, "%s: %s\n", caption, text);
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
