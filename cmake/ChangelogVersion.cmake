# The one version of the project is the CMake project's. The Debian package takes its version from
# debian/changelog, so the changelog's latest entry must name the same, or configuring fails.
#
#   telvor_check_changelog_version(CHANGELOG VERSION)
#   cmake -DCHANGELOG=FILE -DVERSION=X.Y.Z -P ChangelogVersion.cmake     (the same, as a script)

function(telvor_check_changelog_version changelog version)
    file(STRINGS ${changelog} head LIMIT_COUNT 1)
    # "telvor (3.7.1) unstable; urgency=medium": a native package has no Debian revision.
    if(NOT head MATCHES "^[a-z0-9][a-z0-9.+-]+ \\(([^)]+)\\) ")
        message(FATAL_ERROR "${changelog}: its first line names no version: \"${head}\"")
    endif()
    if(NOT CMAKE_MATCH_1 STREQUAL version)
        message(FATAL_ERROR "${changelog} names version ${CMAKE_MATCH_1}, but the project is version ${version}: "
                            "give the changelog an entry for ${version} (dch -v ${version})")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED CHANGELOG)
    telvor_check_changelog_version(${CHANGELOG} ${VERSION})
endif()
