# The Debian packages, made from the install rules by `cpack -G DEB` in the build folder (or
# `cmake --build build --target package`), installed under /usr: one package per install
# component of packaging/CMakeLists.txt,
#   kullerix_VERSION_ARCH.deb     the program, its launcher and what describes it to the desktop
#   kullerix-data_VERSION_all.deb the run-time data (textures, glyph sheet, shaders), which are
#                                 the same for every architecture and so are packaged once
# The program's package depends on the data package of exactly its own version.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program data)
set(CPACK_PACKAGE_NAME kullerix)
set(CPACK_PACKAGE_VENDOR "${KX_VENDOR}")
set(CPACK_PACKAGE_CONTACT "${KX_PACKAGE_MAINTAINER}")
# Each package's Description is its own summary and text. CPack would put a summary given in
# CPACK_PACKAGE_DESCRIPTION_SUMMARY before both, so none is given there.
kx_wrap("${KX_DESCRIPTION}" 74 "\n" description)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "${KX_SUMMARY}\n${description}")
kx_wrap("This package holds its run-time data, the same on every architecture: the textures, \
the glyph sheet of the on-screen texts and the shader pair." 74 "\n" data)
set(CPACK_DEBIAN_DATA_DESCRIPTION "${KX_SUMMARY} - data\n${description}\n\n${data}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The program's package is of the architecture the binary is built for
# (data/build_flags.cmake); unset, CPack would take the build machine's.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KX_DEBIAN_ARCH})
set(CPACK_DEBIAN_DATA_PACKAGE_ARCHITECTURE all)
# dpkg-shlibdeps, which CPack runs, looks up the libraries and the objdump of the architecture
# that DEB_HOST_ARCH names; cpack reads this file before it packages and sets it.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_project.cmake)
# After CPack: the same packages, byte for byte, from the same source, with the field that
# CPack cannot write (see reproducible_packages.cmake).
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/reproducible_packages.cmake)
set(CPACK_KX_RELEASE_EPOCH ${KX_RELEASE_EPOCH})

# Debian's own names, given here so that the build can state where the packages will be.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME kullerix)
set(CPACK_DEBIAN_PROGRAM_FILE_NAME kullerix_${PROJECT_VERSION}_${KX_DEBIAN_ARCH}.deb)
set(KX_DEB ${CMAKE_BINARY_DIR}/${CPACK_DEBIAN_PROGRAM_FILE_NAME})
set(CPACK_DEBIAN_DATA_PACKAGE_NAME kullerix-data)
set(CPACK_DEBIAN_DATA_FILE_NAME kullerix-data_${PROJECT_VERSION}_all.deb)
set(KX_DATA_DEB ${CMAKE_BINARY_DIR}/${CPACK_DEBIAN_DATA_FILE_NAME})
# Both come from the one source, whose changelog both carry.
set(CPACK_DEBIAN_DATA_PACKAGE_SOURCE kullerix)
# The program of another architecture (kullerix:arm64 installed on a PC) can depend on the
# data package only where it says that any architecture may use it (reproducible_packages.cmake).
set(CPACK_KX_MULTIARCH_FOREIGN ${CPACK_DEBIAN_DATA_FILE_NAME})

# NOTE: the section is graphics, not games. Debian wants the commands of the games section in
# /usr/games, which is on neither root's PATH nor a container's; the command of this demo of a
# rendering technique stays in /usr/bin, where every PATH, and so the desktop entry's Exec,
# finds it. Its manual page stays in section 6, the section of demos as much as of games.
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KX_HOMEPAGE_URL}")  # no Homepage field when empty
# The libraries the binary links come from dpkg-shlibdeps, after the data of exactly this
# version. SDL's message box draws its text with the X core fonts, which no library pulls in;
# Debian lets a package only recommend a font package (apt installs recommendations unless told
# not to).
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "${CPACK_DEBIAN_DATA_PACKAGE_NAME} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "xfonts-base")
set(CPACK_DEBIAN_DATA_PACKAGE_SHLIBDEPS OFF)

include(CPack)
