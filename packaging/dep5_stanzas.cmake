# Reads the machine-readable copyright files of Debian packages (DEP-5: paragraphs of fields,
# "Files" stanzas and stand-alone "License" paragraphs) for the Windows notices
# (windows/third_party_notices.cmake) and the Debian packages' own copyright file
# (CMakeLists.txt): it picks the stanzas of some of a package's files. A stanza that names a
# licence without its text is followed by that licence's own paragraph; one that the file does
# not have is an error, since a notice without the licence's terms is none. And it writes a
# text as the lines of a field in such a file.
include(${CMAKE_CURRENT_LIST_DIR}/../data/list_text.cmake)

# dep5_stanzas(TEXT INCLUDE EXCLUDE STANZAS LICENCES): the stanzas of a DEP-5 copyright file
# whose Files name a pattern that matches the regular expression INCLUDE but not EXCLUDE,
# followed by the stand-alone licence paragraphs that they name without giving a text, as
# TEXT; and the names of their licences, joined by " and ", as LICENCES.
function(dep5_stanzas text include exclude stanzas_result licences_result)
  # Semicolons and brackets stand aside while the paragraphs are a CMake list.
  kx_text_aside(text)
  string(REGEX REPLACE "\n([ \t]*\n)+" ";" paragraphs "${text}")
  set(chosen)
  set(licences)
  set(wanted)
  set(standalone)
  set(standalone_names)
  foreach(paragraph IN LISTS paragraphs)
    string(STRIP "${paragraph}" paragraph)
    if(NOT "\n${paragraph}" MATCHES "\nLicense:[ \t]*([^\n]*)((\n[ \t][^\n]*)*)")
      continue()
    endif()
    set(name "${CMAKE_MATCH_1}")
    set(body "${CMAKE_MATCH_2}")
    if(NOT "\n${paragraph}" MATCHES "\nFiles:([^\n]*(\n[ \t][^\n]*)*)")
      list(APPEND standalone "${paragraph}")
      list(APPEND standalone_names "${name}")
      continue()
    endif()
    string(REGEX MATCHALL "[^ \t\n]+" patterns "${CMAKE_MATCH_1}")
    set(matched FALSE)
    foreach(pattern IN LISTS patterns)
      if(pattern MATCHES "${include}" AND NOT (exclude AND pattern MATCHES "${exclude}"))
        set(matched TRUE)
      endif()
    endforeach()
    if(NOT matched)
      continue()
    endif()
    list(APPEND chosen "${paragraph}")
    list(APPEND licences "${name}")
    if(NOT body)
      # "A and B", "A or B", "A, B": each a paragraph of its own, with an exception or without.
      string(REGEX REPLACE " (and|or) |, *" ";" parts "${name}")
      list(APPEND wanted ${parts})
    endif()
  endforeach()
  if(NOT chosen)
    message(FATAL_ERROR "the copyright file has no stanza for the files ${include}")
  endif()
  set(found)
  list(REMOVE_DUPLICATES wanted)
  foreach(name IN LISTS wanted)
    list(FIND standalone_names "${name}" index)
    if(index LESS 0)
      string(REGEX REPLACE " with .*" "" plain "${name}")
      list(FIND standalone_names "${plain}" index)
    endif()
    if(index LESS 0)
      message(FATAL_ERROR "the copyright file names the licence ${name} but gives no text of it")
    endif()
    list(APPEND found ${index})
  endforeach()
  # In the copyright file's order, so that the text does not depend on the order of the names.
  list(SORT found COMPARE NATURAL)
  foreach(index IN LISTS found)
    list(GET standalone ${index} paragraph)
    list(APPEND chosen "${paragraph}")
  endforeach()
  list(REMOVE_DUPLICATES licences)
  list(JOIN chosen "\n\n" text)
  list(JOIN licences " and " licences)
  kx_text_back(text)
  kx_text_back(licences)
  set(${stanzas_result} "${text}" PARENT_SCOPE)
  set(${licences_result} "${licences}" PARENT_SCOPE)
endfunction()

# dep5_text(TEXT RESULT): TEXT as the lines that follow a field's first line: each after one
# space, an empty one as " .", with no white space at their ends.
function(dep5_text text result)
  string(STRIP "${text}" text)
  string(REGEX REPLACE "[ \t]+\n" "\n" text "${text}")
  string(REPLACE "\n" "\n " text " ${text}")
  # Twice: of two empty lines in a row, the first replacement takes the newline between them.
  string(REPLACE "\n \n" "\n .\n" text "${text}")
  string(REPLACE "\n \n" "\n .\n" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()
