# Cross build for 32-bit Windows (x86) with mingw-w64: hosts built against
# the x86 kit with GCC and GNU ld.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ORVALINDE_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
