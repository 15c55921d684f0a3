# Cross build for 64-bit Windows with clang and lld against the mingw-w64
# headers and runtime (the release build: the DLL itself links no runtime, its
# playground and test hosts do). clang does not find the mingw
# compiler's C++ headers and libgcc by itself: that compiler names them.
# clang-mingw-w64-x86.cmake includes this for 32-bit Windows (x86).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT ORVALINDE_TARGET)
    set(CMAKE_SYSTEM_PROCESSOR x86_64)
    set(ORVALINDE_TARGET x86_64-w64-mingw32)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/clang-llvm19.cmake)

execute_process(COMMAND ${ORVALINDE_TARGET}-g++ -print-file-name=include
    OUTPUT_VARIABLE _gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${ORVALINDE_TARGET}-g++ -print-libgcc-file-name
    OUTPUT_VARIABLE _libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(_libgcc_dir "${_libgcc}" DIRECTORY)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${_gcc_include}/c++ -isystem ${_gcc_include}/c++/${ORVALINDE_TARGET}")
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld${ORVALINDE_LLVM_SUFFIX} -L${_libgcc_dir}")
endforeach()
