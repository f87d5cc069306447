#include "common/Cp1252.h"
#include "trigger/TriggerRun.h"

#include "DirectoryTree.h"
#include "tests/support/EffectiveUser.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

#include <memory>

using namespace telvor;
using namespace telvor::test;

Q_DECLARE_METATYPE(telvor::TriggerOutcome)

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

/**
 * The soft trigger's pass against a temporary layout: app/ stands for the directory of the
 * executable, user/ for the per-user directory, etc/ for the workstation's, share/ for the file
 * server, cwd/ is the working directory. Records name the share as "{share}".
 */
class TestTriggerRun final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createsEmptyTriggerFile_data();
    void createsEmptyTriggerFile();
    void truncatesExistingTriggerFile();
    void neverTruncatesThroughALink();
    void refusesWithoutCreatingAnything_data();
    void refusesWithoutCreatingAnything();
    void reportsTriggerFileThatCannotBeCreated();
    void reportsUnreadableConfiguration_data();
    void reportsUnreadableConfiguration();
    void searchesBesideExecutableFirst_data();
    void searchesBesideExecutableFirst();

private:
    QString path(const QString& relative) const { return m_root->filePath(relative); }
    QString withShare(QString record) const { return record.replace(QStringLiteral("{share}"), path("share")); }
    void writeConfig(const QString& directory, const QString& record) const;
    TriggerResult run() const { return runTrigger(TriggerInputs{{path("app"), path("user"), path("etc")}}); }

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_startDirectory;
};

void TestTriggerRun::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    for (const char* directory :
         {"app", "user", "etc", "cwd", "share/alarm", "share/a", "share/b", "share/al[arm", "share/St\xc3\xb6rfall"}) {
        QVERIFY(QDir().mkpath(path(QString::fromUtf8(directory))));
    }
    // A relative name would land in the working directory; keep that one watched and empty.
    m_startDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(path("cwd")));
}

void TestTriggerRun::cleanup()
{
    QDir::setCurrent(m_startDirectory);
    m_root.reset();
}

void TestTriggerRun::writeConfig(const QString& directory, const QString& record) const
{
    // The rest of a file as the client writes it, so that the record is read from a real file.
    writeBytes(path(directory + QStringLiteral("/TELVOR.DAT")),
               encodeCp1252(withShare(record) + QStringLiteral("\r\n 0 \r\n\r\n\r\n\r\n 0 \r\n")));
}

void TestTriggerRun::createsEmptyTriggerFile_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("created");

    // clang-format off
    QTest::newRow("inside the directory") << "[{share}/alarm/][1][17]" << "share/alarm/START.17";
    // As the client reads it: the separator is added, so the file lands where the client looks.
    QTest::newRow("no final separator: inside it") << "[{share}/alarm][1][17]" << "share/alarm/START.17";
    QTest::newRow("all ten fields") << "[{share}/alarm/][1][17][kein][][Hilfe][0][0][ 120][0]"
                                    << "share/alarm/START.17";
    QTest::newRow("opening brackets not examined") << "x{share}/alarm/]y1]z17]" << "share/alarm/START.17";
    QTest::newRow("'[' inside a value") << "[{share}/al[arm/][[1][17]" << "share/al[arm/START.17";
    QTest::newRow("umlaut in the directory") << "[{share}/St\u00f6rfall/][1][3]" << "share/St\u00f6rfall/START.3";
    QTest::newRow("empty ID is 0") << "[{share}/alarm/][1][]" << "share/alarm/START.0";
    QTest::newRow("blank and leading zeros") << "[{share}/alarm/][1][ 007]" << "share/alarm/START.7";
    QTest::newRow("trailing rubbish") << "[{share}/alarm/][1][12ab]" << "share/alarm/START.12";
    QTest::newRow("half rounds to even, down") << "[{share}/alarm/][1][2.5]" << "share/alarm/START.2";
    QTest::newRow("half rounds to even, up") << "[{share}/alarm/][1][3.5]" << "share/alarm/START.4";
    QTest::newRow("negative") << "[{share}/alarm/][1][-5]" << "share/alarm/START.-5";
    QTest::newRow("largest") << "[{share}/alarm/][1][32767]" << "share/alarm/START.32767";
    QTest::newRow("smallest") << "[{share}/alarm/][1][-32768]" << "share/alarm/START.-32768";
    // clang-format on
}

