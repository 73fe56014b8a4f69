// The dialog behind showMessage (platform/message_box.h), one per backend: message_box_sdl.cpp
// on Linux, message_box_win32.cpp on Windows. Only message_box.cpp calls it, and only while no
// handler replaces the dialog.
#pragma once
#include "platform/message_box.h"

void showMessageDialog(const char* text, const char* caption, MessageOwner owner,
                       MessageIcon icon);
