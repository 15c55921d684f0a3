# The Windows build: Orvalinde.dll with its debug information split off,
# both import libraries, the install tree, the CMake package and the release
# archive; and the end-to-end test host.
enable_language(RC)
string(REPLACE "." "," ORVALINDE_VERSION_COMMAS "${PROJECT_VERSION}")
configure_file(res/version.rc.in ${CMAKE_BINARY_DIR}/version.rc @ONLY)

add_library(Orvalinde SHARED
    ${ORVALINDE_LOGIC_SOURCES}
    src/platform/win32.cpp
    src/module/dllmain.cpp
    src/module/public_header.cpp
    res/Orvalinde.def
    ${CMAKE_BINARY_DIR}/version.rc)
# Link-time optimisation lets the platform calls inline into the hooks.
set_target_properties(Orvalinde PROPERTIES PREFIX "" OUTPUT_NAME Orvalinde INTERPROCEDURAL_OPTIMIZATION ON)
target_include_directories(Orvalinde PRIVATE src include)
# Source paths in the debug information relative to the tree, as shipped.
target_compile_options(Orvalinde PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${ORVALINDE_LOGIC_FLAGS} -g -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>)
target_compile_definitions(Orvalinde PRIVATE ${ORVALINDE_VERSION_DEFINE})
target_link_options(Orvalinde PRIVATE -static-libgcc -static-libstdc++ -g)
set_source_files_properties(${CMAKE_BINARY_DIR}/version.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/res/Orvalinde.manifest)

# The debug information goes to Orvalinde.dll.debug, which the stripped DLL
# names in its debug link, so a crash in a host can be symbolised.
find_program(ORVALINDE_OBJCOPY x86_64-w64-mingw32-objcopy REQUIRED)
find_program(ORVALINDE_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
add_custom_command(TARGET Orvalinde POST_BUILD
    COMMAND ${ORVALINDE_OBJCOPY} --only-keep-debug Orvalinde.dll Orvalinde.dll.debug
    COMMAND ${ORVALINDE_OBJCOPY} --strip-all --add-gnu-debuglink=Orvalinde.dll.debug Orvalinde.dll
    WORKING_DIRECTORY $<TARGET_FILE_DIR:Orvalinde>
    VERBATIM)

# The link writes libOrvalinde.dll.a; the Microsoft linker's Orvalinde.lib
# is made from the same export definition.
# dlltool names internal symbols after the output path: keep it relative.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/Orvalinde.lib
    COMMAND ${ORVALINDE_DLLTOOL} -m i386:x86-64 -d ${PROJECT_SOURCE_DIR}/res/Orvalinde.def -D Orvalinde.dll
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
install(FILES cmake/OrvalindeConfig.cmake ${CMAKE_BINARY_DIR}/OrvalindeConfigVersion.cmake
    DESTINATION lib/cmake/Orvalinde)
install(FILES README.md DESTINATION share/doc/Orvalinde)

# The release archive: the install tree, the debug file and SHA256SUMS.
configure_file(cmake/package_extras.cmake.in ${CMAKE_BINARY_DIR}/package_extras.cmake @ONLY)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Orvalinde)
set(CPACK_PACKAGE_VENDOR "Orvalinde Software")
set(CPACK_PACKAGE_FILE_NAME "Orvalinde-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_BINARY_DIR}/package_extras.cmake)
include(CPack)

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
    add_subdirectory(tests/e2e)
endif()

# Benchmarks of the real DLL in a Windows process (scripts/bench.sh).
add_executable(orvalinde_wine_bench bench/wine_bench.cpp)
target_include_directories(orvalinde_wine_bench PRIVATE include)
target_compile_options(orvalinde_wine_bench PRIVATE -Wall -Wextra -Werror -O2)
target_link_options(orvalinde_wine_bench PRIVATE -static -static-libgcc -static-libstdc++)
