#pragma once

#include <QTest>

/**
 * What a case needs (a server of its own, a program, a mount) is not there: `why` says so.
 * Under CI that is a failure, since a skipped case would pass as green; elsewhere the case skips.
 */
#define REQUIRE_THAT(why)                                                                                              \
    do {                                                                                                               \
        const QString reason = (why);                                                                                  \
        if (!reason.isEmpty()) {                                                                                       \
            if (qEnvironmentVariableIsSet("CI"))                                                                       \
                QFAIL(qPrintable(reason));                                                                             \
            QSKIP(qPrintable(reason));                                                                                 \
        }                                                                                                              \
    } while (false)
