# The run-time files of data/run_files.txt, relative to the run directory. Each entry becomes a
# variable named after it (glyphSheetFile: KX_GLYPH_SHEET_FILE), and KX_RUN_FILES holds all of
# them. Beside them the build puts the fonts' licence, named after the glyph sheet, which the
# program does not read.
#
# For C++ the build writes the entries as constants into KX_RUN_FILES_HEADER, which is
# <build folder>/generated/data/run_files.h; a target that includes "data/run_files.h" links
# kx_run_files to find it. A name ending in "Files" becomes an array with a count
# (normalMapFiles: normalMapCount), one ending in "File" a single path.
set(KX_RUN_FILES_HEADER ${CMAKE_BINARY_DIR}/generated/data/run_files.h)

function(kx_read_run_files list_file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  file(STRINGS ${list_file} entries REGEX "^[^#]")
  set(all)
  set(constants)
  foreach(entry IN LISTS entries)
    string(REGEX MATCHALL "[^ \t]+" paths "${entry}")
    list(POP_FRONT paths name)
    list(LENGTH paths count)
    string(REGEX REPLACE "([A-Z])" "_\\1" variable ${name})
    string(TOUPPER "KX_${variable}" variable)
    set(${variable} ${paths} PARENT_SCOPE)
    list(APPEND all ${paths})

    list(TRANSFORM paths PREPEND "\"")
    list(TRANSFORM paths APPEND "\"")
    list(JOIN paths ", " quoted)
    if(name MATCHES "^(.+)Files$" AND count GREATER 0)
      string(APPEND constants "const char* const ${name}[] = {${quoted}};\n"
        "const int32_t ${CMAKE_MATCH_1}Count = int32_t(std::size(${name}));\n")
    elseif(name MATCHES "File$" AND count EQUAL 1)
      string(APPEND constants "const char* const ${name} = ${quoted};\n")
    else()
      message(FATAL_ERROR "${list_file}: ${name} needs one path (a name ending in File) or "
        "several (a name ending in Files)")
    endif()
  endforeach()
  set(KX_RUN_FILES ${all} PARENT_SCOPE)

  # Written only when its text changes, so that configuring again rebuilds nothing.
  file(CONFIGURE OUTPUT ${KX_RUN_FILES_HEADER} CONTENT
"// Written by the build (data/run_files.cmake) from data/run_files.txt; change that list.
#pragma once
#include <cstdint>
#include <iterator>

${constants}" @ONLY)
endfunction()

kx_read_run_files(${CMAKE_CURRENT_LIST_DIR}/run_files.txt)
string(REGEX REPLACE "\\.tga$" ".LICENSE.txt" KX_GLYPH_SHEET_LICENSE_FILE ${KX_GLYPH_SHEET_FILE})

add_library(kx_run_files INTERFACE)
target_include_directories(kx_run_files INTERFACE ${CMAKE_BINARY_DIR}/generated)
