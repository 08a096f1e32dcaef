# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The programs link statically (libgcc, libstdc++, winpthread): each .exe runs on its
# own, with nothing beside it but the system's DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RAVIX_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model is the one that gives std::thread and std::mutex.
find_program(CMAKE_CXX_COMPILER NAMES ${RAVIX_MINGW_PREFIX}-g++-posix ${RAVIX_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${RAVIX_MINGW_PREFIX}-gcc-posix ${RAVIX_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${RAVIX_MINGW_PREFIX}-windres REQUIRED)
find_program(CMAKE_AR NAMES ${RAVIX_MINGW_PREFIX}-gcc-ar-posix ${RAVIX_MINGW_PREFIX}-ar)
find_program(CMAKE_RANLIB NAMES ${RAVIX_MINGW_PREFIX}-gcc-ranlib-posix ${RAVIX_MINGW_PREFIX}-ranlib)

set(CMAKE_FIND_ROOT_PATH /usr/${RAVIX_MINGW_PREFIX})
# Programs of the build machine, libraries and headers of the target only: the host's
# /usr/include must never reach the cross compiler.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and tools built here run under Wine.
find_program(RAVIX_WINE NAMES wine wine64)
if(RAVIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RAVIX_WINE})
endif()

# Header-only libraries from Debian (CLI11, nlohmann-json) are plain C++ for any target,
# but they live in the host's /usr/include, which must stay off the cross compiler's
# path. A root of their own holds links to just those folders; find_path finds them there.
set(RAVIX_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(folder CLI nlohmann)
  if(IS_DIRECTORY /usr/include/${folder} AND NOT EXISTS ${RAVIX_HOST_HEADERS}/include/${folder})
    file(MAKE_DIRECTORY ${RAVIX_HOST_HEADERS}/include)
    file(CREATE_LINK /usr/include/${folder} ${RAVIX_HOST_HEADERS}/include/${folder} SYMBOLIC)
  endif()
endforeach()
list(APPEND CMAKE_FIND_ROOT_PATH ${RAVIX_HOST_HEADERS})
