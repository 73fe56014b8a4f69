# Cross-builds for Debian's armhf with its cross compiler, against the armhf libraries that
# dpkg's multiarch puts beside the native ones; what it builds runs under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(PKG_CONFIG_EXECUTABLE arm-linux-gnueabihf-pkg-config)
# NOTE: under qemu-arm, Mesa's llvmpipe draws the program's textures wrong (grey walls, a banded
# floor, no texts), whatever processor qemu emulates; softpipe, Mesa's other software renderer,
# draws the same program right, as llvmpipe does under qemu-aarch64. What runs here renders with
# softpipe.
set(CMAKE_CROSSCOMPILING_EMULATOR env GALLIUM_DRIVER=softpipe qemu-arm)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
