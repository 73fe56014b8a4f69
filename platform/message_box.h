// The one way the program tells the user about a failure: a modal notice with the text, the
// caption as its title and a single OK button, blocking until it is dismissed.
// Shown with SDL2's simple message box; where no dialog can be shown (no display, no X core
// fonts) the caption, the text and the reason go to stderr as one line and nothing blocks.
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

// Names the program's window (an X window of the display displayName): the boxes that ask for
// MessageOwnerFocusWindow are then transient for it, so the desktop keeps them above it and
// centred on it. The program's one window is the one with the keyboard focus while it runs,
// and is known before it has the focus. Until then, or where the window cannot be used, those
// boxes have no owner; handlers see the owner as asked either way.
void setMessageOwnerWindow(const char* displayName, unsigned long window);
