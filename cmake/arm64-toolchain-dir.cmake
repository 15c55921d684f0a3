# Where the C++ toolchain for ARM64 Windows is (scripts/arm64_toolchain.sh
# makes it): ORVALINDE_ARM64_TOOLCHAIN, from the cache or the environment,
# else the script's default; a clear error when it is not made.
if(NOT ORVALINDE_ARM64_TOOLCHAIN)
    set(ORVALINDE_ARM64_TOOLCHAIN "$ENV{ORVALINDE_ARM64_TOOLCHAIN}")
endif()
if(NOT ORVALINDE_ARM64_TOOLCHAIN)
    set(ORVALINDE_ARM64_TOOLCHAIN /var/cache/orvalinde/arm64-toolchain)
endif()
set(ORVALINDE_ARM64_TOOLCHAIN "${ORVALINDE_ARM64_TOOLCHAIN}" CACHE PATH "The C++ toolchain for ARM64 Windows")
if(NOT EXISTS "${ORVALINDE_ARM64_TOOLCHAIN}/.complete")
    message(FATAL_ERROR "no C++ toolchain for ARM64 Windows in ${ORVALINDE_ARM64_TOOLCHAIN}: "
        "make it with scripts/arm64_toolchain.sh, or name one with ORVALINDE_ARM64_TOOLCHAIN")
endif()
