# Run by CPack after it has made the packages (CPACK_POST_BUILD_SCRIPTS), before
# reproducible_packages.cmake: writes the Multi-Arch field, which CPack has no setting for.
# The package files named in CPACK_KX_MULTIARCH_FOREIGN get "Multi-Arch: foreign": a package
# of any architecture may depend on them, as on one of its own.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${package} NAME)
  if(NOT name IN_LIST CPACK_KX_MULTIARCH_FOREIGN)
    continue()
  endif()
  set(tree ${CPACK_TOPLEVEL_DIRECTORY}/multiarch-deb)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(READ ${tree}/DEBIAN/control control)
  string(STRIP "${control}" control)
  file(WRITE ${tree}/DEBIAN/control "${control}\nMulti-Arch: foreign\n")
  # The package is built again, sorted and dated, by reproducible_packages.cmake.
  execute_process(COMMAND dpkg-deb -Znone --build ${tree} ${package}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
