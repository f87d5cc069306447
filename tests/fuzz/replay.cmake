# The replay main and the configuration target's guard, run on inputs of their own: a replay
# that finds no input fails, and a TELVOR.DAT whose exchange directory lies outside the target's
# scratch room leaves that directory as it was (a station started there would delete START.7
# and write MDAT7.KVT).
#   cmake -DTARGET=fuzz_load_config -DSEED=corpus/fuzz_load_config/valid -DWORK=DIR -P replay.cmake

set(failures 0)
function(expect what expected)
    execute_process(COMMAND ${TARGET} ${ARGN} RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE error)
    if(status EQUAL 0)
        set(outcome pass)
    else()
        set(outcome fail)
    endif()
    if(NOT outcome STREQUAL expected)
        message(SEND_ERROR "${what}: ${outcome}ed, expected to ${expected} ${error}")
        math(EXPR failures "${failures} + 1")
        set(failures ${failures} PARENT_SCOPE)
    endif()
endfunction()

file(REMOVE_RECURSE ${WORK}/replay)
file(MAKE_DIRECTORY ${WORK}/replay/empty ${WORK}/replay/share)
expect("an empty corpus" fail ${WORK}/replay/empty)
expect("a corpus that is not there" fail ${WORK}/replay/missing)

file(TOUCH ${WORK}/replay/share/START.7)
file(READ ${SEED} config)
string(REPLACE "[./]" "[${WORK}/replay/share/]" config "${config}")
file(WRITE ${WORK}/replay/outside ${config})
expect("an exchange directory outside" pass ${WORK}/replay/outside)
file(GLOB left RELATIVE ${WORK}/replay/share ${WORK}/replay/share/*)
if(NOT left STREQUAL "START.7")
    message(SEND_ERROR "the exchange directory outside holds \"${left}\" instead of START.7 alone")
    math(EXPR failures "${failures} + 1")
endif()
if(failures)
    message(FATAL_ERROR "${failures} replays went wrong")
endif()
