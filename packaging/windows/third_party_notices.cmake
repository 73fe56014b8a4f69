# Writes the notices of what kullerix.exe carries of other projects, linked statically: NOTICES
# (THIRD-PARTY-NOTICES.txt, with CR LF line ends) gives each component, its version and its
# licence, and LIST the same facts as tab-separated lines (component, Debian package, version,
# licence) for a bill of materials. Run at build time (cmake -P) by CMakeLists.txt beside it,
# with COMPILER (the cross compiler, which names the libraries it links) and FREEGLUT_VERSION
# (the freeglut that was built for Windows). Everything comes from dpkg's records: the package
# that holds a component's file, its version, and its copyright file. A machine-readable (DEP-5)
# copyright file gives the stanzas of the component's own files and the licences they name; any
# other is given whole. It holds no date: the same packages give the same bytes.
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../dep5_stanzas.cmake)

# package_of(FILE RESULT): the Debian package that holds FILE, an absolute path or a library
# that COMPILER finds, as "NAME" or, for one of several architectures, "NAME:ARCH".
function(package_of file result)
  if(NOT IS_ABSOLUTE "${file}")
    execute_process(COMMAND ${COMPILER} -print-file-name=${file} OUTPUT_VARIABLE found
      OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    # NOTE: a name that the compiler does not find comes back as it is.
    if(NOT IS_ABSOLUTE "${found}")
      message(FATAL_ERROR "${COMPILER} finds no ${file}")
    endif()
    set(file ${found})
  endif()
  file(REAL_PATH ${file} file)
  execute_process(COMMAND dpkg-query -S ${file} OUTPUT_VARIABLE owners RESULT_VARIABLE failed
    ERROR_QUIET)
  # "PACKAGE[:ARCH][, PACKAGE[:ARCH]...]: PATH", after a line on any diversion of the path.
  string(REGEX MATCH "(^|\n)([^ \n,]+)[^\n]*: /[^\n]*\n$" owner "${owners}")
  if(failed OR NOT owner)
    message(FATAL_ERROR "no Debian package holds ${file}, which kullerix.exe takes parts of")
  endif()
  set(${result} ${CMAKE_MATCH_2} PARENT_SCOPE)
endfunction()

set(rule "================================================================================")
set(notices "Kullerix for Windows: the software built into kullerix.exe

kullerix.exe is linked statically: it holds parts of the software below, each under its own
licence. Each section names a component, its version as Debian packages it, and the copyright
and licence terms as that package's copyright file gives them. Kullerix itself is free
software under the MIT licence, in LICENSE.txt.
")
set(listing "component\tpackage\tversion\tlicence\n")

# component(NAME FILES FILE... [FILES_OF INCLUDE [EXCLUDE]] [LICENCE NAME] [BUILT VERSION]):
# appends a section to the notices and a line per package to the list. FILES are what the
# component comes in: their packages give its version and copyright file. FILES_OF picks the
# DEP-5 stanzas (see dep5_stanzas) and takes the licence's name from them; without it, the
# whole copyright file is given, and LICENCE names the licence. BUILT is the upstream version
# of a component built here from Debian's source, which the package's version must have.
function(component name)
  cmake_parse_arguments(component "" "LICENCE;BUILT" "FILES;FILES_OF" ${ARGN})
  set(packages)
  foreach(file IN LISTS component_FILES)
    package_of(${file} package)
    list(APPEND packages ${package})
  endforeach()
  list(REMOVE_DUPLICATES packages)
  set(names)
  set(versions)
  set(numbers)
  set(hashes)
  set(texts)
  set(licence "${component_LICENCE}")
  foreach(package IN LISTS packages)
    execute_process(COMMAND dpkg-query -W -f=\${Version} ${package} OUTPUT_VARIABLE version
      COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE ":.*" "" package ${package})
    if(component_BUILT)
      string(REGEX REPLACE "^[0-9]+:|-[^-]*$" "" upstream "${version}")
      string(REPLACE "." "\\." built "${component_BUILT}")
      if(NOT upstream MATCHES "^${built}([+~]|$)")
        message(FATAL_ERROR "${name} ${component_BUILT} is built into kullerix.exe, but "
          "${package} here is ${version}, whose copyright file and version the notices give: "
          "upgrade the package, or remove the build's freeglut folder to build it anew")
      endif()
    endif()
    set(copyright /usr/share/doc/${package}/copyright)
    if(NOT EXISTS ${copyright})
      message(FATAL_ERROR "${package} has no ${copyright}")
    endif()
    file(READ ${copyright} text)
    string(STRIP "${text}" text)
    if(component_FILES_OF)
      if(NOT text MATCHES "^Format:[^\n]*(copyright-format|dep5)")
        message(FATAL_ERROR "${copyright} is not machine-readable: the stanzas of ${name} "
          "cannot be told from the rest")
      endif()
      list(GET component_FILES_OF 0 include)
      list(GET component_FILES_OF -1 exclude)
      if(exclude STREQUAL include)
        set(exclude "")
      endif()
      dep5_stanzas("${text}" "${include}" "${exclude}" text licence)
    endif()
    # Packages of one source share their copyright file: its text is given once.
    string(SHA256 hash "${text}")
    if(NOT hash IN_LIST hashes)
      list(APPEND hashes ${hash})
      string(APPEND texts "\n${text}\n")
    endif()
    list(APPEND names ${package})
    list(APPEND versions "${package} ${version}")
    list(APPEND numbers "${version}")
    string(APPEND listing "${name}\t${package}\t${version}\t${licence}\n")
  endforeach()
  list(REMOVE_DUPLICATES numbers)
  list(LENGTH numbers count)
  list(LENGTH names several)
  list(JOIN names ", " names)
  if(count GREATER 1)
    list(JOIN versions ", " version)
    set(version "${version} (Debian packages)")
  elseif(several GREATER 1)
    set(version "${numbers} (Debian packages ${names})")
  else()
    set(version "${numbers} (Debian package ${names})")
  endif()
  string(APPEND notices "\n${rule}\n${name}\n${rule}\nVersion: ${version}\n"
    "Licence: ${licence}\n${texts}")
  set(notices "${notices}" PARENT_SCOPE)
  set(listing "${listing}" PARENT_SCOPE)
endfunction()

# freeglut is built from Debian's freeglut source package (scripts/lib/cross-build.sh), whose
# binary package with the header holds its copyright file. Debian's own files are not built.
component("freeglut" FILES /usr/include/GL/freeglut.h FILES_OF "." "^debian/"
  BUILT ${FREEGLUT_VERSION})
# The start-up code and C run-time of every program. NOTE: profile/ is the profiler's library,
# which only programs built with -pg link.
component("mingw-w64 runtime" FILES crt2.o libmingw32.a libmingwex.a libmsvcrt.a
  FILES_OF "^(\\*|mingw-w64-crt/)" "^mingw-w64-crt/profile/")
# The threads of libstdc++ (the posix threads model); its tests are not built.
component("winpthreads" FILES libwinpthread.a
  FILES_OF "^mingw-w64-libraries/winpthreads/" "^mingw-w64-libraries/winpthreads/tests")
# libgcc, its unwinder, libstdc++ and the stack protector's libssp: GCC's copyright file names
# them among the libraries under the GCC Runtime Library Exception, which it holds.
component("GCC runtime libraries" FILES libgcc.a libgcc_eh.a libssp.a libstdc++.a
  LICENCE "GPL-3+ with GCC-exception-3.1")

# CR LF line ends, as the other texts for Windows have them.
string(REPLACE "\n" "\r\n" notices "${notices}")
file(WRITE ${NOTICES} "${notices}")
file(WRITE ${LIST} "${listing}")
