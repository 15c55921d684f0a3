# Orvalinde's CMake package: find_package(Orvalinde CONFIG REQUIRED) gives
# the imported target Orvalinde::Orvalinde, which carries the DLL, the
# import library for the toolchain in use and the include directory.
get_filename_component(_orvalinde_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT WIN32)
    set(Orvalinde_FOUND FALSE)
    set(Orvalinde_NOT_FOUND_MESSAGE "Orvalinde.dll is a Windows DLL; this project does not build for Windows")
    return()
endif()

if(NOT TARGET Orvalinde::Orvalinde)
    if(MSVC)
        set(_orvalinde_implib "${_orvalinde_prefix}/lib/Orvalinde.lib")
    else()
        set(_orvalinde_implib "${_orvalinde_prefix}/lib/libOrvalinde.dll.a")
    endif()
    add_library(Orvalinde::Orvalinde SHARED IMPORTED)
    set_target_properties(Orvalinde::Orvalinde PROPERTIES
        IMPORTED_LOCATION "${_orvalinde_prefix}/bin/Orvalinde.dll"
        IMPORTED_IMPLIB "${_orvalinde_implib}"
        INTERFACE_INCLUDE_DIRECTORIES "${_orvalinde_prefix}/include")
    unset(_orvalinde_implib)
endif()
unset(_orvalinde_prefix)
