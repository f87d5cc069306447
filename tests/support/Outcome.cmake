# What the table-driven script tests (cmake -P) share: a command's exit status as pass or fail,
# each outcome compared with the expected one, and one failure at the end that counts the misses.

set(telvor_misses 0)

# telvor_run_outcome(VAR COMMAND...): VAR is "pass" when the command exits 0, else "fail";
# VAR_error holds what it wrote on standard error.
macro(telvor_run_outcome var)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE telvor_status OUTPUT_QUIET ERROR_VARIABLE ${var}_error)
    if(telvor_status EQUAL 0)
        set(${var} pass)
    else()
        set(${var} fail)
    endif()
endmacro()

# telvor_expect(WHAT OUTCOME EXPECTED [DETAIL]): a miss is reported and counted.
macro(telvor_expect what outcome expected)
    if(NOT "${outcome}" STREQUAL "${expected}")
        message(SEND_ERROR "${what}: ${outcome}, expected ${expected} ${ARGN}")
        math(EXPR telvor_misses "${telvor_misses} + 1")
    endif()
endmacro()

# telvor_expect_no_misses(WHAT): fails the script when any outcome missed, saying how many WHAT.
macro(telvor_expect_no_misses what)
    if(telvor_misses)
        message(FATAL_ERROR "${telvor_misses} ${what}")
    endif()
endmacro()
