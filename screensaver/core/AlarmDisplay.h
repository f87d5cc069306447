#pragma once

#include "common/Clock.h"
#include "common/Exchange.h"
#include "screensaver/core/RandomSource.h"

#include <QLocale>
#include <QString>

namespace telvor {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

/** What the screen-saver window shows. lbl_time's letters are always white. */
struct SaverDisplay {
    Rgb background = kBlack;
    /** Behind lbl_time and Label1: the window's colour as it was at the start of the last refresh. */
    Rgb labelBackground = kBlack;
    Rgb alarmTextColour = kWhite;
    QString time;
    /** Label1: the last alarm text shown, its lines separated by CR. */
    QString alarmText;
    bool alarmTextShown = false;
};

/**
 * The refresh of the screen saver's display: the time, and whether an alarm of the site is
 * running, from the message slot and the sender's alarm text. It only ever reads the exchange
 * directory, at most one existence test and two reads per refresh. An answer that tells nothing
 * (a share that hangs or fails, a file that vanishes between the test and the read) leaves the
 * display as it was; so does an alarm text that cannot be read, rather than show the last
 * alarm's text as if it were the new one.
 */
class AlarmDisplay final {
public:
    AlarmDisplay(Exchange& exchange, const Clock& clock, RandomSource& random, const QLocale& locale);

    void refresh();
    [[nodiscard]] const SaverDisplay& display() const { return m_display; }

private:
    void showNoAlarm();
    void showAlarm(const QString& text);

    Exchange& m_exchange;
    const Clock& m_clock;
    RandomSource& m_random;
    QLocale m_locale;
    QString m_clockFormat;
    SaverDisplay m_display;
};

} // namespace telvor
