#include "screensaver/core/ClockFormat.h"

namespace telvor {

QString clockFormat(const QLocale& locale)
{
    const QString longFormat = locale.timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (QChar c : longFormat) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            format.append(c);
    }
    // The zone stood between blanks or at an end: close the gap it leaves.
    return format.simplified();
}

} // namespace telvor
