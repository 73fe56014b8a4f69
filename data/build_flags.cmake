# The flags that every program and library of a build is compiled and linked with, so that what
# the tests run is what the packages ship. Linux builds take Debian's build flags for the
# target's architecture with all of its hardening (dpkg-buildflags); the Windows build takes the
# stack protector, beside the DEP and ASLR that mingw-w64's linker sets by default. The build
# type keeps its own optimization and debug flags. The sanitizer and fuzzing builds instrument
# the code their own way and take none of this. A user's CFLAGS, CXXFLAGS and LDFLAGS come after
# these on the command line, so they have the last word.

# KX_DEBIAN_ARCH: the Debian architecture that a Linux build is for, which dpkg names by the
# compiler's GNU triplet; its package (packaging/cpack.cmake) and its tests are named by it.
if(NOT WIN32)
  if(CMAKE_CROSSCOMPILING)
    execute_process(COMMAND dpkg-architecture -t${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
      OUTPUT_VARIABLE KX_DEBIAN_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
      COMMAND_ERROR_IS_FATAL ANY)
  else()
    execute_process(COMMAND dpkg --print-architecture
      OUTPUT_VARIABLE KX_DEBIAN_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
endif()
if(KX_SANITIZE OR KX_FUZZ)
  return()
endif()

# kx_flags_before(FLAGS_VARIABLE flag...): puts the flags before those the variable holds.
function(kx_flags_before variable)
  list(JOIN ARGN " " flags)
  string(STRIP "${flags} ${${variable}}" flags)
  set(${variable} "${flags}" PARENT_SCOPE)
endfunction()

# The source tree's paths go into the objects (debug information, __FILE__) as "./...", the
# way Debian's reproducible builds map them, so that a build in another folder gives the same
# bytes. Like dpkg, only for a path that needs no quoting on a command line.
set(source_map "")
if(PROJECT_SOURCE_DIR MATCHES "^[-+:.0-9a-zA-Z~/_]+$")
  set(source_map "-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.")
endif()

if(WIN32)
  # NOTE: with -static (CMakeLists.txt), gcc links mingw-w64's libssp.a for the stack
  # protector's functions, so the program still needs no DLL but Windows' own.
  foreach(language C CXX)
    kx_flags_before(CMAKE_${language}_FLAGS -fstack-protector-strong ${source_map})
  endforeach()
  return()
endif()

# Debian's flags for the target's architecture, as its packages are built with them. A Debug
# build, which does not optimize, asks for them as DEB_BUILD_OPTIONS=noopt does: without
# _FORTIFY_SOURCE, which needs the optimizer.
set(build_options "$ENV{DEB_BUILD_OPTIONS}")
if(CMAKE_BUILD_TYPE STREQUAL "Debug")
  string(APPEND build_options " noopt")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
    "DEB_BUILD_OPTIONS=${build_options}" CC=${CMAKE_C_COMPILER}
    dpkg-architecture -a${KX_DEBIAN_ARCH} -c dpkg-buildflags --dump
  OUTPUT_VARIABLE dump ERROR_VARIABLE errors RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "dpkg-buildflags (package dpkg-dev) gave no build flags for "
    "${KX_DEBIAN_ARCH}: ${errors}")
endif()
foreach(name CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
  string(REGEX MATCH "(^|\n)${name}=([^\n]*)" line "${dump}")
  separate_arguments(${name} UNIX_COMMAND "${CMAKE_MATCH_2}")
  # The build type's -O and -g stay; Debian's file prefix map names the folder that
  # dpkg-buildflags ran in, source_map the source tree's as CMake writes it.
  list(FILTER ${name} EXCLUDE REGEX "^(-O.*|-g|-f(file|debug)-prefix-map=.*)$")
endforeach()

# Debian 13's dpkg-buildflags adds these hardening flags as well (its stackclash and branch
# features); Debian 12's predates them, and its compilers take them all the same.
set(newer_flags_amd64 -fstack-clash-protection -fcf-protection)
set(newer_flags_arm64 -fstack-clash-protection -mbranch-protection=standard)
set(newer_flags_armhf -fstack-clash-protection)
foreach(flag ${newer_flags_${KX_DEBIAN_ARCH}})
  if(NOT flag IN_LIST CFLAGS)
    list(APPEND CFLAGS ${flag})
    list(APPEND CXXFLAGS ${flag})
  endif()
endforeach()

kx_flags_before(CMAKE_C_FLAGS ${CPPFLAGS} ${CFLAGS} ${source_map})
kx_flags_before(CMAKE_CXX_FLAGS ${CPPFLAGS} ${CXXFLAGS} ${source_map})
foreach(kind EXE SHARED MODULE)
  kx_flags_before(CMAKE_${kind}_LINKER_FLAGS ${LDFLAGS})
endforeach()
