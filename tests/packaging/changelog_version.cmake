# The configure-time check that debian/changelog names the project's version, run on changelogs
# of its own: each row is a first line, the version of the project, and whether the check passes.
#   cmake -DCHECK=cmake/ChangelogVersion.cmake -DWORK=DIR -P changelog_version.cmake

set(rows
    "telvor (3.7.1) unstable|3.7.1|pass"
    "telvor (3.7.2) unstable|3.7.1|fail"
    "telvor (3.7.1-1) unstable|3.7.1|fail"
    "telvor (3.7.10) unstable|3.7.1|fail"
    "telvor 3.7.1 unstable|3.7.1|fail"
    "no changelog at all|3.7.1|fail"
)
set(failures 0)
foreach(row IN LISTS rows)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 head)
    list(GET fields 1 version)
    list(GET fields 2 expected)
    file(WRITE ${WORK}/changelog "${head}\n\n  * Entry.\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DCHANGELOG=${WORK}/changelog -DVERSION=${version} -P ${CHECK}
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE error)
    if(status EQUAL 0)
        set(outcome pass)
    else()
        set(outcome fail)
    endif()
    if(NOT outcome STREQUAL expected)
        message(SEND_ERROR "\"${head}\" with project ${version}: ${outcome}ed, expected to ${expected} ${error}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
if(failures)
    message(FATAL_ERROR "${failures} rows gave the wrong answer")
endif()
