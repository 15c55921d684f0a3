# Cross build for 32-bit Windows (x86) with clang and lld against the i686
# mingw-w64 headers and runtime: the module links none, its playground and
# test hosts do. x86 programs run on 64-bit Windows too.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ORVALINDE_TARGET i686-w64-mingw32)
set(CMAKE_RC_FLAGS_INIT "--target=${ORVALINDE_TARGET}")
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw-w64.cmake)
