# The tests of the Windows build, run under Wine by scripts/test-windows.sh: the unit
# tests that do not need POSIX, and the tests of the Win32 backends and windows.
# GoogleTest is built from Debian's sources (the googletest package), for the target.
set(RAVIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${RAVIX_GTEST_SOURCE}/CMakeLists.txt)
  message(STATUS "No GoogleTest sources at ${RAVIX_GTEST_SOURCE}: the Windows tests are not built")
  return()
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${RAVIX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB unit_sources CONFIGURE_DEPENDS tests/unit/*.cpp)
# The POSIX backends' own tests, and tests built on POSIX directories and processes.
list(FILTER unit_sources EXCLUDE REGEX "/posix_[^/]*\\.cpp$")
# Built on POSIX paths (char file names).
list(FILTER unit_sources EXCLUDE REGEX "/firmware_update_test\\.cpp$")
file(GLOB win32_test_sources CONFIGURE_DEPENDS tests/win32/*_test.cpp)
# Stand-ins for the port-I/O driver library, in a folder of their own so that no program
# of the build finds one by its name beside it.
foreach(driver fake_port_driver fake_port_driver_write_only)
  add_library(${driver} SHARED tests/win32/${driver}.cpp)
  set_target_properties(${driver} PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-drivers)
endforeach()
# A stand-in for FTDI's ftd2xx.dll, passing the calls on to the simulated FT232R of the
# program that loads it; scripts/test-windows.sh puts its folder on the search path.
add_library(ftd2xx SHARED tests/win32/ftd2xx_stand_in.cpp)
target_include_directories(ftd2xx PRIVATE src)
# On its own as FTDI's library is: no MinGW runtime DLLs to be found beside it.
target_link_options(ftd2xx PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(ftd2xx PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-ftd2xx)
add_executable(ravix-windows-tests ${unit_sources} ${win32_test_sources})
target_link_libraries(ravix-windows-tests PRIVATE ravix-cli-tasks ravix gtest gtest_main)
if(TARGET ravix-win32gui)
  target_link_libraries(ravix-windows-tests PRIVATE ravix-win32gui)
  target_compile_definitions(ravix-windows-tests PRIVATE RAVIX_WIN32GUI=1)
endif()
add_dependencies(ravix-windows-tests fake_port_driver fake_port_driver_write_only ftd2xx)
target_include_directories(ravix-windows-tests PRIVATE tests/unit)
# Test requests name only the fields they set (as the Linux tests do).
target_compile_options(ravix-windows-tests PRIVATE -Wno-missing-field-initializers)
target_compile_definitions(ravix-windows-tests PRIVATE RAVIX_TEST_DRIVERS="${CMAKE_BINARY_DIR}/test-drivers")
target_compile_definitions(ravix-windows-tests PRIVATE RAVIX_TEST_DIR="${PROJECT_SOURCE_DIR}/tests")
