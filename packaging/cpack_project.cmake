# Read by cpack before it makes the package: dpkg-shlibdeps, which it runs for the Depends
# line, finds the libraries of the architecture in DEB_HOST_ARCH (the build machine's unless
# set), so a cross build's package depends on the libraries of its own architecture.
set(ENV{DEB_HOST_ARCH} ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE})
