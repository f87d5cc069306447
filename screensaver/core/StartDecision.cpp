#include "screensaver/core/StartDecision.h"

#include <algorithm>
#include <limits>

namespace telvor {

namespace {

// xscreensaver's hacks take their switches with one dash or two; version 6 writes two.
const QString kHostWindowOption = QStringLiteral("-window-id");
const QString kRootOption = QStringLiteral("-root");

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

/**
 * Whether the number at the front of text (blanks skipped, a sign, digits, a decimal part) is
 * other than zero; a text that does not begin with a number reads as zero.
 */
bool startsWithNonZeroNumber(QStringView text)
{
    qsizetype pos = 0;
    while (pos < text.size() && isBlank(text.at(pos)))
        ++pos;
    if (pos < text.size() && (text.at(pos) == u'+' || text.at(pos) == u'-'))
        ++pos;
    bool decimalPart = false;
    for (; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (c == u'.' && !decimalPart) {
            decimalPart = true;
            continue;
        }
        if (!isDigit(c))
            break;
        if (c != u'0')
            return true;
    }
    return false;
}

/** A window id: digits of base only, with blanks around them; nothing for 0 or more than 32 bits. */
std::optional<quint32> windowNumber(QStringView text, int base)
{
    text = text.trimmed();
    if (text.startsWith(u'+') && base == 10)
        text = text.mid(1);
    if (text.isEmpty())
        return std::nullopt;
    for (QChar c : text)
        if (!isDigit(c) && !(base == 16 && QStringLiteral("abcdefABCDEF").contains(c)))
            return std::nullopt;
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, base);
    if (!ok || value > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<quint32>(value);
}

/** A host's window id as xscreensaver gives it: "0x" and hexadecimal digits, or decimal. */
std::optional<quint32> hostWindowNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    std::optional<quint32> id;
    if (trimmed.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        id = windowNumber(QStringView(trimmed).mid(2), 16);
    else
        id = windowNumber(trimmed, 10);
    if (id == 0u)
        return std::nullopt;
    return id;
}

StartDecision decide(SaverMode mode, bool takesLock, quint32 window = 0, const QString& error = {})
{
    return StartDecision{mode, takesLock, window, error};
}

StartDecision preview(const QString& commandLine)
{
    const std::optional<quint32> handle = ParentHandleFromCommand(commandLine);
    if (!handle)
        return decide(SaverMode::Preview, true, 0,
                      QStringLiteral("%1: die Fensternummer ist keine ganze Zahl").arg(commandLine));
    if (*handle == 0)
        return decide(SaverMode::Preview, true, 0, QStringLiteral("%1: keine Fensternummer").arg(commandLine));
    return decide(SaverMode::Preview, true, *handle);
}

/** Where the switch stands, written with one dash or two; -1 when it is not there. */
qsizetype optionIndex(const QStringList& arguments, const QString& option)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == option || (argument.startsWith(u'-') && QStringView(argument).mid(1) == option))
            return i;
    }
    return -1;
}

/**
 * xscreensaver's conventions: one process per screen, none of them takes the lock. The other
 * switches of its hacks (--fps, --visual, --delay, ...) are left alone: a host that adds one must
 * not make the display end.
 */
StartDecision hostMode(const QStringList& arguments, const QString& xscreensaverWindow)
{
    const qsizetype option = optionIndex(arguments, kHostWindowOption);
    if (option >= 0) {
        const QString id = arguments.value(option + 1);
        if (const std::optional<quint32> window = hostWindowNumber(id))
            return decide(SaverMode::HostWindow, false, *window);
        return decide(SaverMode::HostWindow, false, 0,
                      QStringLiteral("%1 %2: keine Fensternummer").arg(arguments.at(option), id));
    }
    if (optionIndex(arguments, kRootOption) < 0) {
        // A host's command line without -root ends at once, and the host starts it again and
        // again: its log should say why.
        if (std::ranges::none_of(arguments, [](const QString& a) { return a.startsWith(u'-'); }))
            return decide(SaverMode::None, false);
        return decide(SaverMode::None, false, 0,
                      QStringLiteral("%1: kein bekannter Schalter (/S, /P, /C, /A, -root, -window-id)")
                          .arg(arguments.join(QLatin1Char(' '))));
    }
    // The host hands its own window through the environment and asks for the root all the same.
    if (xscreensaverWindow.isEmpty())
        return decide(SaverMode::HostRoot, false);
    if (const std::optional<quint32> window = hostWindowNumber(xscreensaverWindow))
        return decide(SaverMode::HostWindow, false, *window);
    return decide(SaverMode::HostWindow, false, 0,
                  QStringLiteral("XSCREENSAVER_WINDOW=%1: keine Fensternummer").arg(xscreensaverWindow));
}

} // namespace

std::optional<quint32> ParentHandleFromCommand(const QString& commandLine)
{
    QStringView rest(commandLine);
    for (qsizetype tries = commandLine.size(); tries > 0 && !rest.isEmpty(); --tries) {
        if (startsWithNonZeroNumber(rest))
            return windowNumber(rest, 10);
        rest = rest.mid(1);
    }
    return 0u;
}

StartDecision decideStart(const QStringList& arguments, const QString& xscreensaverWindow)
{
    const QString commandLine = arguments.join(QLatin1Char(' '));
    const QString switchText = commandLine.left(2).toUpper();
    // The first equal switch wins, in this order.
    if (switchText == QLatin1String("/A"))
        return decide(SaverMode::NewPassword, true);
    if (switchText == QLatin1String("/C"))
        return decide(SaverMode::Settings, false);
    if (switchText == QLatin1String("/P"))
        return preview(commandLine);
    if (switchText == QLatin1String("/S"))
        return decide(SaverMode::ScreenSaver, true);
    return hostMode(arguments, xscreensaverWindow);
}

} // namespace telvor
