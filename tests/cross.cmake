# The tests of a cross build, run under the toolchain's emulator (Wine or qemu-user): unit
# tests built with GoogleTest from Debian's source (libgtest-dev), and the program as a whole
# from what its users get (tests/e2e/windows_test.py, tests/e2e/arm_test.py), which the test
# command packages (cpack) before it runs them. The Windows build runs only the tests of the
# services with a Windows backend; an ARM build runs every unit test but those of the asset
# generators, which run on the build machine alone.
set(KX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source, built for the target")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KX_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL)

if(WIN32)
  set(target windows)
  set(tests unit/platform_test.cpp)
  add_library(kx_cross_test_support STATIC support/message_recorder.cpp support/temp_file.cpp)
else()
  set(target ${KX_DEBIAN_ARCH})
  set(tests ${KX_UNIT_TESTS})
  list(REMOVE_ITEM tests ${KX_GENERATOR_TESTS})
  add_library(kx_cross_test_support STATIC support/message_recorder.cpp support/temp_file.cpp
    support/png_reference.cpp)
  target_link_libraries(kx_cross_test_support PUBLIC stb::stb)
endif()
target_include_directories(kx_cross_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kx_cross_test_support PUBLIC kx_app kx_image_files gtest)
target_compile_definitions(kx_cross_test_support PUBLIC
  KX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  KX_CORPUS_DIR="${PROJECT_SOURCE_DIR}/../shared/corpus")

# One test per executable: every start of the emulator costs a second or more.
foreach(source ${tests})
  get_filename_component(name ${source} NAME_WE)
  add_executable(unit_${name} ${source})
  target_link_libraries(unit_${name} PRIVATE kx_cross_test_support gtest_main)
  add_test(NAME ${target}.unit_${name} COMMAND unit_${name})
  set_tests_properties(${target}.unit_${name} PROPERTIES LABELS "${target};unit" TIMEOUT 600)
endforeach()

if(WIN32)
  # The zip's program and the installer under Wine, on Xvfb with openbox.
  add_test(NAME windows.e2e COMMAND ${Python3_EXECUTABLE} -m unittest -v windows_test
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
  set_tests_properties(windows.e2e PROPERTIES LABELS "windows;e2e" TIMEOUT 900 ENVIRONMENT
    "KX_VERSION=${PROJECT_VERSION};KX_WINDOWS_PROGRAM=$<TARGET_FILE:kullerix>;KX_WINDOWS_ZIP=${CMAKE_BINARY_DIR}/${KX_WINDOWS_PACKAGE}.zip;KX_WINDOWS_INSTALLER=${CMAKE_BINARY_DIR}/${KX_WINDOWS_PACKAGE}.exe;PYTHONDONTWRITEBYTECODE=1")
else()
  # The program from its Debian package under qemu-user, on Xvfb, and the package installed.
  get_filename_component(host_build ${KX_HOST_TOOLS} DIRECTORY)
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
  add_test(NAME ${target}.e2e COMMAND ${Python3_EXECUTABLE} -m unittest -v arm_test
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
  set_tests_properties(${target}.e2e PROPERTIES LABELS "${target};e2e" TIMEOUT 900 ENVIRONMENT
    "KX_ARCH=${target};KX_EMULATOR=${emulator};KX_PACKAGE=${CMAKE_BINARY_DIR}/kullerix_${PROJECT_VERSION}_${target}.deb;KX_HOST_BUILD=${host_build};PYTHONDONTWRITEBYTECODE=1")
endif()
