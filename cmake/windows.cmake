# The Windows build: Orvalinde.dll with its debug information (a PDB from
# clang and lld, the release; DWARF split off from GCC), both import libraries, the install tree, the CMake package and the release
# archive; and the end-to-end test host.
enable_language(RC)
enable_language(C)  # the runtime-free test host
# x64, or ARM64 for Windows on ARM: the module and its kit build for both;
# the playground, the test hosts and the benchmark stay x64.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "ARM64")
    set(ORVALINDE_ARCH ARM64)
    set(ORVALINDE_ARCHIVE_SUFFIX winarm64)
else()
    set(ORVALINDE_ARCH x64)
    set(ORVALINDE_ARCHIVE_SUFFIX win64)
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
configure_file(res/Orvalinde.def ${CMAKE_BINARY_DIR}/Orvalinde.def COPYONLY)
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
else()
    include(cmake/windows_gcc.cmake)
endif()

# The link writes libOrvalinde.dll.a; the Microsoft linker's Orvalinde.lib
# is made from the same export definition.
# dlltool names internal symbols after the output path: keep it relative.
if(ORVALINDE_ARCH STREQUAL "ARM64")
    set(ORVALINDE_DLLTOOL_COMMAND ${ORVALINDE_LLVM_DLLTOOL} -m arm64)
else()
    find_program(ORVALINDE_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
    set(ORVALINDE_DLLTOOL_COMMAND ${ORVALINDE_DLLTOOL} -m i386:x86-64)
endif()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/Orvalinde.lib
    COMMAND ${ORVALINDE_DLLTOOL_COMMAND} -d ${PROJECT_SOURCE_DIR}/res/Orvalinde.def -D Orvalinde.dll
            -l Orvalinde.lib
    DEPENDS ${PROJECT_SOURCE_DIR}/res/Orvalinde.def
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    VERBATIM)
add_custom_target(OrvalindeMsvcImportLibrary ALL DEPENDS ${CMAKE_BINARY_DIR}/Orvalinde.lib)

include(CMakePackageConfigHelpers)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/OrvalindeConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)

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
endif()
add_custom_target(package
    COMMAND ${CMAKE_COMMAND} -P ${CMAKE_BINARY_DIR}/package.cmake
    DEPENDS ${package_needs}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Writing ${ORVALINDE_ARCHIVE_NAME}.zip"
    VERBATIM)

add_subdirectory(tests/arm64)
if(ORVALINDE_ARCH STREQUAL "ARM64")
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
