# The Windows build's tests: the platform services that have a Windows backend, built with
# GoogleTest from Debian's source (libgtest-dev) and run under Wine. The program as a whole is
# tested from the zip (tests/e2e/windows_test.py, run by the test command).
set(KX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source, built for the target")
find_program(KX_WINE wine REQUIRED)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KX_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL)

add_executable(unit_platform_test unit/platform_test.cpp support/message_recorder.cpp
  support/temp_file.cpp)
target_include_directories(unit_platform_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(unit_platform_test PRIVATE kx_platform kx_image_files gtest gtest_main)
set_target_properties(unit_platform_test PROPERTIES CROSSCOMPILING_EMULATOR ${KX_WINE})
add_test(NAME windows.unit_platform_test COMMAND unit_platform_test)
set_tests_properties(windows.unit_platform_test PROPERTIES LABELS windows TIMEOUT 300)

# The zip's program and the installer under Wine, on Xvfb with openbox; the test command makes
# both files (cpack) before it runs this.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME windows.e2e COMMAND ${Python3_EXECUTABLE} -m unittest -v windows_test
  WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
set_tests_properties(windows.e2e PROPERTIES LABELS "windows;e2e" TIMEOUT 900 ENVIRONMENT
  "KX_VERSION=${PROJECT_VERSION};KX_WINDOWS_ZIP=${CMAKE_BINARY_DIR}/${KX_WINDOWS_PACKAGE}.zip;KX_WINDOWS_INSTALLER=${CMAKE_BINARY_DIR}/${KX_WINDOWS_PACKAGE}.exe;PYTHONDONTWRITEBYTECODE=1")
