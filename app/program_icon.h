// The program's icon as its window shows it, at 48 and 128 pixels: drawn at build time by
// tools/icon from the same picture as the desktop's icon files.
#pragma once
#include "platform/window_identity.h"

extern const WindowIconImage programIcons[];
extern const int programIconCount;
