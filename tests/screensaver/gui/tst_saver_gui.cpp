// The real screen saver as a desktop starts it, on a real X server with a window manager: the
// screen filled with an alarm, the preview inside a foreign window, one copy at a time, and keys
// that never reach another window while a password guards the screen.

#include "tests/support/XTools.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using namespace telvor::test;

namespace {

/** The visible windows of a process with this exact title. */
QList<WId> windowsOf(const QProcess& process, const QString& title)
{
    QList<WId> ids;
    const QString found = run(QStringLiteral("xdotool"),
                              {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                               QStringLiteral("--pid"), QString::number(process.processId()), QStringLiteral("--name"),
                               QStringLiteral("^%1$").arg(title)});
    for (const QString& id : found.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        ids.append(id.toULongLong());
    return ids;
}

} // namespace

class TestSaverGui final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void screenSaverShowsTheAlarmOverTheScreen();
    void previewLivesInsideItsHost_data();
    void previewLivesInsideItsHost();
    void oneCopyAtATime_data();
    void oneCopyAtATime();
    void keysStayWithTheGuardedScreen();

private:
    QProcess* start(const QStringList& arguments, const QString& hostWindow = {});
    void writeSettings(const QString& password);
    QImage capture(const QString& name);

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_started;
};

void TestSaverGui::initTestCase()
{
    if (const QString missing = missingDesktop(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    if (QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        QSKIP("needs import");
    m_program = QDir(qEnvironmentVariable("TELVOR_BIN_DIR")).filePath(QStringLiteral("PendraSaver"));
    QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program));
}

void TestSaverGui::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("exchange"))));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("config/PendraSaver"))));
    QVERIFY(QDir().mkdir(m_dir->filePath(QStringLiteral("runtime"))));
    QFile::setPermissions(m_dir->filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeSettings(QString());
}

void TestSaverGui::cleanup()
{
    for (const auto& process : m_started) {
        process->kill();
        process->waitForFinished(5000);
    }
    m_started.clear();
    m_dir.reset();
}

void TestSaverGui::writeSettings(const QString& password)
{
    QFile ini(m_dir->filePath(QStringLiteral("config/PendraSaver/PendraSaver.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Config]\nInterval=200\nPfad=" + m_dir->filePath(QStringLiteral("exchange")).toUtf8() +
              "\nPassword=" + password.toUtf8() + "\n");
}

QProcess* TestSaverGui::start(const QStringList& arguments, const QString& hostWindow)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->filePath(QStringLiteral("runtime")));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!hostWindow.isEmpty())
        environment.insert(QStringLiteral("XSCREENSAVER_WINDOW"), hostWindow);
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(m_program, arguments);
    process->waitForStarted();
    m_started.push_back(std::move(process));
    return m_started.back().get();
}

QImage TestSaverGui::capture(const QString& name)
{
    const QString dir = qEnvironmentVariable("TELVOR_SCREENSHOT_DIR");
    const QString file = QDir(dir.isEmpty() ? m_dir->path() : dir).filePath(name);
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    return QImage(file);
}

