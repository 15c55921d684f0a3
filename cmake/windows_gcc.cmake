# The GCC build: link-time optimised, with its DWARF debug information split
# off to Orvalinde.dll.debug, which the stripped DLL names in its debug link.
# It keeps the mingw-w64 C runtime (msvcrt), linked statically apart from that.
set_target_properties(Orvalinde PROPERTIES INTERPROCEDURAL_OPTIMIZATION ON)
target_compile_options(Orvalinde PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>)
target_link_options(Orvalinde PRIVATE -g -static-libgcc -static-libstdc++)
find_program(ORVALINDE_OBJCOPY x86_64-w64-mingw32-objcopy REQUIRED)
add_custom_command(TARGET Orvalinde POST_BUILD
    COMMAND ${ORVALINDE_OBJCOPY} --only-keep-debug Orvalinde.dll Orvalinde.dll.debug
    COMMAND ${ORVALINDE_OBJCOPY} --strip-all --add-gnu-debuglink=Orvalinde.dll.debug Orvalinde.dll
    WORKING_DIRECTORY $<TARGET_FILE_DIR:Orvalinde>
    VERBATIM)
set(ORVALINDE_DEBUG_FILE ${CMAKE_BINARY_DIR}/Orvalinde.dll.debug)
