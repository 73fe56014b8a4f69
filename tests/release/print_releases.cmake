# Prints what the build reads of a file in NEWS.md's form (cmake -DKX_RELEASE_NOTES_FILE=FILE -P
# this file), for the test of that reading: the newest release's version, date and time, then
# for every release a line with its version, date and changelog stamp, and a line per note.
include(${CMAKE_CURRENT_LIST_DIR}/../../data/releases.cmake)
message("newest ${KX_VERSION} ${KX_RELEASE_DATE} ${KX_RELEASE_EPOCH}")
foreach(version IN LISTS KX_RELEASES)
  message("release ${version} ${KX_RELEASE_${version}_DATE} ${KX_RELEASE_${version}_STAMP}")
  foreach(n RANGE 1 ${KX_RELEASE_${version}_NOTES})
    message("note ${KX_RELEASE_${version}_NOTE_${n}}")
  endforeach()
endforeach()
