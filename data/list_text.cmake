# A text made into a CMake list loses its semicolons, which part the items, and its brackets,
# which join them. kx_text_aside(VARIABLE) puts them aside in the text that VARIABLE holds, as
# control characters no text of ours has; kx_text_back(VARIABLE) puts them back.

function(kx_text_aside variable)
  string(ASCII 26 semicolon)
  string(ASCII 28 opening)
  string(ASCII 29 closing)
  string(REPLACE ";" "${semicolon}" text "${${variable}}")
  string(REPLACE "[" "${opening}" text "${text}")
  string(REPLACE "]" "${closing}" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

function(kx_text_back variable)
  string(ASCII 26 semicolon)
  string(ASCII 28 opening)
  string(ASCII 29 closing)
  string(REPLACE "${semicolon}" ";" text "${${variable}}")
  string(REPLACE "${opening}" "[" text "${text}")
  string(REPLACE "${closing}" "]" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()
