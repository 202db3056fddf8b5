# Cross toolchain: 64-bit Windows executables with mingw-w64 (x86_64, posix threads),
# the test and run twin on machines that run no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(_tc x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
