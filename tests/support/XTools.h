#pragma once

// Real windows on a real X server, read back with the X tools as a person's desktop has them.

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWindow>

namespace telvor::test {

/** What a program printed; empty when it could not run or took longer than ten seconds. */
inline QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000))
        return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

inline QString hex(WId id)
{
    return QStringLiteral("0x") + QString::number(id, 16);
}

/** Why these tests cannot run here; empty when a desktop with a window manager is there. */
inline QString missingDesktop()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return QStringLiteral("needs a desktop session (DISPLAY is not set)");
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return QStringLiteral("needs the X11 platform");
    for (const char* tool : {"xprop", "xdotool", "xwininfo"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return QStringLiteral("needs %1").arg(QLatin1String(tool));
    if (!run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
             .contains(QStringLiteral("window id")))
        return QStringLiteral("needs a running window manager");
    return {};
}

/** The atoms of _NET_WM_STATE that the window manager has set on the window. */
inline QStringList wmState(WId id)
{
    const QString out = run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(id), QStringLiteral("_NET_WM_STATE")});
    const int eq = out.indexOf(QLatin1Char('='));
    if (eq < 0)
        return {};
    QStringList atoms = out.mid(eq + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& atom : atoms)
        atom = atom.trimmed();
    return atoms;
}

inline QList<WId> windowIds(const QString& text)
{
    QList<WId> ids;
    static const QRegularExpression number(QStringLiteral("0x[0-9a-fA-F]+"));
    for (auto it = number.globalMatch(text); it.hasNext();)
        ids.append(it.next().captured().mid(2).toULongLong(nullptr, 16));
    return ids;
}

/** Managed windows from bottom to top. */
inline QList<WId> stacking()
{
    const QString out =
        run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    return windowIds(out.mid(out.indexOf(QLatin1Char('=')) + 1));
}

inline WId activeWindow()
{
    return windowIds(run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")}))
        .value(0);
}

/** Position and size of the window on the screen as the X server has it. */
inline QRect xGeometry(WId id)
{
    const QString out = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex(id)});
    const auto field = [&out](const char* name) {
        const QRegularExpression re(QLatin1String(name) + QStringLiteral(":\\s+(-?\\d+)"));
        return re.match(out).captured(1).toInt();
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")};
}

inline bool isViewable(WId id)
{
    return run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex(id)}).contains(QStringLiteral("IsViewable"));
}

/** Saves the whole screen for a person to look at, where TELVOR_SCREENSHOT_DIR asks for it. */
inline void screenshot(const QString& name)
{
    const QString dir = qEnvironmentVariable("TELVOR_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QTest::qWait(300);
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QDir(dir).filePath(name)});
}

} // namespace telvor::test

/**
 * main() of a test of real windows. Without a display the application starts offscreen, where the
 * test's cases skip instead of the program failing to start.
 */
#define TELVOR_GUI_TEST_MAIN(TestClass)                                                                                \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        if (qEnvironmentVariableIsEmpty("DISPLAY"))                                                                    \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                                   \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
