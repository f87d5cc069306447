// The settings store that the client's hand-over writes and the screen saver reads.

#include "common/FileIo.h"
#include "common/SettingsStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace telvor;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : mode_t(-1);
}

} // namespace

class TestSettingsStore final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString& name = QStringLiteral("PendraSaver/PendraSaver.ini")) const
    {
        return m_dir.filePath(name);
    }

private Q_SLOTS:
    void init() { QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_dir.path())); }

    void absentValuesGiveTheDefault()
    {
        const SettingsStore store = SettingsStore::atFile(file());
        QCOMPARE(store.read(QStringLiteral("Config"), QStringLiteral("Pfad"), QStringLiteral("/mnt/alarm/")),
                 QStringLiteral("/mnt/alarm/"));
        QVERIFY(!store.write(QStringLiteral("Config"), {{QStringLiteral("Interval"), QStringLiteral("1000")}}));
        QCOMPARE(store.read(QStringLiteral("Config"), QStringLiteral("Pfad"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(store.read(QStringLiteral("Andere"), QStringLiteral("Interval"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(store.read(QStringLiteral("Config"), QStringLiteral("Interval"), QStringLiteral("d")),
                 QStringLiteral("1000"));
    }

    void textsComeBackAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal comma") << QStringLiteral("1500,5");
        QTest::newRow("umlauts") << QStringLiteral("/mnt/Überfall/");
        QTest::newRow("leading at sign") << QStringLiteral("@Variant(x)");
        QTest::newRow("blanks and semicolon") << QStringLiteral(" a ; b ");
        QTest::newRow("empty") << QString();
    }
    void textsComeBackAsWritten()
    {
        QFETCH(QString, text);
        const SettingsStore store = SettingsStore::atFile(file());
        QVERIFY(!store.write(QStringLiteral("Config"), {{QStringLiteral("Password"), text}}));
        QCOMPARE(SettingsStore::atFile(file()).read(QStringLiteral("Config"), QStringLiteral("Password"),
                                                    QStringLiteral("default")),
                 text);
    }

    void handWrittenListReadsAsItsText()
    {
        QVERIFY(QDir().mkpath(file(QStringLiteral("PendraSaver"))));
        QVERIFY(writeFileAtomic(file(), "[Config]\nInterval=1500,5\n").ok());
        QCOMPARE(SettingsStore::atFile(file()).read(QStringLiteral("Config"), QStringLiteral("Interval"), QString()),
                 QStringLiteral("1500,5"));
    }

    void fileIsTheUsersAlone()
    {
        const mode_t oldMask = ::umask(0);
        const std::optional<QString> problem = SettingsStore::atFile(file()).write(
            QStringLiteral("Config"), {{QStringLiteral("Password"), QStringLiteral("geheim")}});
        ::umask(oldMask);
        QVERIFY(!problem);
        QCOMPARE(modeOf(file()), mode_t(0600));
        QCOMPARE(modeOf(file(QStringLiteral("PendraSaver"))), mode_t(0700));
    }

    void readableFileIsTightened()
    {
        QVERIFY(QDir().mkpath(file(QStringLiteral("PendraSaver"))));
        QVERIFY(writeFileAtomic(file(), "[Config]\nPassword=alt\n", {0644, {}}).ok());
        QVERIFY(!SettingsStore::atFile(file()).write(QStringLiteral("Config"),
                                                     {{QStringLiteral("Interval"), QStringLiteral("5")}}));
        QCOMPARE(modeOf(file()), mode_t(0600));
        QCOMPARE(SettingsStore::atFile(file()).read(QStringLiteral("Config"), QStringLiteral("Password"), QString()),
                 QStringLiteral("alt"));
    }

    void storeThatCannotBeWrittenSaysWhy_data()
    {
        QTest::addColumn<QString>("blocker"); // made a file, so that the store's path cannot be made
        QTest::newRow("directory is a file") << QStringLiteral("PendraSaver");
        QTest::newRow("file is a directory") << QStringLiteral("PendraSaver/PendraSaver.ini/");
    }
    void storeThatCannotBeWrittenSaysWhy()
    {
        QFETCH(QString, blocker);
        if (blocker.endsWith(QLatin1Char('/')))
            QVERIFY(QDir().mkpath(file(blocker)));
        else
            QVERIFY(writeFileAtomic(file(blocker), "x").ok());
        const std::optional<QString> problem = SettingsStore::atFile(file()).write(
            QStringLiteral("Config"), {{QStringLiteral("Interval"), QStringLiteral("5")}});
        QVERIFY(problem);
        QVERIFY2(problem->contains(QStringLiteral("PendraSaver")), qPrintable(*problem));
    }

    void defaultFileFollowsTheConfigurationHome()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
        QCOMPARE(SettingsStore(QStringLiteral("PendraSaver")).filePath(), file());
        qputenv("XDG_CONFIG_HOME", "relative/dir");
        QCOMPARE(SettingsStore(QStringLiteral("PendraSaver")).filePath(),
                 QDir::homePath() + QStringLiteral("/.config/PendraSaver/PendraSaver.ini"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
