# The Windows build: Orvalinde.dll with its debug information (a PDB from
# clang and lld, the release; DWARF split off from GCC), both import libraries, the install tree, the CMake package and the release
# archive; and the end-to-end test host.
enable_language(RC)
enable_language(C)  # the runtime-free test host
# x64, ARM64 for Windows on ARM, or x86: the module, its kit, the
# playground, the self-test and the test host build for each (they load the
# DLL beside them), the benchmark and the real programs' injector for x64.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "ARM64")
    set(ORVALINDE_ARCH ARM64)
    set(ORVALINDE_ARCHIVE_SUFFIX winarm64)
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
    set(ORVALINDE_ARCH x86)
    set(ORVALINDE_ARCHIVE_SUFFIX win32)
else()
    set(ORVALINDE_ARCH x64)
    set(ORVALINDE_ARCHIVE_SUFFIX win64)
endif()
# The ARM64 and x86 programs (below) are a build of their own.
option(ORVALINDE_PROGRAMS_ONLY "Build only the programs that load the DLL" OFF)
if(ORVALINDE_PROGRAMS_ONLY)
    add_subdirectory(lib)
    add_subdirectory(hostkit)
    add_subdirectory(apps/playground)
    add_subdirectory(apps/selftest)
    add_subdirectory(tests/e2e)
    return()
endif()
string(REPLACE "." "," ORVALINDE_VERSION_COMMAS "${PROJECT_VERSION}")
configure_file(res/version.rc.in ${CMAKE_BINARY_DIR}/version.rc @ONLY)

add_library(Orvalinde SHARED
    ${ORVALINDE_LOGIC_SOURCES}
    src/platform/win32.cpp
    src/module/dllmain.cpp
    src/module/public_header.cpp
    ${CMAKE_BINARY_DIR}/version.rc)
set_target_properties(Orvalinde PROPERTIES PREFIX "" OUTPUT_NAME Orvalinde)
target_include_directories(Orvalinde PRIVATE src include)
target_compile_options(Orvalinde PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${ORVALINDE_LOGIC_FLAGS} -g>)
target_compile_definitions(Orvalinde PRIVATE ${ORVALINDE_VERSION_DEFINE})
set_source_files_properties(${CMAKE_BINARY_DIR}/version.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/res/Orvalinde.manifest)
# The export definition, by a path relative to the build directory (where
# the link runs), so that no build path reaches the debug information.
# x86 names a stdcall function by its argument bytes (_MouseProc@12): the
# hook procedures are exported under their plain names from those, so that
# one declared in another convention fails to link instead of linking to
# code that leaves the stack wrong. The import libraries name them the same
# way (the exports definition for them, with @12 kept in the symbol).
file(READ res/Orvalinde.def ORVALINDE_DEF)
set(ORVALINDE_IMPORTS_DEF ${CMAKE_BINARY_DIR}/Orvalinde.def)
if(ORVALINDE_ARCH STREQUAL "x86")
    string(REGEX REPLACE "([ \t])(LowLevelMouseProc|MouseProc)([ \t]+@)" "\\1\\2=\\2@12\\3"
           ORVALINDE_X86_DEF "${ORVALINDE_DEF}")
    string(REGEX REPLACE "([ \t])(LowLevelMouseProc|MouseProc)([ \t]+@)" "\\1\\2@12\\3"
           ORVALINDE_X86_IMPORTS_DEF "${ORVALINDE_DEF}")
    set(ORVALINDE_DEF "${ORVALINDE_X86_DEF}")
    set(ORVALINDE_IMPORTS_DEF ${CMAKE_BINARY_DIR}/Orvalinde-imports.def)
    file(WRITE ${ORVALINDE_IMPORTS_DEF}.new "${ORVALINDE_X86_IMPORTS_DEF}")
    configure_file(${ORVALINDE_IMPORTS_DEF}.new ${ORVALINDE_IMPORTS_DEF} COPYONLY)
endif()
# Written only when it changes, so that configuring again relinks nothing.
file(WRITE ${CMAKE_BINARY_DIR}/Orvalinde.def.new "${ORVALINDE_DEF}")
configure_file(${CMAKE_BINARY_DIR}/Orvalinde.def.new ${CMAKE_BINARY_DIR}/Orvalinde.def COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS res/Orvalinde.def)
target_link_options(Orvalinde PRIVATE Orvalinde.def)
set_target_properties(Orvalinde PROPERTIES LINK_DEPENDS ${CMAKE_BINARY_DIR}/Orvalinde.def)

