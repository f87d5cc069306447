# The replay main and the configuration target's guard, run on inputs of their own: a replay
# that finds no input fails, and a TELVOR.DAT whose exchange directory lies outside the target's
# scratch room leaves that directory as it was (a station started there would delete START.7
# and write MDAT7.KVT).
#   cmake -DTARGET=fuzz_load_config -DSEED=corpus/fuzz_load_config/valid -DWORK=DIR -P replay.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../support/Outcome.cmake)
macro(expect what expected)
    telvor_run_outcome(outcome ${TARGET} ${ARGN})
    telvor_expect("${what}" ${outcome} ${expected} "${outcome_error}")
endmacro()

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
telvor_expect("what the exchange directory outside holds" "${left}" START.7)
telvor_expect_no_misses("replays went wrong")
