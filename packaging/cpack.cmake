# The Debian package, made from the install rules by `cpack -G DEB` in the build folder (or
# `cmake --build build --target package`): kullerix_VERSION_ARCH.deb, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kullerix)
set(CPACK_PACKAGE_VENDOR "${KX_VENDOR}")
set(CPACK_PACKAGE_CONTACT "${KX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${KX_SUMMARY}")
kx_wrap("${KX_DESCRIPTION}" 74 "\n" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_KX_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/games_link.cmake)

# The package's architecture is the one the binary is built for (data/build_flags.cmake);
# unset, CPack would take the build machine's.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KX_DEBIAN_ARCH})
# dpkg-shlibdeps, which CPack runs, looks up the libraries and the objdump of the architecture
# that DEB_HOST_ARCH names; cpack reads this file before it packages and sets it.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_project.cmake)
# The same package, byte for byte, from the same source: see reproducible_packages.cmake.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/reproducible_packages.cmake)
set(CPACK_KX_RELEASE_EPOCH ${KX_RELEASE_EPOCH})
# Debian's own name, given here so that the build can state where the package will be.
set(CPACK_DEBIAN_FILE_NAME kullerix_${PROJECT_VERSION}_${KX_DEBIAN_ARCH}.deb)
set(KX_DEB ${CMAKE_BINARY_DIR}/${CPACK_DEBIAN_FILE_NAME})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KX_HOMEPAGE_URL}")  # no Homepage field when empty
# The libraries the binary links come from dpkg-shlibdeps. SDL's message box draws its text
# with the X core fonts, which no library pulls in; Debian lets a package only recommend a
# font package (apt installs recommendations unless told not to).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xfonts-base")

include(CPack)
