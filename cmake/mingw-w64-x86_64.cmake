# Cross-builds for 64-bit Windows with Debian's mingw-w64 (the posix threads model, whose
# libstdc++ has std::thread and std::mutex). Libraries built for Windows, such as freeglut,
# are found through CMAKE_FIND_ROOT_PATH: add their install prefix to it. What it builds runs
# under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KX_MINGW}-windres)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
