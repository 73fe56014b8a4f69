// The X window that owns the message boxes asking for MessageOwnerFocusWindow, for the X11
// backends alone: window_identity_x11.cpp names it, message_box_sdl.cpp uses it.
#pragma once

// Names the program's window (an X window of the display displayName): the boxes that ask for
// MessageOwnerFocusWindow are then transient for it, so the desktop keeps them above it and
// centred on it. The program's one window is the one with the keyboard focus while it runs,
// and is known before it has the focus. Until then, or where the window cannot be used, those
// boxes have no owner; handlers see the owner as asked either way. From then on every box
// shows on displayName, whatever DISPLAY said.
void setMessageOwnerWindow(const char* displayName, unsigned long window);