if(ORVALINDE_ARCH STREQUAL "ARM64")
    # Import libraries for exactly what the module imports.
    find_program(ORVALINDE_LLVM_DLLTOOL llvm-dlltool${ORVALINDE_LLVM_SUFFIX} REQUIRED)
    set(system_imports)
    foreach(library kernel32 user32)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/imports/lib${library}.a
            COMMAND ${CMAKE_COMMAND} -E make_directory imports
            COMMAND ${ORVALINDE_LLVM_DLLTOOL} -m arm64 -d ${PROJECT_SOURCE_DIR}/res/imports/${library}.def
                    -l imports/lib${library}.a
            DEPENDS ${PROJECT_SOURCE_DIR}/res/imports/${library}.def
            WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
            VERBATIM)
        list(APPEND system_imports ${CMAKE_BINARY_DIR}/imports/lib${library}.a)
    endforeach()
    add_custom_target(OrvalindeSystemImports DEPENDS ${system_imports})
    add_dependencies(Orvalinde OrvalindeSystemImports)
    # By a path relative to the build folder, where the link runs: the PDB
    # names the libraries linked, and no build path may reach it.
    target_link_options(Orvalinde PRIVATE -Limports)
    # Without unwind tables lld writes no .pdata, and a fault is no clean error.
    target_compile_options(Orvalinde PRIVATE -funwind-tables)
endif()

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    include(cmake/windows_llvm.cmake)
    if(ORVALINDE_ARCH STREQUAL "x64")
        include(cmake/planted.cmake)
    endif()
else()
    include(cmake/windows_gcc.cmake)
endif()

# The link writes libOrvalinde.dll.a; the Microsoft linker's Orvalinde.lib
# is made from the same export definition.
# dlltool names internal symbols after the output path: keep it relative.
if(ORVALINDE_ARCH STREQUAL "ARM64")
    set(ORVALINDE_DLLTOOL_COMMAND ${ORVALINDE_LLVM_DLLTOOL} -m arm64)
elseif(ORVALINDE_ARCH STREQUAL "x86")
    # -k: the DLL's names are the plain ones; the symbols keep @12.
    find_program(ORVALINDE_LLVM_DLLTOOL llvm-dlltool${ORVALINDE_LLVM_SUFFIX} REQUIRED)
    set(ORVALINDE_DLLTOOL_COMMAND ${ORVALINDE_LLVM_DLLTOOL} -m i386 -k)
else()
    find_program(ORVALINDE_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
    set(ORVALINDE_DLLTOOL_COMMAND ${ORVALINDE_DLLTOOL} -m i386:x86-64)
endif()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/Orvalinde.lib
    COMMAND ${ORVALINDE_DLLTOOL_COMMAND} -d ${ORVALINDE_IMPORTS_DEF} -D Orvalinde.dll
            -l Orvalinde.lib
    DEPENDS ${ORVALINDE_IMPORTS_DEF}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    VERBATIM)
add_custom_target(OrvalindeMsvcImportLibrary ALL DEPENDS ${CMAKE_BINARY_DIR}/Orvalinde.lib)
if(ORVALINDE_ARCH STREQUAL "x86")
    # The link's own import library would name the hook procedures without
    # @12, which a host that declares them CALLBACK does not ask for.
    add_custom_command(TARGET Orvalinde POST_BUILD
        COMMAND ${ORVALINDE_DLLTOOL_COMMAND} -d ${ORVALINDE_IMPORTS_DEF} -D Orvalinde.dll -l libOrvalinde.dll.a
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        VERBATIM)
endif()

include(CMakePackageConfigHelpers)
# The version file checks the version alone: OrvalindeConfig.cmake checks
# the architecture and names the kit a project of another one needs (the
# version file's own check of the pointer size would refuse it unexplained).
write_basic_package_version_file(${CMAKE_BINARY_DIR}/OrvalindeConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)

