# Run by CPack before it packs the staged files (CPACK_PRE_BUILD_SCRIPTS) and after it has made
# each package (CPACK_POST_BUILD_SCRIPTS): given a certificate and its private key,
#   cpack -D CPACK_KX_AUTHENTICODE_CERT=CERT.pem -D CPACK_KX_AUTHENTICODE_KEY=KEY.pem
# it signs (Authenticode) every program that is staged, so that the zip and the installer pack
# it signed, and then the installer itself. Without them it does nothing and the packages are
# unsigned. The signature has no time stamp (nothing is fetched) and is dated at the release's
# time, like every other time in the packages, so that signing again with the same key gives
# the same bytes.
if(NOT CPACK_KX_AUTHENTICODE_CERT AND NOT CPACK_KX_AUTHENTICODE_KEY)
  return()
endif()
foreach(file IN ITEMS "${CPACK_KX_AUTHENTICODE_CERT}" "${CPACK_KX_AUTHENTICODE_KEY}")
  if(NOT IS_ABSOLUTE "${file}" OR NOT EXISTS "${file}")
    message(FATAL_ERROR "Authenticode signing takes the certificate and its key as two existing "
      "files, each by its full path: CPACK_KX_AUTHENTICODE_CERT and CPACK_KX_AUTHENTICODE_KEY")
  endif()
endforeach()

function(kx_sign file)
  execute_process(COMMAND osslsigncode sign -certs ${CPACK_KX_AUTHENTICODE_CERT}
    -key ${CPACK_KX_AUTHENTICODE_KEY} -h sha256 -n ${CPACK_PACKAGE_NAME}
    -time ${CPACK_KX_RELEASE_EPOCH} -in ${file} -out ${file}.signed
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  # Written over the file's bytes, so that it keeps its mode.
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${file}.signed OUTPUT_FILE ${file}
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${file}.signed)
endfunction()

if(DEFINED CPACK_PACKAGE_FILES)
  foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "\\.exe$")
      kx_sign(${package})
    endif()
  endforeach()
else()
  file(GLOB_RECURSE programs ${CPACK_TEMPORARY_DIRECTORY}/*.exe)
  foreach(program IN LISTS programs)
    kx_sign(${program})
  endforeach()
endif()
