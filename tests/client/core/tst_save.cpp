// The setup window's save, the hand-over to the screen saver, and the station telling that it is cut off.

#include "StationFixture.h"
#include "client/core/LoadFailure.h"
#include "common/Cp1252.h"
#include "common/FileIo.h"
#include "common/SettingsStore.h"
#include "common/TelvorDat.h"

#include <QFileInfo>

#include <QTest>
#include <sys/stat.h>

using namespace telvor;
using namespace telvor::test;

Q_DECLARE_METATYPE(SetupFields)

namespace {

/** A change to the setup's controls, made as the user would. */
using Edit = std::function<void(SetupFields&)>;

} // namespace
Q_DECLARE_METATYPE(Edit)

class TestSave final : public QObject {
    Q_OBJECT

private:
    StationFixture f;
    using Io = FaultyExchangeIo;

    FaultyExchangeIo& share() { return f.station->share; }
    QString datPath() const { return f.station->appData() + QStringLiteral("/TELVOR.DAT"); }
    QByteArray datBytes() const { return readWholeFile(datPath()).bytes; }
    /** The saved record's fields and lines, as the next start reads them. */
    TelvorDatText saved() const { return readTelvorDat(decodeCp1252(datBytes())); }
    QString exchangeNoSlash() const { return f.exchange.chopped(1); }

    /** A running station whose setup window the user has opened and edited. */
    void openAndEdit(const Edit& edit, ConfigText c = {})
    {
        if (c.exchangeDir.isEmpty())
            c = f.config();
        f.start(c);
        f.client().setupRequested();
        SetupFields fields = f.client().fields();
        edit(fields);
        f.client().setupEdited(fields);
    }
    const SetupFields& shown() const { return f.station->views.fields; }
    const QStringList& messages() const { return f.station->views.messages; }

private Q_SLOTS:
    void init() { f.reset(); }

    // --- a save that refuses changes nothing --------------------------------------------------

