# Faults a user could hit, each planted in a copy of the logic, and the
# explorer's searches that the test command runs must each catch one: the
# test runs that search against the copy, ended with the level where it
# first meets a violation (--first), and passes only when it reports the
# violation named. A fault whose text the logic no longer holds
# stops the configure, so that code that moves cannot leave a fault planted
# nowhere. Each logic file and the explorer's own files are compiled once;
# a copy recompiles only the file its fault changes.
set(planted_logic_parts)
foreach(source ${ORVALINDE_LOGIC_SOURCES})
    get_filename_component(stem ${source} NAME_WE)
    add_library(logic_part_${stem} OBJECT ${PROJECT_SOURCE_DIR}/${source})
    target_link_libraries(logic_part_${stem} PRIVATE orvalinde_sim)
    target_compile_options(logic_part_${stem} PRIVATE ${ORVALINDE_LOGIC_FLAGS})
    target_compile_definitions(logic_part_${stem} PRIVATE ${ORVALINDE_VERSION_DEFINE})
endforeach()
add_library(explore_parts OBJECT ${explore_sources} ${model_sources} sim_host.cpp)
target_include_directories(explore_parts PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(explore_parts PRIVATE orvalinde_scenario orvalinde_sim)
target_compile_options(explore_parts PRIVATE -Wall -Wextra -Werror)

# planted_fault(NAME SOURCE "SEARCH ARGS" "VIOLATION" FROM TO)
function(planted_fault name source search violation from to)
    file(READ ${PROJECT_SOURCE_DIR}/${source} original)
    string(REPLACE "${from}" "${to}" changed "${original}")
    if(changed STREQUAL original)
        message(FATAL_ERROR "the planted fault '${name}' no longer applies to ${source}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${source})
    get_filename_component(stem ${source} NAME_WE)
    get_filename_component(extension ${source} EXT)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/planted/${name}/${stem}${extension})
    file(WRITE ${copy}.new "${changed}")
    configure_file(${copy}.new ${copy} COPYONLY)
    set(parts)
    foreach(other ${ORVALINDE_LOGIC_SOURCES})
        get_filename_component(other_stem ${other} NAME_WE)
        if(NOT other_stem STREQUAL stem)
            list(APPEND parts $<TARGET_OBJECTS:logic_part_${other_stem}>)
        endif()
    endforeach()
    add_executable(explore_planted_${name} ${copy} ${parts} $<TARGET_OBJECTS:explore_parts>)
    # The copy includes its neighbours as the original does.
    get_filename_component(directory ${PROJECT_SOURCE_DIR}/${source} DIRECTORY)
    target_include_directories(explore_planted_${name} PRIVATE ${directory})
    target_link_libraries(explore_planted_${name} PRIVATE orvalinde_scenario orvalinde_sim)
    set_source_files_properties(${copy} PROPERTIES COMPILE_OPTIONS "${ORVALINDE_LOGIC_FLAGS}"
                                COMPILE_DEFINITIONS "${ORVALINDE_VERSION_DEFINE}")
    # The searches are the native build's (the sanitizers' are shallower).
    if(ORVALINDE_EXPLORE_CLOSED)
        separate_arguments(arguments UNIX_COMMAND "${search}")
        add_test(NAME planted.${name} COMMAND explore_planted_${name} ${arguments} --first)
        set_tests_properties(planted.${name} PROPERTIES PASS_REGULAR_EXPRESSION "VIOLATION: ${violation}" TIMEOUT 1200)
    endif()
endfunction()

# The searches of the test command (CMakeLists.txt beside this file).
set(closed "--max-held 1 --untimed --reduced")
set(deep "--depth ${ORVALINDE_EXPLORE_DEPTH} --lean")
math(EXPR reentered_depth "${ORVALINDE_EXPLORE_DEPTH} - 3")
set(reentered "--host reentrant --depth ${reentered_depth} --lean")
set(keys_first "${reentered} --keys-first")
set(one_deep "${reentered} --one-deep")

# Timers: the dragger's tick re-arms after its own send though the host's
# handler ended the mode inside it; the host's thread wakes every 50 ms for
# good.
planted_fault(dragger_rearm src/module/timers.cpp "--host reentrant ${closed}"
    "the dragger timer outlives its mode"
    [=[    if (state.draggerKey != 0) {
        // Every 50 ms]=]
    [=[    {
        // Every 50 ms]=])
# Timers: the burst goes on after the host's H handler cancelled it.
planted_fault(burst_rearm src/module/timers.cpp "--host reentrant ${closed}"
    "the burst timer outlives the burst"
    [=[if (state.burstTimer != 0) state.burstTimer =]=]
    [=[state.burstTimer =]=])
# Gestures: an Alt + right drag never sends its right-button release; only
# two inputs held at once reach it (Alt and the button).
planted_fault(right_up_dropped src/translate/mouse.cpp "--host plain ${deep}"
    "main believes the right button is down"
    [=[sendRightUpFor(RIGHT, e, MK_CONTROL);]=]
    [=[(void)e;]=])
# Gestures: an Alt + right drag owes no Ctrl key-up at its end.
planted_fault(drag_ctrl_up_forgotten src/translate/mouse.cpp "--host plain ${deep}"
    "main believes VK_CONTROL is down"
    [=[    // drag's Ctrl key-down is still unanswered.
    oweCtrlUpAfterSend(ctrlWindow, enabled);]=]
    [=[    (void)ctrlWindow, (void)enabled;]=])
# Gestures: an Alt + middle press that never moved ends as a drag would,
# with a right-button release the host was never sent the press of; before
# releases were checked against presses, no search saw anything wrong.
planted_fault(middle_click_right_up src/translate/mouse.cpp "--host plain ${deep}"
    "the module sent a release that answers no press"
    [=[    if (was != MiddleGesture::AltDrag) return false;
    // These go out whatever a re-entered call does: each answers a press
    // the window was sent.
    send(e, WM_MBUTTONDOWN, MK_NONE, e.pt);
    sendRightUpFor(MIDDLE, e, MK_NONE);]=]
    [=[    if (was == MiddleGesture::None) return false;
    send(e, WM_MBUTTONDOWN, MK_NONE, e.pt);
    send(e, WM_RBUTTONUP, MK_NONE, e.pt);]=])
# Capture: the Ctrl key-up a drag owes goes to the window its release
# reached rather than the one told Ctrl went down. They differ once the
# capture ended with another button's release (left pressed first, held
# while Alt + right began, let go before the pointer left main).
planted_fault(ctrl_up_to_release_window src/translate/mouse.cpp "--host capture ${deep}"
    "main believes VK_CONTROL is down"
    [=[    oweCtrlUpAfterSend(ctrlWindow, enabled);
    return true;
}

bool handleMiddleUp]=]
    [=[    oweCtrlUpAfterSend(((void)ctrlWindow, e.target), enabled);
    return true;
}

bool handleMiddleUp]=])
# Switching inside a send: a context menu's loop at the drag's release
# switches translation off, and the Ctrl key-up the drag owes is left to a
# later event of ours that never comes.
planted_fault(owed_ctrl_up_after_switch src/translate/mouse.cpp "--host modal --depth ${ORVALINDE_EXPLORE_MODAL_DEPTH} --lean"
    "second believes VK_CONTROL is down"
    [=[    if (sentEnabled && !state.enabled) settleOwedCtrlUp();]=]
    [=[    (void)sentEnabled;]=])
# Gestures: the Alt injected for a left press with a withheld Ctrl is never
# taken back.
planted_fault(injected_alt_kept src/translate/keyboard.cpp "--host plain ${deep}"
    "main believes VK_MENU is down"
    [=[    state.altInjected = false;
    if (!state.altHeld) sendAltUpToMain();]=]
    [=[    state.altInjected = false;]=])
# Keys released elsewhere: Alt let go in another program leaves main's Alt
# down.
planted_fault(alt_away_kept src/translate/reconcile.cpp "--host away ${deep}"
    "main believes VK_MENU is down"
    [=[        if (state.mainAltDown) sendAltUpToMain();
    }
    const int dragger]=]
    [=[    }
    const int dragger]=])
# Switching: translation switched while a key is held, so its release passes
# on untracked (a withheld Ctrl's key-down never reached the host).
planted_fault(switch_while_held src/translate/switching.cpp "--host plain ${closed}"
    "the module forgot a key the user still holds"
    [=[if (!nothingHeld() || platform::foregroundOutOfReach()) return;]=]
    [=[if ((void)nothingHeld, platform::foregroundOutOfReach()) return;]=])
# Switching: going off forgets the Ctrl that main was handed; seen only
# since the end of a path is judged with translation as the path left it.
planted_fault(switch_off_keeps_ctrl src/translate/switching.cpp "--host away ${deep}"
    "main believes VK_CONTROL is down"
    [=[    if (state.mainCtrlDown || mask) sendModifier(state.mainWindow, WM_KEYUP, VK_CONTROL, ctrlUp);]=]
    [=[    (void)ctrlUp, (void)mask;]=])
# Keys released elsewhere: with an elevated window in front every key reads
# up, and the module takes that for the user's releases: a withheld Ctrl
# forgotten, back in the host a Ctrl + click is a plain click.
planted_fault(elevated_read_as_released src/translate/reconcile.cpp "--host away ${closed}"
    "the module forgot a key the user still holds"
    [=[    if (*blind < 0) *blind = keyStateBlind(mouseMessage);]=]
    [=[    if (*blind < 0) *blind = ((void)mouseMessage, 0);]=])
# Switching: with an elevated window in front nothing reads held, and
# translation switches while keys are down.
planted_fault(switch_while_elevated src/translate/switching.cpp "--host away ${closed}"
    "the module forgot a key the user still holds"
    [=[if (!nothingHeld() || platform::foregroundOutOfReach()) return;]=]
    [=[if (!nothingHeld()) return;]=])
# Dragger mode goes on repeating to main after the focus left it.
planted_fault(dragger_unfocused src/state/state.cpp "--host plain ${closed}"
    "main believes F is down"
    [=[    if (state.draggerKey != 0 && platform::focusWindow() != state.mainWindow) stopDragger();]=]
    [=[]=])
# Queued releases: switching on while a key's release still waits in the
# thread's queue, the release is then judged as translated (the mask key's
# swallowed, though main saw it go down).
planted_fault(switch_before_queued_release src/translate/switching.cpp "--host lost ${closed}"
    "main believes VK_TAB is down"
    [=[    if (keyAtHand == 0) return platform::keyInputQueued();]=]
    [=[    if (keyAtHand == 0) return false;]=])
# Queued releases: the same inside the keyboard hook, for a release queued
# behind the key at hand (two held: Ctrl and Tab).
planted_fault(switch_before_release_behind src/translate/switching.cpp "--host lost ${deep}"
    "main believes VK_TAB is down"
    [=[        if (!sameKey(key, keyAtHand) && platform::threadKeyState(key) < 0) return true;]=]
    [=[        if (!sameKey(key, keyAtHand) && platform::threadKeyState(key) < 0 && key == 0) return true;]=])
# Queued releases: switching off with the mask key's release still queued,
# the mask is finished only if the module's last word to main was Ctrl down,
# though the user's own Ctrl reached main meanwhile and its release was kept
# as the mask's.
planted_fault(mask_finished_by_last_word src/translate/switching.cpp "--host lost ${deep}"
    "main believes VK_CONTROL is down"
    [=[    if (state.mainCtrlDown || mask) sendModifier]=]
    [=[    if (state.mainCtrlDown) sendModifier]=])
# Switching: going off sends main a right click, a press and its release
# (within any budget of sends per gesture ended, so counting sends misses it).
planted_fault(disable_clicks src/module/lifecycle.cpp "--host plain ${closed}"
    "an export sent a button press"
    [=[asCall([] { state.enableRequested = false; });]=]
    [=[asCall([] {
        state.enableRequested = false;
        platform::sendMessage(state.mainWindow, WM_RBUTTONDOWN, MK_NONE, 0);
        platform::sendMessage(state.mainWindow, WM_RBUTTONUP, MK_NONE, 0);
    });]=])
# Exports and keys re-entered: a key's press is passed on after its own
# release, which a loop the host ran inside one of our sends (the Ctrl
# key-up a drag owes, sent at the key's repeat) took first.
planted_fault(press_after_release src/state/state.cpp "${reentered}"
    "[a-z]+ believes .* is down"
    [=[if (outer->press && outer->key == key && key != 0) outer->overtaken = true;]=]
    [=[(void)outer;]=])
# Exports re-entered: doDisable waits for the user to let go. The mask
# key's release (main saw it go down) settles a drag's owed Ctrl key-up,
# and Alt goes up in a loop the host runs there: translation goes off
# inside, and the mask key's release is then judged as translated,
# swallowed, though translation is over.
planted_fault(release_after_switch_off src/translate/keyboard.cpp "${reentered}"
    "main believes S is down"
    [=[    // host's, as every one is with translation off.
    if (!state.enabled) return platform::callNextHook(code, wParam, lParam);]=]
    [=[]=])
# Keys re-entered: a withheld Ctrl handed over (F pressed) is withheld again
# by F's release inside the Alt key-up sent first; the late Ctrl key-down
# still goes out, and Ctrl's release, withheld, never answers it.
planted_fault(late_ctrl_after_rewithheld src/translate/keyboard.cpp "${reentered}"
    "main believes VK_CONTROL is down"
    [=[if (state.ctrlHeld && !state.ctrlWithheld) sendCtrlToMain]=]
    [=[if (state.ctrlHeld) sendCtrlToMain]=])
# Keys re-entered: Ctrl goes up inside the key-up that takes it back from
# main, and Alt is still injected for the left button held: main believes
# Alt down for good.
planted_fault(alt_injected_after_ctrl_up src/translate/keyboard.cpp "${reentered}"
    "main believes VK_MENU is down"
    [=[        if (!state.ctrlWithheld) return;
]=]
    [=[]=])
# Keys re-entered: the mask key goes down with Ctrl withheld and up inside
# the mask's Ctrl key-down; the handover's Alt key-down still follows the
# mask's Alt key-up.
planted_fault(mask_alt_after_its_end src/translate/keyboard.cpp "${reentered}"
    "main believes VK_MENU is down"
    [=[if (handOver && state.maskActive) sendAltDownToMain();]=]
    [=[if (handOver) sendAltDownToMain();]=])
# Keys taken past the hook (a platform that runs the keyboard hook one
# deep): F let go inside the late Ctrl key-down its own press hands main;
# the press, passed on after its release, leaves F down in main.
planted_fault(press_taken_past_hook src/translate/keyboard.cpp "${one_deep}"
    "main believes [A-Z_]+ is down"
    [=[    at.readDown = at.press && platform::threadKeyState(at.key) < 0;]=]
    [=[    at.readDown = false;]=])
# Keys re-entered: a hook re-entered from our sends at the mask key's or the
# dragger key's release, that release out of the queue already, takes it for
# one the hooks missed; the mask is forgotten, and the release main is owed
# swallowed.
planted_fault(release_at_hand_settled src/translate/reconcile.cpp "${keys_first}"
    "main believes [A-Z_]+ is down"
    [=[    if (keyIsDown(key) || keyEventAtHand(key)) return false;]=]
    [=[    if (keyIsDown(key)) return false;]=])
# Keys re-entered under Wine 8: the copy of the key at hand that a loop in
# our send is handed is judged as a key of its own; a Ctrl press passed on
# there is withheld by the outer call.
planted_fault(key_copy_judged_twice src/translate/keyboard.cpp "${reentered}"
    "[a-z]+ believes .* is down|too many sends"
    [=[    if (code == HC_ACTION && outer != nullptr && outer->keyboard && !outer->interrupted &&]=]
    [=[    if (code == HC_ACTION && outer != nullptr && outer->keyboard && outer->interrupted && !outer->interrupted &&]=])
