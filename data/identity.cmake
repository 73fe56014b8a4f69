# What Kullerix is, who makes it and under which copyright, for everything that names them: the packages'
# vendor, the Windows version resource and installer, the Debian copyright file. The copyright
# line is the one of LICENSE, read from there.
set(KX_VENDOR "The Kullerix developers")
set(KX_SUMMARY "real-time OpenGL demo of per-pixel bump mapping")
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE KX_COPYRIGHT REGEX "^Copyright \\(c\\) [0-9]+ " LIMIT_COUNT 1)
if(NOT KX_COPYRIGHT MATCHES "^Copyright \\(c\\) ([0-9]+) (.+)$" OR NOT CMAKE_MATCH_2 STREQUAL KX_VENDOR)
  message(FATAL_ERROR "LICENSE must hold the line \"Copyright (c) YEAR ${KX_VENDOR}\"")
endif()
set(KX_COPYRIGHT_YEAR ${CMAKE_MATCH_1})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
