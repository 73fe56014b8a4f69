# Prints what the Windows build's notices take of a DEP-5 copyright file (cmake
# -DCOPYRIGHT=FILE -DINCLUDE=REGEX [-DEXCLUDE=REGEX] -P this file), for the test of that
# reading: the names of the licences on one line, then the stanzas.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../packaging/dep5_stanzas.cmake)
file(READ ${COPYRIGHT} text)
dep5_stanzas("${text}" "${INCLUDE}" "${EXCLUDE}" stanzas licences)
message("${licences}\n${stanzas}")
