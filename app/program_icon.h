// The program's icon as its window shows it, at the sizes KX_WINDOW_ICON_SIZES names in
// tools/icon/CMakeLists.txt, drawn from the same picture as the desktop's icon files.
// NOTE: no source file defines these. The build generates them: kx_icon_tool writes
// <build folder>/tools/icon/program_icon_pixels.cpp, which the kx_program_icon library compiles.
#pragma once
#include "platform/window_identity.h"

extern const WindowIconImage programIcons[];
extern const int programIconCount;
