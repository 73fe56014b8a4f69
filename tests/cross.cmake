# The tests of a cross build, run under the toolchain's emulator (Wine or qemu-user): unit
# tests built with GoogleTest from Debian's source (libgtest-dev), and the program as a whole
# from what its users get (tests/e2e/windows_test.py, tests/e2e/arm_test.py), which the test
# command packages (cpack) before it runs them; and an ARM build's Debian package as
# tests/e2e/package_test.py checks the native one. The Windows build runs only the tests of the
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

# The program as its users get it, from the files of its package: the Windows zip's program and
# installer under Wine, on Xvfb with openbox; the ARM package's program under qemu-user, on Xvfb,
# the package itself and the package installed. They read the build's manifest.
if(WIN32)
  set(e2e windows_test)
else()
  set(e2e arm_test package_test)
endif()
foreach(name ${e2e})
  add_test(NAME ${target}.${name} COMMAND ${Python3_EXECUTABLE} -m unittest -v ${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
  set_tests_properties(${target}.${name} PROPERTIES LABELS "${target};e2e" TIMEOUT 900
    ENVIRONMENT "KX_BUILD_DIR=${CMAKE_BINARY_DIR};PYTHONDONTWRITEBYTECODE=1")
endforeach()
