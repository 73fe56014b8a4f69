// The one way the program tells the user about a failure: a modal notice with the text, the
// caption as its title and a single OK button, blocking until it is dismissed.
// On Linux it is SDL2's simple message box; where no dialog can be shown (no display, no X core
// fonts) the caption, the text and the reason go to stderr as one line and nothing blocks. On
// Windows it is MessageBoxA, owned by the window that has the keyboard focus when asked.
// Tests install a handler that records instead.
#pragma once

enum MessageOwner {
    MessageOwnerNone,         // no owner window
    MessageOwnerFocusWindow,  // the window that has the keyboard focus
};

enum MessageIcon {
    MessageIconNone,
    MessageIconWarning,
};

typedef void (*MessageHandler)(const char* text, const char* caption, MessageOwner owner,
                               MessageIcon icon);

void showMessage(const char* text, const char* caption, MessageOwner owner, MessageIcon icon);

// Replaces the dialog; nullptr puts the dialog back.
void setMessageHandler(MessageHandler handler);
