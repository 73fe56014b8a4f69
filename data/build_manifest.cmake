# Writes <build folder>/manifest.env, the facts of this build for the scripts, the tests and CI,
# which read them instead of asking CMake: one NAME="value" line each, with no character in a
# value that a shell would expand, so that `source` reads it as it is, Python with
# shlex.split(line)[0].split("=", 1), and CMake with file(STRINGS). A list is its items
# separated by spaces. Included last by the top CMakeLists.txt:
#   KX_VERSION, KX_RELEASE_DATE, KX_RELEASE_EPOCH   the release it builds (NEWS.md)
#   KX_VENDOR, KX_COPYRIGHT                        who makes it, LICENSE's copyright line
#   KX_SYSTEM, KX_ARCH     linux or windows; the Debian architecture, or win64
#   KX_PROGRAM, KX_RUN_DIR the program and the folder it runs in
#   KX_RUN_COMMAND         what runs the target's programs here: the emulator with its
#                          settings, or nothing where they run as they are
#   KX_PACKAGES            every package that `cpack` makes in the build folder, and by kind:
#   KX_DEB, KX_DATA_DEB    the Debian package of the program, of this build's architecture, and
#                          the one of its data, for every architecture (Architecture: all)
#   KX_ZIP, KX_INSTALLER   the Windows zip and installer
#   KX_GENERATORS          the asset generators' targets, which a cross build runs from here
#   KX_HOST_BUILD          a cross build's build for this machine, whose generators it runs
#   KX_FIGURES_TOOL        the drawing tool of scripts/figures.sh, where the build has it
#   KX_STATIC_COMPONENTS   where the program carries other projects linked statically (Windows):
#                          a file of tab-separated lines, each a component, the Debian package
#                          it came from, that package's version and its licence, after a line
#                          that names these columns
#   KX_CFLAGS, KX_CXXFLAGS, KX_LDFLAGS   what the build's C and C++ sources are compiled and its
#                          programs linked with: the build's own flags and its build type's
set(KX_MANIFEST ${CMAKE_BINARY_DIR}/manifest.env)

function(kx_write_manifest)
  set(names KX_VERSION KX_RELEASE_DATE KX_RELEASE_EPOCH KX_VENDOR KX_COPYRIGHT KX_SYSTEM KX_ARCH KX_PROGRAM KX_RUN_DIR
    KX_RUN_COMMAND KX_PACKAGES KX_DEB KX_DATA_DEB KX_ZIP KX_INSTALLER KX_GENERATORS
    KX_HOST_BUILD KX_FIGURES_TOOL KX_STATIC_COMPONENTS KX_CFLAGS KX_CXXFLAGS KX_LDFLAGS)
  set(KX_VERSION ${PROJECT_VERSION})
  string(TOUPPER "${CMAKE_BUILD_TYPE}" type)
  foreach(name C CXX EXE_LINKER)
    string(STRIP "${CMAKE_${name}_FLAGS} ${CMAKE_${name}_FLAGS_${type}}" flags_${name})
  endforeach()
  set(KX_CFLAGS "${flags_C}")
  set(KX_CXXFLAGS "${flags_CXX}")
  set(KX_LDFLAGS "${flags_EXE_LINKER}")
  if(WIN32)
    set(KX_SYSTEM windows)
    set(KX_ARCH win64)
  else()
    set(KX_SYSTEM linux)
    set(KX_ARCH ${KX_DEBIAN_ARCH})
  endif()
  set(KX_PROGRAM $<TARGET_FILE:kullerix>)
  set(KX_RUN_COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR})
  set(KX_PACKAGES ${KX_DEB} ${KX_DATA_DEB} ${KX_ZIP} ${KX_INSTALLER})
  if(CMAKE_CROSSCOMPILING)
    get_filename_component(KX_HOST_BUILD ${KX_HOST_TOOLS} DIRECTORY)
  endif()
  if(TARGET kx_figures)
    set(KX_FIGURES_TOOL $<TARGET_FILE:kx_figures>)
  endif()
  set(text "# The facts of this build, written by CMake (data/build_manifest.cmake).\n")
  foreach(name IN LISTS names)
    list(JOIN ${name} " " value)
    # A target's file ($<TARGET_FILE:...>) is a path of the build folder once generated.
    string(REGEX REPLACE "\\$<TARGET_FILE:[a-z_]+>" "" plain "${value}")
    if(plain MATCHES "[\"$`\\\n]")
      message(FATAL_ERROR "${name} holds a character that the manifest cannot carry: ${value}")
    endif()
    string(APPEND text "${name}=\"${value}\"\n")
  endforeach()
  file(GENERATE OUTPUT ${KX_MANIFEST} CONTENT "${text}")
endfunction()

kx_write_manifest()
