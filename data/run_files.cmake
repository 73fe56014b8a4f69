# The run-time files as data/run_files.h names them, relative to the run directory: one
# variable per constant there, and KX_RUN_FILES with all of them. Beside them the build puts
# the fonts' licence, named after the glyph sheet, which the program does not read.
set(header ${CMAKE_CURRENT_LIST_DIR}/run_files.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
file(READ ${header} kx_run_files_h)
set(KX_RUN_FILES)

# Sets variable to the quoted paths between the constant's name and the semicolon that ends it.
macro(kx_read_run_file variable constant)
  if(NOT kx_run_files_h MATCHES " ${constant}(\\[\\])? = ([^;]+);")
    message(FATAL_ERROR "data/run_files.h does not define ${constant}")
  endif()
  string(REGEX MATCHALL "\"[^\"]+\"" ${variable} "${CMAKE_MATCH_2}")
  string(REPLACE "\"" "" ${variable} "${${variable}}")
  list(APPEND KX_RUN_FILES ${${variable}})
endmacro()

kx_read_run_file(KX_GLYPH_SHEET_FILE glyphSheetFile)
kx_read_run_file(KX_NORMAL_MAP_FILES normalMapFiles)
kx_read_run_file(KX_FLOOR_TEXTURE_FILE floorTextureFile)
kx_read_run_file(KX_WALL_TEXTURE_FILE wallTextureFile)
kx_read_run_file(KX_VERTEX_SHADER_FILE vertexShaderFile)
kx_read_run_file(KX_FRAGMENT_SHADER_FILE fragmentShaderFile)

string(REGEX REPLACE "\\.tga$" ".LICENSE.txt" KX_GLYPH_SHEET_LICENSE_FILE ${KX_GLYPH_SHEET_FILE})