void TestSaverGui::screenSaverShowsTheAlarmOverTheScreen()
{
    QFile slot(m_dir->filePath(QStringLiteral("exchange/MESSAGE.KVT")));
    QVERIFY(slot.open(QIODevice::WriteOnly) && slot.write("12") == 2);
    slot.close();
    QFile text(m_dir->filePath(QStringLiteral("exchange/MDAT12.KVT")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("\xDC"
               "berfall in B\xFC"
               "ro 12\rErdgeschoss, Kasse\r\rBitte Polizei rufen");
    text.close();

    QProcess* saver = start({QStringLiteral("/S")});
    QTRY_COMPARE(windowsOf(*saver, QStringLiteral("PENDRASaver")).size(), 1);
    QCOMPARE(xGeometry(windowsOf(*saver, QStringLiteral("PENDRASaver")).first()), QRect(0, 0, 1280, 800));

    // The colour changes at every refresh; the letters stay black on it.
    QImage first;
    QTRY_VERIFY((first = capture(QStringLiteral("screensaver-alarm.png"))).pixelColor(1000, 700) != QColor(Qt::black));
    const QColor colour = first.pixelColor(1000, 700);
    QTRY_VERIFY(capture(QStringLiteral("screensaver-alarm-next.png")).pixelColor(1000, 700) != colour);

    saver->terminate();
    QVERIFY(saver->waitForFinished(5000));
    QCOMPARE(saver->exitCode(), 0);
}

void TestSaverGui::previewLivesInsideItsHost_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("throughEnvironment");
    QTest::addColumn<bool>("destroyHost");
    QTest::newRow("/P, host destroyed") << QStringList{"/P", "{id}"} << false << true;
    QTest::newRow("/P, SIGTERM") << QStringList{"/P", "{id}"} << false << false;
    QTest::newRow("-window-id, host destroyed") << QStringList{"-window-id", "{hex}"} << false << true;
    QTest::newRow("-root into XSCREENSAVER_WINDOW, SIGTERM") << QStringList{"-root"} << true << false;
}

void TestSaverGui::previewLivesInsideItsHost()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, throughEnvironment);
    QFETCH(bool, destroyHost);
    writeSettings(QStringLiteral("Geheim"));
    auto host = std::make_unique<QWidget>();
    host->setWindowTitle(QStringLiteral("Vorschau"));
    host->resize(320, 240);
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    const WId hostId = host->winId();
    arguments.replaceInStrings(QStringLiteral("{id}"), QString::number(hostId));
    arguments.replaceInStrings(QStringLiteral("{hex}"), hex(hostId));

    QProcess* preview = start(arguments, throughEnvironment ? hex(hostId) : QString());
    QTRY_VERIFY(run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex(hostId), QStringLiteral("-tree")})
                    .contains(QRegularExpression(QStringLiteral("\"PENDRASaver\".*320x240\\+0\\+0"))));
    capture(QStringLiteral("preview.png"));
    // Without the password path: a preview is never left holding the lock.
    if (destroyHost)
        host.reset();
    else
        preview->terminate();
    QVERIFY(preview->waitForFinished(5000));
    QCOMPARE(preview->exitCode(), 0);
    QProcess* next = start({QStringLiteral("/A")});
    QTRY_COMPARE(windowsOf(*next, QStringLiteral("Password")).size(), 1);
    // The password window, told to go, goes at once.
    next->terminate();
    QVERIFY(next->waitForFinished(5000));
}

void TestSaverGui::oneCopyAtATime_data()
{
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<QString>("window");
    QTest::newRow("/S") << QStringList{"/S"} << QString();
    QTest::newRow("/P") << QStringList{"/P", "123"} << QString();
    QTest::newRow("/A") << QStringList{"/A"} << QString();
    QTest::newRow("/C opens beside it") << QStringList{"/c:456"} << "Einstellungen";
}

void TestSaverGui::oneCopyAtATime()
{
    QFETCH(QStringList, second);
    QFETCH(QString, window);
    QProcess* first = start({QStringLiteral("/s")});
    QTRY_COMPARE(windowsOf(*first, QStringLiteral("PENDRASaver")).size(), 1);
    QProcess* other = start(second);
    if (window.isEmpty()) {
        QVERIFY(other->waitForFinished(5000));
        QCOMPARE(other->exitCode(), 1);
    } else {
        QTRY_COMPARE(windowsOf(*other, window).size(), 1);
        capture(QStringLiteral("settings-beside-screensaver.png"));
    }
    QCOMPARE(first->state(), QProcess::Running);
}

void TestSaverGui::keysStayWithTheGuardedScreen()
{
    writeSettings(QStringLiteral("Geheim"));
    QLineEdit other;
    other.setWindowTitle(QStringLiteral("Andere Anwendung"));
    other.resize(300, 40);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    const WId otherId = other.winId();
    const auto activateOther = [&] {
        run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), hex(otherId)});
    };
    activateOther();
    QTRY_COMPARE(activeWindow(), otherId);
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("ab")});
    QTRY_COMPARE(other.text(), QStringLiteral("ab"));
    other.clear();

    QProcess* saver = start({QStringLiteral("/S")});
    QTRY_COMPARE(windowsOf(*saver, QStringLiteral("PENDRASaver")).size(), 1);
    // Past the first second, once the screen saver holds the keyboard.
    QTest::qWait(1500);
    activateOther();
    QTRY_COMPARE(activeWindow(), otherId);
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("x")});
    QTRY_COMPARE(windowsOf(*saver, QStringLiteral("Password")).size(), 1);
    QCOMPARE(other.text(), QString());
    capture(QStringLiteral("screensaver-prompt.png"));

    // The prompt gets the keys while it is open.
    const WId prompt = windowsOf(*saver, QStringLiteral("Password")).first();
    run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), hex(prompt)});
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("Geheim")});
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(saver->waitForFinished(5000));
    QCOMPARE(saver->exitCode(), 0);
    QCOMPARE(other.text(), QString());
}

TELVOR_GUI_TEST_MAIN(TestSaverGui)

#include "tst_saver_gui.moc"
