# Cross build of C++ programs for Windows on ARM (ARM64): the toolchain that
# scripts/arm64_toolchain.sh makes from Debian's packages (clang and lld 19,
# mingw-w64's C runtime, compiler-rt, libunwind, libc++abi and libc++), in
# ORVALINDE_ARM64_TOOLCHAIN (default /var/cache/orvalinde/arm64-toolchain).
# Programs link the C++ library statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
include(${CMAKE_CURRENT_LIST_DIR}/arm64-toolchain-dir.cmake)
set(_bin "${ORVALINDE_ARM64_TOOLCHAIN}/bin/aarch64-w64-mingw32")
set(CMAKE_C_COMPILER "${_bin}-clang")
set(CMAKE_CXX_COMPILER "${_bin}-clang++")
set(CMAKE_RC_COMPILER "${_bin}-windres")
set(CMAKE_AR "${_bin}-ar" CACHE FILEPATH "")
set(CMAKE_RANLIB "${_bin}-ranlib" CACHE FILEPATH "")
# mingw-w64's own printf family, compiled into the program: the C runtime's
# takes a va_list, and Wine for ARM64 built by GCC reads one in the Linux
# convention: printf("%.2f") faulted on a null pointer there.
foreach(lang C CXX)
    set(CMAKE_${lang}_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
endforeach()
set(CMAKE_FIND_ROOT_PATH "${ORVALINDE_ARM64_TOOLCHAIN}/aarch64-w64-mingw32")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
