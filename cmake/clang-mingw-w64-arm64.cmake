# Cross build for Windows on ARM (ARM64) with clang and lld against the
# mingw-w64 headers. There is no ARM64 mingw-w64 runtime here, and the
# module needs none: the import libraries it links are made at build time
# from res/imports. Only the module and its kit build for ARM64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(ORVALINDE_TARGET aarch64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-llvm19.cmake)
set(CMAKE_RC_FLAGS_INIT "--target=${ORVALINDE_TARGET}")
# Nothing to link a test program against: the compiler checks build a library.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# The headers are shared with x64; they ask for packing clang warns about.
foreach(lang C CXX ASM)
    set(CMAKE_${lang}_FLAGS_INIT "-isystem /usr/share/mingw-w64/include -Wno-pragma-pack")
endforeach()
# Only what the module names: no default Windows libraries to look for.
foreach(lang C CXX)
    set(CMAKE_${lang}_STANDARD_LIBRARIES "" CACHE STRING "")
endforeach()
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld${ORVALINDE_LLVM_SUFFIX}")
endforeach()