void TestTriggerRun::createsEmptyTriggerFile()
{
    QFETCH(QString, record);
    QFETCH(QString, created);
    writeConfig(QStringLiteral("app"), record);
    const QStringList before = tree(m_root->path());

    const TriggerResult result = run();

    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.exitCode(), 0);
    QVERIFY(result.message.isEmpty());
    QCOMPARE(QFileInfo(result.triggerPath).canonicalFilePath(), QFileInfo(path(created)).canonicalFilePath());
    QCOMPARE(QFileInfo(path(created)).size(), 0);
    QVERIFY(QFileInfo(path(created)).isFile());
    QStringList expected = before;
    expected.append(created);
    expected.sort();
    QCOMPARE(tree(m_root->path()), expected);
}

void TestTriggerRun::truncatesExistingTriggerFile()
{
    writeConfig(QStringLiteral("app"), QStringLiteral("[{share}/alarm/][1][17]"));
    writeBytes(path("share/alarm/START.17"), "left over from a run without client");
    // A request the client could not delete is told from a new one by its time.
    const QByteArray native = QFile::encodeName(path("share/alarm/START.17"));
    utimbuf old{1'700'000'000, 1'700'000'000};
    QCOMPARE(::utime(native.constData(), &old), 0);

    QVERIFY(run().ok());
    QCOMPARE(QFileInfo(path("share/alarm/START.17")).size(), 0);
    QVERIFY(QFileInfo(path("share/alarm/START.17")).lastModified().toSecsSinceEpoch() > 1'700'000'000);
    // A second run before the client looked leaves the same single file.
    QVERIFY(run().ok());
    QCOMPARE(QFileInfo(path("share/alarm/START.17")).size(), 0);
    QCOMPARE(QDir(path("share/alarm")).entryList(QDir::Files | QDir::Hidden), QStringList{"START.17"});
}

void TestTriggerRun::neverTruncatesThroughALink()
{
    // Anyone who can write to the share could otherwise wipe a file of the user who raises the alarm.
    writeConfig(QStringLiteral("app"), QStringLiteral("[{share}/alarm/][1][17]"));
    writeBytes(path("user/letter.txt"), "keep me");
    QVERIFY(QFile::link(path("user/letter.txt"), path("share/alarm/START.17")));

    const TriggerResult result = run();
    QVERIFY(!result.ok());
    QVERIFY2(result.message.contains(QStringLiteral("START.17")), qPrintable(result.message));
    QCOMPARE(QFileInfo(path("user/letter.txt")).size(), 7);
}

void TestTriggerRun::refusesWithoutCreatingAnything_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<TriggerOutcome>("outcome");
    QTest::addColumn<QString>("says");

    const auto damaged = TriggerOutcome::DamagedConfiguration;
    const auto fileFailed = TriggerOutcome::FileOperationFailed;
    // clang-format off
    QTest::newRow("begins with ']'") << "][1][17]" << damaged << "beginnt mit \"]\"";
    QTest::newRow("empty file") << "" << damaged << "endet";
    QTest::newRow("only field 1") << "[{share}/alarm/]" << damaged << "endet";
    QTest::newRow("field 3 not closed") << "[{share}/alarm/][1][17" << damaged << "endet";
    QTest::newRow("field 3 never opened") << "[{share}/alarm/][1]" << damaged << "endet";
    QTest::newRow("empty exchange directory") << "[][1][17]" << damaged << "kein Austauschverzeichnis";
    QTest::newRow("blank exchange directory") << "[  ][1][17]" << damaged << "kein Austauschverzeichnis";
    QTest::newRow("ID above 16 bits") << "[{share}/alarm/][1][32768]" << damaged << "\"32768\"";
    QTest::newRow("ID below 16 bits") << "[{share}/alarm/][1][-32769]" << damaged << "\"-32769\"";
    QTest::newRow("ID as huge exponent") << "[{share}/alarm/][1][1e9]" << damaged << "außerhalb";
    QTest::newRow("exchange directory missing") << "[{share}/missing/][1][17]" << fileFailed
                                                << "{share}/missing/ ist nicht erreichbar: Fehler 2 (";
    QTest::newRow("directory missing, no final separator") << "[{share}/missing/alarm][1][17]" << fileFailed
                                                << "{share}/missing/alarm/ ist nicht erreichbar: Fehler 2 (";
    QTest::newRow("exchange directory is a file") << "[{share}/plain/][1][17]" << fileFailed
                                                  << "{share}/plain/ ist nicht erreichbar: Fehler 20 (";
    // clang-format on
}

