# Run by CPack after it has made the packages (CPACK_POST_BUILD_SCRIPTS): makes each the same,
# byte for byte, whenever and wherever the same source is packaged. CPack writes the time of
# the build into its archives (the .deb's ar members, tar entries and gzip headers, the zip's
# entries) and lists a .deb's files in the order it finds them. Here every time becomes the
# release's (CPACK_KX_RELEASE_EPOCH, from NEWS.md), owners root and modes the same under any
# umask:
# - a .deb is unpacked and built again with dpkg-deb, which sorts the files and takes the times
#   from SOURCE_DATE_EPOCH;
# - a zip goes through Debian's strip-nondeterminism, which sets its entries' times and order.
# The NSIS installer stores no file times (SetDateSave off in NSIS.template.in) and needs
# nothing here.
# While a .deb is unpacked, it also gets the Multi-Arch field, which CPack has no setting for:
# the package files named in CPACK_KX_MULTIARCH_FOREIGN get "Multi-Arch: foreign", so that a
# package of any architecture may depend on them as on one of its own.
set(epoch ${CPACK_KX_RELEASE_EPOCH})
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.deb$")
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/reproducible-deb)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    get_filename_component(name ${package} NAME)
    if(name IN_LIST CPACK_KX_MULTIARCH_FOREIGN)
      file(READ ${tree}/DEBIAN/control control)
      string(STRIP "${control}" control)
      file(WRITE ${tree}/DEBIAN/control "${control}\nMulti-Arch: foreign\n")
    endif()
    execute_process(COMMAND chmod -R u+rwX,go+rX,go-w ${tree} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND find ${tree} -exec touch --no-dereference --date=@${epoch} {} +
      COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch}
      dpkg-deb --root-owner-group -Zgzip -z9 --build ${tree} ${package}
      OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
  elseif(package MATCHES "\\.zip$")
    execute_process(COMMAND strip-nondeterminism --type zip --timestamp ${epoch} ${package}
      OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
