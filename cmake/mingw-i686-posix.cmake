# Cross toolchain: 32-bit Windows executables with mingw-w64 (i686, posix threads),
# the shipped program.
set(CMAKE_SYSTEM_PROCESSOR x86)          # libjpeg-turbo's SIMD detection accepts "x86"
set(_tc i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