void TestTriggerRun::refusesWithoutCreatingAnything()
{
    QFETCH(QString, record);
    QFETCH(TriggerOutcome, outcome);
    QFETCH(QString, says);
    writeBytes(path("share/plain"), "a file where the directory should be");
    writeConfig(QStringLiteral("app"), record);
    const QStringList before = tree(m_root->path());

    const TriggerResult result = run();

    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.exitCode(), static_cast<int>(outcome));
    QVERIFY2(result.message.contains(withShare(says)), qPrintable(result.message));
    QVERIFY2(result.message.endsWith(QStringLiteral("Es wurde kein Alarm ausgelöst.")), qPrintable(result.message));
    if (outcome == TriggerOutcome::DamagedConfiguration) {
        QVERIFY2(result.message.contains(path("app/TELVOR.DAT")), qPrintable(result.message));
    }
    QCOMPARE(tree(m_root->path()), before);
}

void TestTriggerRun::reportsTriggerFileThatCannotBeCreated()
{
    writeConfig(QStringLiteral("app"), QStringLiteral("[{share}/alarm/][1][17]"));
    QVERIFY(QDir().mkpath(path("share/alarm/START.17")));
    const QStringList before = tree(m_root->path());

    const TriggerResult result = run();

    QCOMPARE(result.outcome, TriggerOutcome::FileOperationFailed);
    const QString expected =
        path("share/alarm/START.17") + QStringLiteral(" konnte nicht angelegt werden: Fehler 21 (");
    QVERIFY2(result.message.contains(expected), qPrintable(result.message));
    QCOMPARE(tree(m_root->path()), before);
}

void TestTriggerRun::reportsUnreadableConfiguration_data()
{
    QTest::addColumn<QString>("failing"); // the TELVOR.DAT that cannot be read
    QTest::addColumn<QString>("locked");  // made mode 000 for an ordinary user; empty: none
    QTest::addColumn<int>("error");
    // clang-format off
    QTest::newRow("a directory beside the executable") << "app/TELVOR.DAT" << QString() << 21;
    QTest::newRow("workstation's file unreadable") << "etc/TELVOR.DAT" << "etc/TELVOR.DAT" << 13;
    QTest::newRow("workstation's directory not searchable") << "etc/TELVOR.DAT" << "etc" << 13;
    // clang-format on
}

