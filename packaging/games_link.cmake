# Run by CPack on the staged package tree. Debian keeps the commands of games in /usr/games,
# so the package offers the launcher there as well as in /usr/bin, which is on every PATH
# (root's and a container's lack /usr/games).
set(games ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/games)
file(MAKE_DIRECTORY ${games})
file(CREATE_LINK ../${CPACK_KX_BINDIR}/kullerix ${games}/kullerix SYMBOLIC)
