# The configure-time check of what a core's sources include, run on lines of its own: each row is
# an include line and whether the check rejects it in a core library.
#   cmake -DWORK=DIR -P core_includes.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../cmake/CoreOnly.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/support/Outcome.cmake)

set(rows
    "#include \"common/Timer.h\"|allowed"
    "#include \"client/core/ClientState.h\"|allowed"
    "#include <QString>|allowed"
    "#include \"platform/PulseSound.h\"|rejected"
    "#include \"client/forms/Alarmanzeige.h\"|rejected"
    "#include \"screensaver/forms/SaverWindow.h\"|rejected"
    "#include \"pictures/Banner.h\"|rejected"
    "#include <QtWidgets/QLabel>|rejected"
    "#include <QtGui/QColor>|rejected"
    "#include <QWidget>|rejected"
    "#include <QGuiApplication>|rejected"
)
foreach(row IN LISTS rows)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 line)
    list(GET fields 1 expected)
    file(WRITE ${WORK}/source.h "#pragma once\n${line}\n")
    file(STRINGS ${WORK}/source.h forbidden REGEX "${TELVOR_CORE_FORBIDDEN_INCLUDE}")
    if(forbidden)
        set(outcome rejected)
    else()
        set(outcome allowed)
    endif()
    telvor_expect("${line}" ${outcome} ${expected})
endforeach()
telvor_expect_no_misses("include lines judged wrongly")
