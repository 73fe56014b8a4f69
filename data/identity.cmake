# What Kullerix is, who makes it and under which copyright, written once for everything that
# names them: the packages, the metainfo, the manual page, the Windows version resource, README
# and installer, the Debian copyright file. Sets:
#   KX_COPYRIGHT, KX_COPYRIGHT_YEAR, KX_VENDOR   LICENSE's copyright line, its year and its
#                                                holder, who is the vendor everywhere
#   KX_SUMMARY          what it is, in a few words
#   KX_DESCRIPTION      what it shows and does, in a paragraph
#   KX_KEYS             the keys of data/keys.txt, each an entry "KEY: ACTION"
# and the functions kx_xml_text and kx_wrap, which fit such texts into other files.
include(${CMAKE_CURRENT_LIST_DIR}/list_text.cmake)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE KX_COPYRIGHT REGEX "^Copyright \\(c\\) [0-9]+ " LIMIT_COUNT 1)
if(NOT KX_COPYRIGHT MATCHES "^Copyright \\(c\\) ([0-9]+) (.+)$")
  message(FATAL_ERROR "LICENSE must hold the line \"Copyright (c) YEAR HOLDER\"")
endif()
set(KX_COPYRIGHT_YEAR ${CMAKE_MATCH_1})
set(KX_VENDOR ${CMAKE_MATCH_2})
set(KX_SUMMARY "real-time OpenGL demo of per-pixel bump mapping")
set(KX_DESCRIPTION "A ball in a room with a wooden floor and brick walls, lit per pixel by a \
GLSL shader pair from one of five normal maps: golf-ball dimples, riveted plates, hammered \
metal, ripples and raised lettering. The camera circles the ball; launched, it rolls without \
sliding, turning about the axis across its path, and bounces off the walls. The on-screen texts \
are German.")
file(STRINGS ${PROJECT_SOURCE_DIR}/data/keys.txt KX_KEYS REGEX "^[^#].*: ")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/data/keys.txt)

# kx_xml_text(TEXT RESULT): TEXT with the characters that XML reserves written as entities.
function(kx_xml_text text result)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# kx_wrap(TEXT WIDTH SEPARATOR RESULT): the words of TEXT in lines of at most WIDTH characters
# (a longer word stands alone), joined by SEPARATOR.
function(kx_wrap text width separator result)
  kx_text_aside(text)
  string(REPLACE " " ";" words "${text}")
  set(lines)
  set(line)
  foreach(word IN LISTS words)
    string(LENGTH "${line} ${word}" length)
    if(line AND length GREATER width)
      list(APPEND lines "${line}")
      set(line ${word})
    elseif(line)
      set(line "${line} ${word}")
    else()
      set(line ${word})
    endif()
  endforeach()
  list(APPEND lines "${line}")
  list(JOIN lines "${separator}" text)
  kx_text_back(text)
  set(${result} "${text}" PARENT_SCOPE)
endfunction()
