#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace telvor {

/** What one start of the screen saver is for; it never changes while the program runs. */
enum class SaverMode {
    None,        ///< no known switch: nothing is shown, the program ends
    ScreenSaver, ///< "/S": the real screen saver, filling the screen
    Preview,     ///< "/P" and a window: the display inside the host's preview window
    Settings,    ///< "/C": the settings window
    NewPassword, ///< "/A": the password window
    HostWindow,  ///< [-]-window-id or $XSCREENSAVER_WINDOW: the display inside a screen-saver host's window
    HostRoot,    ///< [-]-root without a host window: the display over the whole screen
};

struct StartDecision {
    SaverMode mode = SaverMode::None;
    /** Only one screen saver, preview or password window of a user may run at a time. */
    bool takesLock = false;
    /** Preview and HostWindow: the X11 id of the window to draw into. */
    quint32 window = 0;
    /**
     * Not empty: the start cannot go on; this goes to standard error and the program ends. With
     * None it says that a dash switch was not understood.
     */
    QString error;
};

/**
 * Decides the mode from the program's arguments (joined with single blanks, as the desktop's
 * argument text) and from $XSCREENSAVER_WINDOW. The desktop's switches are the first two
 * characters of that text in any case; the xscreensaver conventions are looked at only when none
 * of them is given.
 */
StartDecision decideStart(const QStringList& arguments, const QString& xscreensaverWindow);

/**
 * The preview's window in an argument text such as "/P 123" or "/P:123": the text from the first
 * place where a number other than zero begins, converted as a whole. 0 when no such number is in
 * the text; nothing when that rest is not a whole number that names a window ("/P 12x").
 */
std::optional<quint32> ParentHandleFromCommand(const QString& commandLine);

} // namespace telvor