install(TARGETS Orvalinde RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES include/orvalinde.h DESTINATION include)
install(FILES ${CMAKE_BINARY_DIR}/Orvalinde.lib DESTINATION lib)
install(FILES ${ORVALINDE_DEBUG_FILE} DESTINATION bin)
# The package serves the architecture it was built for, and refuses another.
configure_file(cmake/OrvalindeConfig.cmake.in ${CMAKE_BINARY_DIR}/OrvalindeConfig.cmake @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/OrvalindeConfig.cmake ${CMAKE_BINARY_DIR}/OrvalindeConfigVersion.cmake
    DESTINATION lib/cmake/Orvalinde)
install(FILES README.md DESTINATION share/doc/Orvalinde)
install(FILES examples/minimal_host/CMakeLists.txt examples/minimal_host/minimal_host.c
    DESTINATION share/Orvalinde/examples/minimal_host)

# The release archive: the install tree, a symbol store and SHA256SUMS, the
# same bytes from the same commit (cmake/package.cmake.in).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ORVALINDE_ARCHIVE_NAME "Orvalinde-${PROJECT_VERSION}-${ORVALINDE_ARCHIVE_SUFFIX}")
configure_file(cmake/package.cmake.in ${CMAKE_BINARY_DIR}/package.cmake @ONLY)
# A build folder configured when CPack made the archive keeps its CPack
# files, which would reserve the target name.
file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
set(package_needs Orvalinde OrvalindeMsvcImportLibrary)
if(ORVALINDE_ARCH STREQUAL "x64")
    list(APPEND package_needs OrvalindePlayground OrvalindeSelfTest)
else()
    list(APPEND package_needs OrvalindePrograms)
endif()
add_custom_target(package
    COMMAND ${CMAKE_COMMAND} -P ${CMAKE_BINARY_DIR}/package.cmake
    DEPENDS ${package_needs}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Writing ${ORVALINDE_ARCHIVE_NAME}.zip"
    VERBATIM)

add_subdirectory(tests/arm64)

if(NOT ORVALINDE_ARCH STREQUAL "x64")
    # The programs are C++, and the DLL has no C++ library: they are a build
    # of their own, copied here beside the DLL as the x64 build has them.
    # ARM64: the C++ toolchain that scripts/arm64_toolchain.sh makes (there is
    # no ARM64 C runtime in Debian's packages). x86: GCC, since on x86 clang
    # and GCC pass an empty class by value differently (clang gives it no
    # stack slot, GCC four bytes), and a call between clang's code and GCC's
    # libstdc++ that passes one (basic_string's iterator tags) leaves the
    # stack wrong.
    include(ExternalProject)
    set(programs OrvalindePlayground.exe OrvalindeSelfTest.exe orvalinde_host.exe)
    if(ORVALINDE_ARCH STREQUAL "ARM64")
        set(programs_toolchain arm64-cxx.cmake)
        include(${PROJECT_SOURCE_DIR}/cmake/arm64-toolchain-dir.cmake)
        set(programs_options -DORVALINDE_ARM64_TOOLCHAIN=${ORVALINDE_ARM64_TOOLCHAIN})
    else()
        set(programs_toolchain mingw-w64-x86.cmake)
        set(programs_options)
        list(APPEND programs orvalinde_inject.exe orvalinde_agent.dll)
    endif()
    ExternalProject_Add(OrvalindePrograms
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/programs
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/${programs_toolchain}
                   -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DORVALINDE_PROGRAMS_ONLY=ON ${programs_options}
        INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different ${programs} ${CMAKE_BINARY_DIR}
        BUILD_ALWAYS ON)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/OrvalindePlayground.exe ${CMAKE_BINARY_DIR}/OrvalindeSelfTest.exe
        DESTINATION bin)
    return()
endif()

# The programs that ship, on the scenario language and the host kit; then
# the test host and the real programs' injector, on the same kit.
add_subdirectory(lib)
add_subdirectory(hostkit)
add_subdirectory(apps/playground)
add_subdirectory(apps/selftest)
add_subdirectory(tests/e2e)

# Benchmarks of the real DLL in a Windows process (scripts/bench.sh).
add_executable(orvalinde_wine_bench bench/wine_bench.cpp)
target_include_directories(orvalinde_wine_bench PRIVATE include)
target_compile_options(orvalinde_wine_bench PRIVATE -Wall -Wextra -Werror -O2)
target_link_options(orvalinde_wine_bench PRIVATE -static -static-libgcc -static-libstdc++)
