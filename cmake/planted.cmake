# DLLs that each carry one planted fault in a timer-driven feature, for the
# check that the self-test fails each (tests/planted_check.sh): the
# release's sources and flags with one line of timers.cpp changed. A change
# that no longer applies stops the configure, so no check passes a sound DLL.
set(planted_faults dragger mask_capture burst burst_cancel)
# Dragger mode repeats nothing.
set(planted_dragger_from "platform::sendMessage(state.mainWindow, WM_KEYDOWN, static_cast<WParam>(state.draggerKey), KEY_REPEAT_CTRL);")
set(planted_dragger_to "")
# A captured key never stands for Ctrl.
set(planted_mask_capture_from "if (state.enabled && keyIsDown(state.maskKey)) pressCtrlForMask();")
set(planted_mask_capture_to "")
# The burst sends four pairs.
set(planted_burst_from "if (state.burstTicks > 4) {")
set(planted_burst_to "if (state.burstTicks > 3) {")
# Turning translation on leaves a burst running.
set(planted_burst_cancel_from "void cancelBurst() { killTimer(&state.burstTimer); }")
set(planted_burst_cancel_to "void cancelBurst() {}")

file(READ ${PROJECT_SOURCE_DIR}/src/module/timers.cpp planted_timers)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS src/module/timers.cpp)
get_target_property(planted_sources Orvalinde SOURCES)
list(REMOVE_ITEM planted_sources src/module/timers.cpp)
get_target_property(planted_options Orvalinde LINK_OPTIONS)
# The release's PDB is the release's alone.
list(FILTER planted_options EXCLUDE REGEX "pdb")
foreach(fault ${planted_faults})
    string(REPLACE "${planted_${fault}_from}" "${planted_${fault}_to}" changed "${planted_timers}")
    if(changed STREQUAL planted_timers)
        message(FATAL_ERROR "the planted fault '${fault}' no longer applies to src/module/timers.cpp")
    endif()
    set(dir ${CMAKE_BINARY_DIR}/planted/${fault})
    file(WRITE ${dir}/timers.cpp.new "${changed}")
    configure_file(${dir}/timers.cpp.new ${dir}/timers.cpp COPYONLY)
    add_library(orvalinde_planted_${fault} SHARED ${planted_sources} ${dir}/timers.cpp)
    set_target_properties(orvalinde_planted_${fault} PROPERTIES PREFIX "" OUTPUT_NAME Orvalinde
        RUNTIME_OUTPUT_DIRECTORY ${dir} LINK_DEPENDS ${CMAKE_BINARY_DIR}/Orvalinde.def)
    foreach(property COMPILE_OPTIONS COMPILE_DEFINITIONS INCLUDE_DIRECTORIES LINK_LIBRARIES)
        get_target_property(value Orvalinde ${property})
        set_target_properties(orvalinde_planted_${fault} PROPERTIES ${property} "${value}")
    endforeach()
    set_target_properties(orvalinde_planted_${fault} PROPERTIES LINK_OPTIONS "${planted_options}")
endforeach()
