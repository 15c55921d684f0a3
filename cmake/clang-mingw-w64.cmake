# Cross build for 64-bit Windows with clang and lld against the mingw-w64
# headers and runtime (the release build). clang does not find the mingw
# compiler's C++ headers and libgcc by itself: that compiler names them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVALINDE_LLVM_SUFFIX -19)
foreach(lang C CXX ASM)
    set(CMAKE_${lang}_COMPILER_TARGET x86_64-w64-mingw32)
endforeach()
set(CMAKE_C_COMPILER clang${ORVALINDE_LLVM_SUFFIX})
set(CMAKE_CXX_COMPILER clang++${ORVALINDE_LLVM_SUFFIX})
set(CMAKE_ASM_COMPILER clang${ORVALINDE_LLVM_SUFFIX})
set(CMAKE_RC_COMPILER llvm-windres${ORVALINDE_LLVM_SUFFIX})
set(CMAKE_AR llvm-ar${ORVALINDE_LLVM_SUFFIX} CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib${ORVALINDE_LLVM_SUFFIX} CACHE FILEPATH "")

execute_process(COMMAND x86_64-w64-mingw32-g++ -print-file-name=include
    OUTPUT_VARIABLE _gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND x86_64-w64-mingw32-g++ -print-libgcc-file-name
    OUTPUT_VARIABLE _libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(_libgcc_dir "${_libgcc}" DIRECTORY)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${_gcc_include}/c++ -isystem ${_gcc_include}/c++/x86_64-w64-mingw32")
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld${ORVALINDE_LLVM_SUFFIX} -L${_libgcc_dir}")
endforeach()

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