    void refusedSaveWritesNothing_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("label2");
        QTest::addColumn<QString>("message");
        const QString none;
        const auto row = [](const char* name, Edit edit, const QString& label2, const QString& message) {
            QTest::newRow(name) << edit << label2 << message;
        };
        const QString forbidden = QStringLiteral("Unzulässiges Zeichen !");
        // clang-format off
        row("empty first line, everything empty", [](SetupFields& s) { s.Text1.clear(); s.Text3.clear(); s.Text5.clear(); },
            QStringLiteral("Kein Alarmtext !"), none);
        row("no directory", [](SetupFields& s) { s.Text3.clear(); }, QStringLiteral("Kein Verzeichnis !"), none);
        row("no ID", [](SetupFields& s) { s.Text5.clear(); }, QStringLiteral("Keine ID"), none);
        row("] in the alarm text", [](SetupFields& s) { s.Text1 = QStringLiteral("Hilfe ]1"); }, forbidden, none);
        row("] in the signal file", [](SetupFields& s) { s.Text4 = QStringLiteral("/a]b.wav"); }, forbidden, none);
        row("] in the port", [](SetupFields& s) { s.Combo1 = QStringLiteral("1]"); }, forbidden, none);
        row("line break in line 1", [](SetupFields& s) { s.Text1 = QStringLiteral("a\nb"); }, forbidden, none);
        row("line break in line 4", [](SetupFields& s) { s.Text8 = QStringLiteral("a\r"); }, forbidden, none);
        row("not in the code page", [](SetupFields& s) { s.Text6 = QStringLiteral("Feuer \u2713"); }, forbidden, none);
        row("ID beyond 16 bits", [](SetupFields& s) { s.Text5 = QStringLiteral("40000"); }, none,
            QStringLiteral("Überlauf - 6  "));
        row("debounce beyond 16 bits", [](SetupFields& s) { s.tastenver = QStringLiteral("70000"); }, none,
            QStringLiteral("Überlauf - 6  "));
        row("negative debounce", [](SetupFields& s) { s.tastenver = QStringLiteral("-5"); }, none,
            QStringLiteral("Unzulässiger Wert - 380  "));
        row("port that names none", [](SetupFields& s) { s.CheckCom = 0; s.Combo1 = QStringLiteral("x"); }, none,
            QStringLiteral("Ungültige Portnummer - 8002  - Com Port x nicht verfügbar ! "));
    }
    void refusedSaveWritesNothing()
    // clang-format on
    {
        QFETCH(Edit, edit);
        QFETCH(QString, label2);
        QFETCH(QString, message);
        openAndEdit(edit);
        const QByteArray before = datBytes();
        const StationConfig config = f.client().config();
        const QStringList log = f.station->logTexts();
        f.client().speichern_Click();
        QCOMPARE(shown().Label2, label2);
        QCOMPARE(messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(f.station->views.setupVisible);
        QCOMPARE(datBytes(), before);
        QCOMPARE(f.client().config().exchangeDir, config.exchangeDir);
        QCOMPARE(f.client().config().alarmText1, config.alarmText1);
        QCOMPARE(f.station->logTexts(), log);
        QCOMPARE(f.station->views.test.loads, 0);
    }

    void euroSignIsStoredAsItsCodePageByte()
    {
        openAndEdit([](SetupFields& s) { s.Text1 = QStringLiteral("Überfall 5 €"); });
        f.client().speichern_Click();
        QVERIFY(!f.station->views.setupVisible);
        QVERIFY(datBytes().contains("\xdc"
                                    "berfall 5 \x80"));
        QCOMPARE(readWholeFile(f.path(QStringLiteral("MDAT7.KVT"))).bytes, QByteArray("\xdc"
                                                                                      "berfall 5 \x80\r\r\r"));
    }

    void missingDirectoryBringsBackTheStoredValues()
    {
        openAndEdit([this](SetupFields& s) {
            s.Text3 = f.exchange + QStringLiteral("nirgends");
            s.Text1 = QStringLiteral("Neuer Text");
            s.Text4 = QStringLiteral("/x.wav");
            s.Text5 = QStringLiteral("9");
            s.Combo1 = QStringLiteral("4");
            s.Text6 = QStringLiteral("Zeile zwei");
            s.tastenver = QStringLiteral("300");
        });
        f.client().speichern_Click();
        QCOMPARE(shown().meldungtxt, QStringLiteral("Achtung, bitte Pfad prüfen !!"));
        QCOMPARE(shown().Text3, f.exchange);
        QCOMPARE(shown().Text1, QStringLiteral("Alarm"));
        QCOMPARE(shown().Text4, QStringLiteral("kein"));
        QCOMPARE(shown().Text5, QStringLiteral("7"));
        QCOMPARE(shown().Combo1, QStringLiteral("1"));
        QCOMPARE(shown().Text6, QStringLiteral("Zeile zwei"));
        QCOMPARE(shown().tastenver, QStringLiteral("300"));
        QVERIFY(f.station->views.setupVisible);
        QVERIFY(!f.client().config().exchangeDirFound);
    }

    void silentDirectoryKeepsTheEdits()
    {
        openAndEdit([](SetupFields& s) { s.Text1 = QStringLiteral("Neuer Text"); });
        share().hang();
        f.client().speichern_Click();
        QCOMPARE(shown().meldungtxt, QStringLiteral("Achtung, bitte Pfad prüfen !!"));
        QCOMPARE(shown().Text1, QStringLiteral("Neuer Text"));
        QVERIFY(f.station->views.setupVisible);
    }

    // --- what a save stores ---------------------------------------------------------------------

    void savedValues_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ID with letters after it")
            << Edit([](SetupFields& s) { s.Text5 = QStringLiteral("12abc"); }) << 2 << QStringLiteral("12");
        QTest::newRow("ID of letters only")
            << Edit([](SetupFields& s) { s.Text5 = QStringLiteral("abc"); }) << 2 << QStringLiteral("0");
        QTest::newRow("empty debounce") << Edit([](SetupFields& s) { s.tastenver.clear(); }) << 8
                                        << QStringLiteral(" 0");
        QTest::newRow("debounce of letters")
            << Edit([](SetupFields& s) { s.tastenver = QStringLiteral("ab"); }) << 8 << QStringLiteral(" 0");
        QTest::newRow("grey port check box")
            << Edit([](SetupFields& s) { s.CheckCom = 2; }) << 7 << QStringLiteral("2");
        QTest::newRow("reception off") << Edit([](SetupFields& s) { s.Check1 = 1; }) << 6 << QStringLiteral("1");
        QTest::newRow("logging off") << Edit([](SetupFields& s) { s.logfile = 0; }) << 9 << QStringLiteral("0");
    }
    void savedValues()
    {
        QFETCH(Edit, edit);
        QFETCH(int, field);
        QFETCH(QString, stored);
        openAndEdit(edit);
        f.client().speichern_Click();
        QVERIFY(!f.station->views.setupVisible);
        QCOMPARE(saved().record.fields.value(field), stored);
        if (field == 2)
            QCOMPARE(shown().Text5, stored);
    }

    void finalSeparatorIsAddedAtTheSaveOnly_data()
    {
        QTest::addColumn<bool>("typedWithSlash");
        QTest::newRow("picked in the list") << false;
        QTest::newRow("typed with it") << true;
    }
    void finalSeparatorIsAddedAtTheSaveOnly()
    {
        QFETCH(bool, typedWithSlash);
        const QString typed = typedWithSlash ? f.exchange : exchangeNoSlash();
        openAndEdit([&](SetupFields& s) { s.Text3 = typed; });
        QCOMPARE(f.client().fields().Text3, typed);
        f.client().speichern_Click();
        QCOMPARE(shown().Text3, f.exchange);
        QCOMPARE(f.client().config().exchangeDir, f.exchange);
        QCOMPARE(saved().record.fields.value(0), f.exchange);
    }

    void wholeFileAfterASave()
    {
        openAndEdit([](SetupFields& s) {
            s.Text1 = QStringLiteral("Überfall Kasse");
            s.Text6 = QStringLiteral("Zeile 2");
            s.Text8 = QStringLiteral("Zeile 4");
            s.chk_vollbild = 1;
            s.alarmtestaus = 0;
            s.tastenver = QStringLiteral("250");
        });
        f.client().speichern_Click();
        const QByteArray expected = encodeCp1252(QStringLiteral("[%1][1][7][kein][][Überfall Kasse][0][1][ 250][1]\r\n"
                                                                " 0 \r\nZeile 2\r\n\r\nZeile 4\r\n 1 \r\n")
                                                     .arg(f.exchange));
        QCOMPARE(datBytes(), expected);
        QCOMPARE(readWholeFile(f.path(QStringLiteral("MDAT7.KVT"))).bytes,
                 encodeCp1252(QStringLiteral("Überfall Kasse\rZeile 2\r\rZeile 4")));
        QVERIFY(f.client().config().fullScreen);
        QCOMPARE(f.client().entprell().interval(), 250);
        // The test's switch was cleared: the button test runs.
        QCOMPARE(f.station->views.test.loads, 1);
    }

    void logEntriesFollowTheNewLoggingState_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("switched on") << QStringLiteral("0") << 1;
        QTest::newRow("switched off") << QStringLiteral("1") << 0;
    }
    void logEntriesFollowTheNewLoggingState()
    {
        QFETCH(QString, before);
        QFETCH(int, after);
        ConfigText c = f.config();
        c.logfileaktive = before;
        openAndEdit([&](SetupFields& s) { s.logfile = after; }, c);
        f.client().speichern_Click();
        const QStringList expected =
            after == 1 ? QStringList{datPath(), QStringLiteral("Setup ausgeführt")} : QStringList{};
        QCOMPARE(f.station->logTexts(), expected);
    }

    // --- the port ---------------------------------------------------------------------------------

    void portAfterTheSave_data()
    {
        QTest::addColumn<QString>("comDisabled"); // as loaded
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("opens");
        // An open port keeps its number until the next start; a closed one opens with the new one.
        QTest::newRow("open, number changed") << QStringLiteral("0") << QStringLiteral("/dev/ttyS0") << 1;
        QTest::newRow("closed, switched on") << QStringLiteral("1") << QStringLiteral("/dev/ttyS2") << 1;
    }
    void portAfterTheSave()
    {
        QFETCH(QString, comDisabled);
        QFETCH(QString, device);
        QFETCH(int, opens);
        ConfigText c = f.config();
        c.comDisabled = comDisabled;
        openAndEdit(
            [](SetupFields& s) {
                s.CheckCom = 0;
                s.Combo1 = QStringLiteral("3");
            },
            c);
        f.client().speichern_Click();
        QVERIFY(f.station->serial.isOpen());
        QCOMPARE(f.station->serial.openCount(), opens);
        QCOMPARE(f.station->serial.devicePath(), device);
        QCOMPARE(f.client().config().comPort, QStringLiteral("3"));
    }

    void portThatWillNotOpenIsShownAndTheSaveGoesOn()
    {
        openAndEdit([](SetupFields& s) { s.CheckCom = 0; });
        f.station->serial.failOpen(SerialOpenError::Busy);
        f.client().speichern_Click();
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().first().endsWith(QStringLiteral("- Com Port 1 nicht verfügbar ! ")));
        QVERIFY(!f.station->views.setupVisible);
        QCOMPARE(f.client().config().comDisabled, QStringLiteral("0"));
        f.station->serial.failOpen(SerialOpenError::None);
        f.scheduler->advance(5000);
        QVERIFY(f.station->serial.isOpen());
    }

    // --- files that cannot be written -----------------------------------------------------------------

    void unwritableConfigurationKeepsTheOldOneWhole()
    {
        openAndEdit([](SetupFields& s) { s.Text1 = QStringLiteral("Neu"); });
        const QByteArray before = datBytes();
        // The per-user directory is replaced by a file: nothing can be written into it.
        const QString moved = f.station->appData() + QStringLiteral(".away");
        QVERIFY(QDir().rename(f.station->appData(), moved));
        QVERIFY(writeFileAtomic(f.station->appData(), "x").ok());
        f.client().speichern_Click();
        QCOMPARE(messages(), QStringList{QStringLiteral("Datei oder Verzeichnis nicht gefunden - 53  ")});
        QVERIFY(f.station->views.setupVisible);
        QCOMPARE(f.client().config().alarmText1, QStringLiteral("Alarm"));
        QCOMPARE(readWholeFile(moved + QStringLiteral("/TELVOR.DAT")).bytes, before);
        QCOMPARE(readWholeFile(f.path(QStringLiteral("MDAT7.KVT"))).bytes, QByteArray("Alarm\r\r\r"));
    }

    void startClearsWhatAKilledSaveLeft()
    {
        // What a save killed between its write and its rename leaves, and what is not the client's.
        const QString dir = f.station->appData();
        QVERIFY(writeFileAtomic(dir + QStringLiteral("/.telvor-tmp-TELVOR.DAT-k1ll3dm1dwr1"), "[half").ok());
        QVERIFY(writeFileAtomic(dir + QStringLiteral("/notes.txt"), "mine").ok());
        openAndEdit([](SetupFields& s) { s.Text1 = QStringLiteral("Neu"); });
        f.client().speichern_Click();
        QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden);
        files.sort();
        QCOMPARE(files, (QStringList{QStringLiteral("TELVOR.DAT"), QStringLiteral("notes.txt"),
                                     QStringLiteral("telvor.log")}));
    }

    void unwritableAlarmTextIsShownAndWrittenLater()
    {
        openAndEdit([](SetupFields& s) { s.Text1 = QStringLiteral("Neu"); });
        share().fail(Io::OpWrite, QStringLiteral("MDAT7.KVT"), EIO, 1);
        f.client().speichern_Click();
        QCOMPARE(messages(), QStringList{LoadFailure::fromIo(ioFailure(EIO)).message(QString())});
        QVERIFY(!f.station->views.setupVisible);
        QCOMPARE(readWholeFile(f.path(QStringLiteral("MDAT7.KVT"))).bytes, QByteArray("Alarm\r\r\r"));
        f.scheduler->advance(5000);
        QCOMPARE(readWholeFile(f.path(QStringLiteral("MDAT7.KVT"))).bytes, QByteArray("Neu\r\r\r"));
    }

    // --- the save and the rest of the station -------------------------------------------------------------

    void saveEndsTheWaitForALateShare()
    {
        ConfigText c = f.config();
        c.exchangeDir = f.exchange + QStringLiteral("spaeter/");
        f.start(c);
        QVERIFY(f.station->views.setupVisible);
        QCOMPARE(f.station->views.fields.meldungtxt, QStringLiteral("Achtung, bitte Pfad prüfen !!"));
        SetupFields fields = f.client().fields();
        fields.Text3 = exchangeNoSlash();
        f.client().setupEdited(fields);
        f.client().speichern_Click();
        QVERIFY(!f.station->views.setupVisible);
        // The old directory appearing later must not bring the window back.
        QDir().mkpath(c.exchangeDir);
        f.scheduler->advance(20000);
        QVERIFY(!f.station->views.setupVisible);
        QCOMPARE(f.station->views.setupShown, 1);
        QVERIFY(QFile::exists(f.path(QStringLiteral("MDAT7.KVT"))));
        QVERIFY(!QFile::exists(c.exchangeDir + QStringLiteral("MDAT7.KVT")));
    }

    void setupDuringAHoldDoesNotStretchIt()
    {
        f.start(f.config());
        writeFileAtomic(f.path(QStringLiteral("START.7")), QByteArray());
        f.scheduler->advance(1000);
        QVERIFY(f.state().messageSent);
        f.scheduler->advance(7000);
        f.client().setupRequested();
        f.scheduler->advance(7999);
        QVERIFY(QFile::exists(f.path(QStringLiteral("MESSAGE.KVT"))));
        f.scheduler->advance(1);
        QVERIFY(!QFile::exists(f.path(QStringLiteral("MESSAGE.KVT"))));
    }

    // --- the hand-over to the screen saver --------------------------------------------------------------

    void handOverStoresTheDirectoryBoxAsItStands_data()
    {
        QTest::addColumn<bool>("picked");
        QTest::newRow("picked, not saved") << true;
        QTest::newRow("empty box") << false;
    }
    void handOverStoresTheDirectoryBoxAsItStands()
    {
        QFETCH(bool, picked);
        const QString box = picked ? exchangeNoSlash() : QString();
        openAndEdit([&](SetupFields& s) { s.Text3 = box; });
        for (int click = 0; click < 2; ++click)
            f.client().config_PendraSaver_Click();
        const SettingsStore store = SettingsStore::atFile(f.station->screenSaverSettings());
        QCOMPARE(store.read(QStringLiteral("Config"), QStringLiteral("Interval"), QString()), QStringLiteral("1000"));
        QCOMPARE(store.read(QStringLiteral("Config"), QStringLiteral("Pfad"), QStringLiteral("default")), box);
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(f.station->screenSaverSettings()).constData(), &status), 0);
        QCOMPARE(status.st_mode & 07777, mode_t(0600));
        QVERIFY(messages().isEmpty());
        QCOMPARE(f.client().config().exchangeDir, f.exchange);
        QCOMPARE(f.client().fields().Text3, box);
    }

    void handOverThatCannotBeStoredIsShown()
    {
        f.start(f.config());
        // A directory in the file's place cannot be written, not even by root.
        QVERIFY(QDir().mkpath(f.station->screenSaverSettings()));
        f.client().config_PendraSaver_Click();
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().first().startsWith(QStringLiteral("Die Einstellungen des Bildschirmschoners wurden nicht")));
    }

    // --- cut off from the exchange directory ----------------------------------------------------------

    void cutOffIsToldAfterFifteenSecondsAndItsEndAtOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("refusing") << QStringLiteral("refusing");
        QTest::newRow("hanging") << QStringLiteral("hanging");
    }
    void cutOffIsToldAfterFifteenSecondsAndItsEndAtOnce()
    {
        QFETCH(QString, how);
        f.start(f.config());
        const QString away = f.exchange.chopped(1) + QStringLiteral(".away");
        f.scheduler->advance(1000);
        if (how == QLatin1String("missing"))
            QVERIFY(QDir().rename(f.exchange, away));
        else if (how == QLatin1String("refusing"))
            share().fail(Io::OpAny, QString(), EACCES);
        else
            share().hang();
        f.scheduler->advance(15000);
        QVERIFY(f.station->views.tray.changes.isEmpty());
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.tray.changes, QList<bool>{true});
        if (how == QLatin1String("missing"))
            QVERIFY(QDir().rename(away, f.exchange));
        share().clearFaults();
        share().release();
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.tray.changes, (QList<bool>{true, false}));
        QStringList texts = f.station->logTexts();
        texts.removeAll(QStringLiteral("Austauschverzeichnis antwortet nicht"));
        texts.removeAll(QStringLiteral("Austauschverzeichnis antwortet wieder"));
        QCOMPARE(texts, (QStringList{QStringLiteral("Austauschverzeichnis nicht erreichbar"),
                                     QStringLiteral("Austauschverzeichnis wieder erreichbar")}));
    }

    void shortOutageTellsNothing()
    {
        f.start(f.config());
        share().fail(Io::OpAny, QString(), EIO);
        f.scheduler->advance(11000);
        share().clearFaults();
        f.scheduler->advance(30000);
        QVERIFY(f.station->views.tray.changes.isEmpty());
    }

    void stationWithoutDirectoryIsNotCutOff()
    {
        ConfigText c = f.config();
        c.exchangeDir.clear();
        f.start(c);
        f.scheduler->advance(60000);
        QVERIFY(f.station->views.tray.changes.isEmpty());
    }

    void missingTrayIsReportedOnce()
    {
        f.start(f.config());
        f.client().trayUnavailable();
        f.client().trayUnavailable();
        QCOMPARE(f.station->standardError.filter(QStringLiteral("ohne Symbol")).size(), 1);
        QCOMPARE(f.station->logTexts().filter(QStringLiteral("ohne Symbol")).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSave)
#include "tst_save.moc"
