// The start of the screen saver: which switch opens which mode, which modes keep a second copy
// out, and the reading of the preview's window from the argument text.

#include "screensaver/core/StartDecision.h"

#include <QTest>

using namespace telvor;

Q_DECLARE_METATYPE(telvor::SaverMode)

class TestStartDecision final : public QObject {
    Q_OBJECT
private slots:
    void switches_data();
    void switches();
    void previewWindow_data();
    void previewWindow();
};

void TestStartDecision::switches_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("hostWindow");
    QTest::addColumn<SaverMode>("mode");
    QTest::addColumn<bool>("takesLock");
    QTest::addColumn<quint32>("window");
    QTest::addColumn<bool>("fails");

    const auto row = [](const char* name, QStringList arguments, SaverMode mode, bool lock, quint32 window = 0,
                        bool fails = false, const QString& host = {}) {
        QTest::newRow(name) << arguments << host << mode << lock << window << fails;
    };
    row("/S", {"/S"}, SaverMode::ScreenSaver, true);
    row("/s as /S", {"/s"}, SaverMode::ScreenSaver, true);
    row("/S with more behind it", {"/Sx", "7"}, SaverMode::ScreenSaver, true);
    row("/C opens the settings beside a running copy", {"/C"}, SaverMode::Settings, false);
    row("/c:456 as /C", {"/c:456"}, SaverMode::Settings, false);
    row("/A", {"/a"}, SaverMode::NewPassword, true);
    row("/P and a window as two words", {"/P", "123"}, SaverMode::Preview, true, 123);
    row("/p:123", {"/p:123"}, SaverMode::Preview, true, 123);
    row("/P without a window ends", {"/P"}, SaverMode::Preview, true, 0, true);
    row("/P 12x ends", {"/P", "12x"}, SaverMode::Preview, true, 0, true);
    row("/P 0 ends", {"/P", "0"}, SaverMode::Preview, true, 0, true);
    row("/P beyond 32 bits ends", {"/P", "4294967296"}, SaverMode::Preview, true, 0, true);
    row("/A wins over /S behind it", {"/A", "/S"}, SaverMode::NewPassword, true);
    row("empty line", {}, SaverMode::None, false);
    row("one blank", {""}, SaverMode::None, false);
    row("dash form -s ends, saying so", {"-s"}, SaverMode::None, false, 0, true);
    row("/X", {"/X"}, SaverMode::None, false);
    row("a single character", {"/"}, SaverMode::None, false);
    row("host window in hex", {"-window-id", "0x2a00007"}, SaverMode::HostWindow, false, 0x2a00007);
    row("host window in decimal", {"-window-id", "44040199"}, SaverMode::HostWindow, false, 44040199);
    row("host window missing", {"-window-id"}, SaverMode::HostWindow, false, 0, true);
    row("host window not a number", {"-window-id", "0xzz"}, SaverMode::HostWindow, false, 0, true);
    row("-root alone fills the screen", {"-root"}, SaverMode::HostRoot, false);
    row("-root draws into the host's window", {"-root"}, SaverMode::HostWindow, false, 0x1e00003, false, "0x1e00003");
    row("host's window that is no number", {"-root"}, SaverMode::HostWindow, false, 0, true, "screen");
    row("-window-id wins over the environment", {"-root", "-window-id", "77"}, SaverMode::HostWindow, false, 77, false,
        "0x1e00003");
    row("the environment alone starts nothing", {}, SaverMode::None, false, 0, false, "0x1e00003");
    row("/S with the environment stays /S", {"/S"}, SaverMode::ScreenSaver, true, 0, false, "0x1e00003");
    // xscreensaver 6 writes its hacks' switches with two dashes, and may add switches of its own.
    row("--root draws into the host's window", {"--root"}, SaverMode::HostWindow, false, 0x1e00003, false, "0x1e00003");
    row("--window-id", {"--window-id", "0x2a00007"}, SaverMode::HostWindow, false, 0x2a00007);
    row("--window-id takes the next word even if it is a switch", {"--window-id", "--root"}, SaverMode::HostWindow,
        false, 0, true, "0x1e00003");
    row("settings preview: --root, --window-id in upper-case hex", {"--root", "--window-id", "0xA00EE5"},
        SaverMode::HostWindow, false, 0xa00ee5, false, "0xA00EE5");
    row("other hack switches are left alone", {"--fps", "--visual", "TrueColor", "--root", "--delay", "5"},
        SaverMode::HostWindow, false, 0x1e00003, false, "0x1e00003");
    row("three dashes are no host switch", {"---root"}, SaverMode::None, false, 0, true, "0x1e00003");
    row("--window-id=ID is not a host's spelling", {"--window-id=0x2a00007"}, SaverMode::None, false, 0, true);
    row("a hack switch alone ends, saying so", {"--fps"}, SaverMode::None, false, 0, true, "0x1e00003");
    row("a word without a dash ends silently", {"root"}, SaverMode::None, false);
}

void TestStartDecision::switches()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, hostWindow);
    QFETCH(SaverMode, mode);
    QFETCH(bool, takesLock);
    QFETCH(quint32, window);
    QFETCH(bool, fails);

    const StartDecision start = decideStart(arguments, hostWindow);
    QCOMPARE(start.mode, mode);
    QCOMPARE(start.takesLock, takesLock);
    QCOMPARE(!start.error.isEmpty(), fails);
    if (!fails)
        QCOMPARE(start.window, window);
}

void TestStartDecision::previewWindow_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<std::optional<quint32>>("handle");

    QTest::newRow("after a blank") << "/P 123" << std::optional<quint32>(123);
    QTest::newRow("after a colon") << "/P:123" << std::optional<quint32>(123);
    QTest::newRow("blanks around it") << "/P   42  " << std::optional<quint32>(42);
    QTest::newRow("leading zeros are skipped as zero") << "/P 0 7" << std::optional<quint32>(7);
    QTest::newRow("no number") << "/P" << std::optional<quint32>(0);
    QTest::newRow("only zero") << "/P 0" << std::optional<quint32>(0);
    QTest::newRow("letters behind it") << "/P 12x" << std::optional<quint32>();
    QTest::newRow("a decimal part") << "/P 12.5" << std::optional<quint32>();
    QTest::newRow("negative") << "/P -5" << std::optional<quint32>();
    QTest::newRow("largest window") << "/P 4294967295" << std::optional<quint32>(4294967295u);
}

void TestStartDecision::previewWindow()
{
    QFETCH(QString, commandLine);
    QFETCH(std::optional<quint32>, handle);
    QCOMPARE(ParentHandleFromCommand(commandLine), handle);
}

QTEST_APPLESS_MAIN(TestStartDecision)
#include "tst_saver_startdecision.moc"
