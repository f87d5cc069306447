// One TELVOR.DAT for the whole workstation: used when the user has none, read as the user's own,
// and never passed over when it cannot be read; a save gives the user a file of their own.

#include "StationFixture.h"
#include "common/FileIo.h"
#include "tests/support/EffectiveUser.h"

#include <QTest>

#include <sys/stat.h>

using namespace telvor;
using namespace telvor::test;

class TestWorkstationConfig final : public QObject {
    Q_OBJECT

private:
    StationFixture f;
    QString etc() const { return f.root->filePath(QStringLiteral("etc/telvor")); }
    QString userDat() const { return f.station->appData() + QStringLiteral("/TELVOR.DAT"); }
    void writeWorkstationConfig(const QString& id, const QString& text) const
    {
        ConfigText c = f.config(id);
        c.alarmText1 = text;
        QVERIFY(writeFileAtomic(etc() + QStringLiteral("/TELVOR.DAT"), c.bytes()).ok());
    }
    static void setMode(const QString& path, mode_t mode)
    {
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
    }

private Q_SLOTS:
    void init()
    {
        f.reset();
        QVERIFY(QDir().mkpath(etc()));
        f.station->workstationConfigDirectory = etc();
    }

    void usersOwnFileComesFirst_data()
    {
        QTest::addColumn<bool>("user");
        QTest::addColumn<bool>("workstation");
        QTest::addColumn<QString>("id"); // empty: the setup window opens with nothing loaded
        QTest::newRow("workstation's only") << false << true << "31";
        QTest::newRow("both: the user's") << true << true << "12";
        QTest::newRow("user's only") << true << false << "12";
        QTest::newRow("neither") << false << false << "";
    }
    void usersOwnFileComesFirst()
    {
        QFETCH(bool, user);
        QFETCH(bool, workstation);
        QFETCH(QString, id);
        if (user)
            f.station->writeConfig(f.config(QStringLiteral("12")));
        if (workstation)
            writeWorkstationConfig(QStringLiteral("31"), QStringLiteral("Kasse"));
        const QStringList machineFiles = QDir(etc()).entryList(QDir::Files);

        f.station->start();
        f.client().writeLog(QStringLiteral("Eintrag"));

        QCOMPARE(f.client().config().stationId, id);
        QCOMPARE(f.station->views.setupVisible, id.isEmpty());
        QCOMPARE(QFile::exists(f.path(QStringLiteral("MDAT%1.KVT").arg(id))), !id.isEmpty());
        // The user's directory keeps the user's things; nothing is copied to or from it.
        QCOMPARE(QFile::exists(userDat()), user);
        QCOMPARE(QDir(etc()).entryList(QDir::Files), machineFiles);
        QCOMPARE(f.station->logTexts().contains(QStringLiteral("Eintrag")), !id.isEmpty());
        f.client().setupRequested();
        QCOMPARE(f.station->views.fields.Upfad, f.station->appData());
    }

    void fileThatCannotBeReadIsReported_data()
    {
        QTest::addColumn<QString>("locked"); // relative to the test's root; made mode 000
        QTest::addColumn<QString>("message");
        QTest::newRow("workstation's file unreadable") << "etc/telvor/TELVOR.DAT"
                                                       << "Zugriff verweigert - 70  ";
        QTest::newRow("workstation's directory closed") << "etc/telvor"
                                                        << "Zugriff verweigert - 70  ";
        QTest::newRow("user's directory closed") << "appdata"
                                                 << "Zugriff verweigert - 70  ";
        QTest::newRow("a directory under the name") << ""
                                                    << "Fehler beim Zugriff auf Pfad/Datei - 75  ";
    }
    void fileThatCannotBeReadIsReported()
    {
        QFETCH(QString, locked);
        QFETCH(QString, message);
        writeWorkstationConfig(QStringLiteral("31"), QStringLiteral("Kasse"));
        if (locked.isEmpty()) {
            QVERIFY(QFile::remove(etc() + QStringLiteral("/TELVOR.DAT")));
            QVERIFY(QDir().mkpath(etc() + QStringLiteral("/TELVOR.DAT")));
        }
        for (const QString& open : {f.root->path(), f.station->appData(), f.root->filePath(QStringLiteral("etc"))})
            setMode(open, 0777);
        if (!locked.isEmpty())
            setMode(f.root->filePath(locked), 0);

        {
            const EffectiveUser user(kUserA);
            f.station->start();
        }
        if (!locked.isEmpty())
            setMode(f.root->filePath(locked), 0755);

        QCOMPARE(f.station->views.messages, QStringList{message});
        QVERIFY(f.station->views.setupVisible);
        QVERIFY(f.client().config().stationId.isEmpty());
        QCOMPARE(QDir(f.exchange).entryList(QDir::Files), QStringList());
    }

    void saveWritesTheUsersOwnFileWhichThenWins()
    {
        writeWorkstationConfig(QStringLiteral("31"), QStringLiteral("Kasse"));
        const QByteArray machineFile = readWholeFile(etc() + QStringLiteral("/TELVOR.DAT")).bytes;
        f.station->start();
        f.client().setupRequested();
        SetupFields edited = f.client().fields();
        edited.Text1 = QStringLiteral("Empfang");
        f.client().setupEdited(edited);
        f.client().speichern_Click();
        QVERIFY(!f.station->views.setupVisible);
        QCOMPARE(readWholeFile(etc() + QStringLiteral("/TELVOR.DAT")).bytes, machineFile);

        writeWorkstationConfig(QStringLiteral("32"), QStringLiteral("Lager"));
        f.station->stop();
        f.station->start();
        QCOMPARE(f.client().config().stationId, QStringLiteral("31"));
        QCOMPARE(f.client().config().alarmText1, QStringLiteral("Empfang"));
    }
};

QTEST_GUILESS_MAIN(TestWorkstationConfig)
#include "tst_workstationconfig.moc"