// A user who may not read a TELVOR.DAT must learn that no alarm went out; a good file further
// down the search must not stand in for the one that failed.
void TestTriggerRun::reportsUnreadableConfiguration()
{
    QFETCH(QString, failing);
    QFETCH(QString, locked);
    QFETCH(int, error);
    if (locked.isEmpty()) {
        QVERIFY(QDir().mkpath(path(failing)));
        writeConfig(QStringLiteral("user"), QStringLiteral("[{share}/alarm/][1][17]"));
    } else {
        writeConfig(QStringLiteral("etc"), QStringLiteral("[{share}/alarm/][1][3]"));
    }
    for (const char* open : {"", "app", "user", "etc", "cwd"})
        QCOMPARE(::chmod(QFile::encodeName(path(QString::fromLatin1(open))).constData(), 0777), 0);
    if (!locked.isEmpty())
        QCOMPARE(::chmod(QFile::encodeName(path(locked)).constData(), 0), 0);
    const QStringList before = tree(m_root->path());

    TriggerResult result;
    {
        const EffectiveUser user(kUserA);
        result = run();
    }

    if (!locked.isEmpty())
        QCOMPARE(::chmod(QFile::encodeName(path(locked)).constData(), 0755), 0);
    QCOMPARE(result.outcome, TriggerOutcome::FileOperationFailed);
    const QString expected = path(failing) + QStringLiteral(" konnte nicht gelesen werden: Fehler %1 (").arg(error);
    QVERIFY2(result.message.contains(expected), qPrintable(result.message));
    QCOMPARE(tree(m_root->path()), before);
}

void TestTriggerRun::searchesBesideExecutableFirst_data()
{
    QTest::addColumn<QString>("besideExecutable");
    QTest::addColumn<QString>("perUser");
    QTest::addColumn<QString>("workstation");
    QTest::addColumn<TriggerOutcome>("outcome");
    QTest::addColumn<QString>("created");

    const QString toA = QStringLiteral("[{share}/a/][1][1]");
    const QString toB = QStringLiteral("[{share}/b/][1][2]");
    const QString toAlarm = QStringLiteral("[{share}/alarm/][1][3]");
    const QString none;
    QTest::newRow("all: beside wins") << toA << toB << toAlarm << TriggerOutcome::Created << "share/a/START.1";
    QTest::newRow("only beside") << toA << none << none << TriggerOutcome::Created << "share/a/START.1";
    QTest::newRow("per-user before workstation")
        << none << toB << toAlarm << TriggerOutcome::Created << "share/b/START.2";
    QTest::newRow("only workstation") << none << none << toAlarm << TriggerOutcome::Created << "share/alarm/START.3";
    QTest::newRow("beside damaged: no fallback")
        << "][1][1]" << toB << toAlarm << TriggerOutcome::DamagedConfiguration << QString();
    QTest::newRow("per-user damaged: no fallback")
        << none << "][1][2]" << toAlarm << TriggerOutcome::DamagedConfiguration << QString();
    QTest::newRow("none") << none << none << none << TriggerOutcome::NoConfiguration << QString();
}

void TestTriggerRun::searchesBesideExecutableFirst()
{
    QFETCH(QString, besideExecutable);
    QFETCH(QString, perUser);
    QFETCH(QString, workstation);
    QFETCH(TriggerOutcome, outcome);
    QFETCH(QString, created);
    if (!besideExecutable.isNull()) {
        writeConfig(QStringLiteral("app"), besideExecutable);
    }
    if (!perUser.isNull()) {
        writeConfig(QStringLiteral("user"), perUser);
    }
    if (!workstation.isNull()) {
        writeConfig(QStringLiteral("etc"), workstation);
    }
    QStringList expected = tree(m_root->path());

    const TriggerResult result = run();

    QCOMPARE(result.outcome, outcome);
    if (!created.isEmpty()) {
        expected.append(created);
        expected.sort();
    }
    QCOMPARE(tree(m_root->path()), expected);
    if (outcome == TriggerOutcome::NoConfiguration) {
        QVERIFY2(result.message.contains(path("app")) && result.message.contains(path("user")) &&
                     result.message.contains(path("etc")),
                 qPrintable(result.message));
    }
}

QTEST_GUILESS_MAIN(TestTriggerRun)
#include "tst_triggerrun.moc"
