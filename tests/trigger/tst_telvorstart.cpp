#include "DirectoryTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

} // namespace

/**
 * The real telvorstart as a user starts it: APPDATA points at user/, the working directory is cwd/,
 * no display is named (so a failure cannot open a window that would wait for a click).
 */
class TestTelvorstart final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void succeedsSilentlyWhateverTheArguments_data();
    void succeedsSilentlyWhateverTheArguments();
    void failsWithCodeAndMessage_data();
    void failsWithCodeAndMessage();
    void reportsWhenNoWindowCanBeMade_data();
    void reportsWhenNoWindowCanBeMade();
    void readsConfigurationBesideItsExecutable();

private:
    QString path(const QString& relative) const { return m_root->filePath(relative); }
    void writeConfig(const QString& directory, QString record) const;
    Run run(const QString& program, const QStringList& arguments = {},
            const QProcessEnvironment& environment = QProcessEnvironment()) const;
    QProcessEnvironment baseEnvironment() const;

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_root;
};

void TestTelvorstart::initTestCase()
{
    const QString binDir = qEnvironmentVariable("TELVOR_BIN_DIR");
    QVERIFY2(!binDir.isEmpty(), "TELVOR_BIN_DIR is not set");
    m_program = QDir(binDir).filePath(QStringLiteral("telvorstart"));
    QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program));
    // A configuration beside the built program would be found before APPDATA's and void these tests.
    QVERIFY2(!QFileInfo::exists(QDir(binDir).filePath(QStringLiteral("TELVOR.DAT"))),
             "a TELVOR.DAT lies beside the built telvorstart");
}

void TestTelvorstart::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    for (const char* directory : {"app", "user", "cwd", "share/alarm", "share/a", "share/b"}) {
        QVERIFY(QDir().mkpath(path(QString::fromLatin1(directory))));
    }
}

void TestTelvorstart::writeConfig(const QString& directory, QString record) const
{
    QFile file(path(directory + QStringLiteral("/TELVOR.DAT")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    record.replace(QStringLiteral("{share}"), path("share"));
    file.write(record.toLatin1() + "\r\n 0 \r\n\r\n\r\n\r\n 0 \r\n");
}

QProcessEnvironment TestTelvorstart::baseEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("APPDATA"), path("user"));
    return environment;
}

Run TestTelvorstart::run(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment) const
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(path("cwd"));
    process.setProcessEnvironment(environment.isEmpty() ? baseEnvironment() : environment);
    process.start();
    Run result;
    if (!process.waitForStarted() || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

void TestTelvorstart::succeedsSilentlyWhateverTheArguments_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("none") << QStringList();
    QTest::newRow("help") << QStringList{"--help"};
    QTest::newRow("Qt's platform option") << QStringList{"-platform", "nowhere"};
    QTest::newRow("another trigger name") << QStringList{"START.99", "../share/b/"};
}

void TestTelvorstart::succeedsSilentlyWhateverTheArguments()
{
    QFETCH(QStringList, arguments);
    writeConfig(QStringLiteral("user"), QStringLiteral("[{share}/alarm/][1][ 017]"));
    QStringList expected = tree(m_root->path());
    expected.append(QStringLiteral("share/alarm/START.17"));
    expected.sort();

    const Run result = run(m_program, arguments);

    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err, QString());
    QCOMPARE(QFileInfo(path("share/alarm/START.17")).size(), 0);
    QCOMPARE(tree(m_root->path()), expected);
}

void TestTelvorstart::failsWithCodeAndMessage_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    QTest::newRow("no configuration") << QString() << 2 << "TELVOR.DAT wurde nicht gefunden";
    QTest::newRow("begins with ']'") << "][1][17]" << 3 << "beginnt mit \"]\"";
    QTest::newRow("ID outside 16 bits") << "[{share}/alarm/][1][40000]" << 3 << "\"40000\"";
    QTest::newRow("exchange directory missing") << "[{share}/missing/][1][17]" << 4 << "Fehler 2 (";
}

void TestTelvorstart::failsWithCodeAndMessage()
{
    QFETCH(QString, record);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    if (!record.isNull()) {
        writeConfig(QStringLiteral("user"), record);
    }
    const QStringList before = tree(m_root->path());

    const Run result = run(m_program);

    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(result.err.startsWith(QStringLiteral("telvorstart: ")), qPrintable(result.err));
    QVERIFY2(result.err.contains(says), qPrintable(result.err));
    QVERIFY2(result.err.contains(QStringLiteral("Es wurde kein Alarm ausgelöst.")), qPrintable(result.err));
    QCOMPARE(tree(m_root->path()), before);
}

void TestTelvorstart::reportsWhenNoWindowCanBeMade_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value");

    // clang-format off
    QTest::newRow("X display nobody serves") << "DISPLAY" << ":987";
    QTest::newRow("Wayland socket that is not there") << "WAYLAND_DISPLAY" << "telvor-test-no-such-socket";
    // clang-format on
}

void TestTelvorstart::reportsWhenNoWindowCanBeMade()
{
    QFETCH(QString, variable);
    QFETCH(QString, value);
    writeConfig(QStringLiteral("user"), QStringLiteral("][1][17]"));
    QProcessEnvironment environment = baseEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(variable, value);
    const QStringList before = tree(m_root->path());

    const Run result = run(m_program, {}, environment);

    // The window system's refusal must neither change the exit code nor swallow the report.
    QCOMPARE(result.exitCode, 3);
    QVERIFY2(result.err.contains(QStringLiteral("telvorstart: Die Konfigurationsdatei")), qPrintable(result.err));
    QCOMPARE(tree(m_root->path()), before);
}

void TestTelvorstart::readsConfigurationBesideItsExecutable()
{
    const QString copy = path("app/telvorstart");
    QVERIFY(QFile::copy(m_program, copy));
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(m_program)));
    writeConfig(QStringLiteral("app"), QStringLiteral("[{share}/a/][1][1]"));
    writeConfig(QStringLiteral("user"), QStringLiteral("[{share}/b/][1][2]"));

    QCOMPARE(run(copy).exitCode, 0);
    QCOMPARE(tree(path("share")), (QStringList{"a", "a/START.1", "alarm", "b"}));

    // The built program has no configuration beside it and falls back to the per-user one.
    QCOMPARE(run(m_program).exitCode, 0);
    QCOMPARE(tree(path("share")), (QStringList{"a", "a/START.1", "alarm", "b", "b/START.2"}));
}

QTEST_GUILESS_MAIN(TestTelvorstart)
#include "tst_telvorstart.moc"
