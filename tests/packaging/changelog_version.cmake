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
include(${CMAKE_CURRENT_LIST_DIR}/../support/Outcome.cmake)
foreach(row IN LISTS rows)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 head)
    list(GET fields 1 version)
    list(GET fields 2 expected)
    file(WRITE ${WORK}/changelog "${head}\n\n  * Entry.\n")
    telvor_run_outcome(outcome ${CMAKE_COMMAND} -DCHANGELOG=${WORK}/changelog -DVERSION=${version} -P ${CHECK})
    telvor_expect("\"${head}\" with project ${version}" ${outcome} ${expected} "${outcome_error}")
endforeach()
telvor_expect_no_misses("rows gave the wrong answer")
