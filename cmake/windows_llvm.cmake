# The release build with clang and lld: CodeView debug information in
# Orvalinde.pdb, Control Flow Guard, the same bytes from any checkout, and no
# C runtime: the module's own entry point and memory helpers, and imports
# from KERNEL32 and USER32 alone.
enable_language(ASM)
target_sources(Orvalinde PRIVATE src/module/load_config.S src/module/runtime.cpp)
set_source_files_properties(src/module/runtime.cpp PROPERTIES COMPILE_OPTIONS -fno-builtin)
target_compile_definitions(Orvalinde PRIVATE ORVALINDE_NO_CRT)
target_link_options(Orvalinde PRIVATE -nostdlib -Wl,--entry=DllMainCRTStartup)
if(ORVALINDE_ARCH STREQUAL "x86")
    # The entry point is stdcall, named by its argument bytes. No stdcall
    # fix-up: a name with @N must find exactly that symbol (the export
    # definition relies on it). The module has no exception handlers: the
    # image says so (NO_SEH), which is what Windows asks of an x86 image
    # without a table of them. x86 needs no unwind tables either.
    target_link_options(Orvalinde PRIVATE -Wl,--entry=DllMainCRTStartup@12 -Wl,--no-seh -Wl,--disable-stdcall-fixup)
    target_compile_options(Orvalinde PRIVATE -fno-asynchronous-unwind-tables)
endif()
target_link_libraries(Orvalinde PRIVATE kernel32 user32)
# No link-time optimisation: under Wine it bought nothing measurable per hook
# call (CallNextHookEx dominates) and cost 512 bytes.
# Paths in the debug information relative to the tree, and no compile
# command line (it would name the checkout).
target_compile_options(Orvalinde PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-gcodeview -gno-codeview-command-line -fdebug-compilation-dir=.
        -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>
    -mguard=cf)
# -Brepro: the image's time stamp and the PDB's GUID are content hashes. The
# PDB is named without a path, and its sources under a fixed root.
target_link_options(Orvalinde PRIVATE -s -mguard=cf -Wl,--pdb=Orvalinde.pdb
    -Wl,-Xlink=-Brepro -Wl,-Xlink=-pdbaltpath:Orvalinde.pdb "-Wl,-Xlink=-pdbsourcepath:C:\\Orvalinde")
set(ORVALINDE_DEBUG_FILE ${CMAKE_BINARY_DIR}/Orvalinde.pdb)
find_program(ORVALINDE_LLVM_READOBJ llvm-readobj${ORVALINDE_LLVM_SUFFIX} REQUIRED)
