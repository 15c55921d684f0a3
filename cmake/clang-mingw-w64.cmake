# Cross build for 64-bit Windows with clang and lld against the mingw-w64
# headers and runtime (the release build: the DLL itself links no runtime, its
# playground and test hosts do). clang does not find the mingw
# compiler's C++ headers and libgcc by itself: that compiler names them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVALINDE_TARGET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-llvm19.cmake)

execute_process(COMMAND x86_64-w64-mingw32-g++ -print-file-name=include
    OUTPUT_VARIABLE _gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND x86_64-w64-mingw32-g++ -print-libgcc-file-name
    OUTPUT_VARIABLE _libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(_libgcc_dir "${_libgcc}" DIRECTORY)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${_gcc_include}/c++ -isystem ${_gcc_include}/c++/x86_64-w64-mingw32")
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld${ORVALINDE_LLVM_SUFFIX} -L${_libgcc_dir}")
endforeach()
