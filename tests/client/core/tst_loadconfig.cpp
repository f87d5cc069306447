// Loading TELVOR.DAT at start-up: what ends in the setup window, what is written, which messages.

#include "StationFixture.h"
#include "client/core/ConfigFile.h"
#include "common/Cp1252.h"
#include "common/FileIo.h"

#include <QTest>

using namespace telvor;
using namespace telvor::test;

class TestLoadConfig final : public QObject {
    Q_OBJECT

private:
    StationFixture f;

    ConfigText validConfig() const
    {
        ConfigText c;
        c.exchangeDir = f.exchange;
        c.stationId = QStringLiteral("12");
        c.alarmText1 = QStringLiteral("Überfall Kasse");
        c.text2 = QStringLiteral("Erdgeschoss");
        c.text3 = QStringLiteral("Zimmer 4");
        c.text4 = QStringLiteral("Polizei rufen");
        return c;
    }
    QString mdat(const QString& id) const { return f.exchange + QStringLiteral("MDAT") + id + QStringLiteral(".KVT"); }
    const ClientState& state() { return f.station->client().state(); }
    const StationConfig& config() { return f.station->client().config(); }
    const SetupFields& shown() { return f.station->views.fields; }

private Q_SLOTS:
    void init() { f.reset(); }

    void withoutConfigShowsDefaultSetup()
    {
        f.station->start();
        QVERIFY(f.station->views.setupVisible);
        QCOMPARE(shown().caption, QStringLiteral("ORSKA KVT GmbH"));
        QCOMPARE(shown().Label10, QStringLiteral("Setup Quorvel"));
        QCOMPARE(shown().Combo1, QStringLiteral("1"));
        QCOMPARE(shown().tastenver, QStringLiteral("120"));
        QCOMPARE(shown().Upfad, f.station->appData());
        for (const QString& box : {shown().Text1, shown().Text3, shown().Text4, shown().Text5})
            QVERIFY(box.isEmpty());
        QCOMPARE(shown().Check1 + shown().CheckCom + shown().logfile + shown().chk_vollbild, 0);
        QCOMPARE(config().alarmempf, QStringLiteral("0"));
        QCOMPARE(f.station->client().entprell().interval(), 2000);
        QVERIFY(f.station->client().timer1().isEnabled());
        QCOMPARE(f.station->serial.openCount(), 0);
        QVERIFY(f.station->views.messages.isEmpty());
        QCOMPARE(QDir(f.station->appData()).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(f.exchange).entryList(QDir::Files), QStringList());
    }

    void validConfigWritesAlarmTextAndStaysHidden()
    {
        f.station->writeConfig(validConfig());
        f.station->start();
        QVERIFY(!f.station->views.setupVisible);
        QVERIFY(f.station->views.messages.isEmpty());
        QCOMPARE(readWholeFile(mdat(QStringLiteral("12"))).bytes,
                 QByteArray("\xdc"
                            "berfall Kasse\rErdgeschoss\rZimmer 4\rPolizei rufen"));
        QVERIFY(state().getestet);
        QVERIFY(state().initialisierung);
        QCOMPARE(f.station->views.test.loads, 0);
        QCOMPARE(f.station->views.sent.loads, 1);
        QCOMPARE(f.station->views.tray.loads, 1);
        QCOMPARE(f.station->client().entprell().interval(), 120);
        QCOMPARE(shown().tastenver, QStringLiteral("120"));
    }

    void buttonTestRunsUnlessSwitchedOff()
    {
        ConfigText c = validConfig();
        c.testOff = QStringLiteral(" 0 ");
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(f.station->views.test.loads, 1);
        QVERIFY(!state().getestet);
        QVERIFY(!state().initialisierung);
    }

    void onlyTheRecordLineGivesFiveEndOfFileMessages()
    {
        f.station->writeRawConfig(validConfig().bytes().split('\r').first() + "\r\n");
        f.station->start();
        QCOMPARE(f.station->views.messages, QStringList(5, QStringLiteral("Einlesen hinter Dateiende - 62  ")));
        QVERIFY(shown().Text6.isEmpty() && shown().Text7.isEmpty() && shown().Text8.isEmpty());
        QCOMPARE(readWholeFile(mdat(QStringLiteral("12"))).bytes, QByteArray("\xdc"
                                                                             "berfall Kasse\r\r\r"));
        QVERIFY(f.station->views.setupVisible);
        QCOMPARE(f.station->views.test.loads, 0);
        QVERIFY(!state().getestet);
    }

    void emptyFileEndsInSetup()
    {
        f.station->writeRawConfig(QByteArray());
        f.station->start();
        QCOMPARE(f.station->views.messages.size(), 6);
        QVERIFY(f.station->views.setupVisible);
        QCOMPARE(QDir(f.exchange).entryList(QDir::Files), QStringList());
    }

    void incompleteRecordStopsWithoutMessage_data()
    {
        QTest::addColumn<QByteArray>("line1");
        QTest::addColumn<QString>("comPort");
        QTest::newRow("nine fields") << QByteArray("[X][3][12][kein][][Alarm][0][0][ 120]") << QStringLiteral("3");
        QTest::newRow("one field") << QByteArray("[X") << QString();
        QTest::newRow("ends in field 2") << QByteArray("[X][7") << QString();
    }
    void incompleteRecordStopsWithoutMessage()
    {
        QFETCH(QByteArray, line1);
        QFETCH(QString, comPort);
        f.station->writeRawConfig(line1 + "\r\n 1 \r\n\r\n\r\n\r\n 0 \r\n");
        f.station->start();
        QVERIFY(f.station->views.messages.isEmpty());
        QVERIFY(f.station->views.setupVisible);
        QCOMPARE(f.station->serial.openCount(), 0);
        QCOMPARE(QDir(f.exchange).entryList(QDir::Files), QStringList());
        QCOMPARE(config().comPort, comPort); // what was read before the stop is kept
        QCOMPARE(shown().Combo1, comPort);
    }

    void closingBracketOnALaterLineIsFound()
    {
        // The record is read from the whole text, so field 10 may close on line 2.
        f.station->writeRawConfig(QByteArray("[") + f.exchange.toUtf8() +
                                  "][1][5][kein][][A][0][1][ 120][1\r\n 1 ]\r\n" + "\r\n\r\n\r\n 0 \r\n");
        f.station->start();
        QVERIFY(f.station->views.messages.isEmpty());
        QCOMPARE(config().logfileaktive, QStringLiteral("1\r\n 1 "));
        QVERIFY(QFile::exists(mdat(QStringLiteral("5"))));
    }

    void bracketInsideValueShiftsLaterFields()
    {
        ConfigText c = validConfig();
        c.signalFile = QStringLiteral("/sounds/a]b.wav"); // "]" cannot be stored: field 4 ends early
        c.entprellzeit = QStringLiteral("0");
        c.logfileaktive = QStringLiteral("0");
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(config().signalFile, QStringLiteral("/sounds/a"));
        QCOMPARE(config().reservedText, QStringLiteral(".wav")); // its "b" was passed over as an opening bracket
        QCOMPARE(config().alarmText1, QString());                // the old field 5
        QCOMPARE(config().alarmempf, c.alarmText1);
        QCOMPARE(config().comDisabled, QStringLiteral("0")); // was the debounce field
        QCOMPARE(config().entprellzeit, qint16(1));          // was the port-disabled field
        QCOMPARE(config().logfileaktive, QStringLiteral("0"));
        QVERIFY(f.station->serial.isOpen());
        QVERIFY(f.station->views.messages.isEmpty());
    }

    void exchangeDirWithoutFinalSeparatorIsUsedInside()
    {
        ConfigText c = validConfig();
        c.exchangeDir.chop(1);
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(config().exchangeDir, f.exchange);
        QVERIFY(QFile::exists(mdat(QStringLiteral("12"))));
        QCOMPARE(QDir(f.root->path()).entryList(QDir::Files), QStringList()); // nothing beside it
    }

    void leadingBlankIdGivesStationSeven()
    {
        ConfigText c = validConfig();
        c.stationId = QStringLiteral(" 007");
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(config().stationId, QStringLiteral("7"));
        QVERIFY(QFile::exists(mdat(QStringLiteral("7"))));
        QVERIFY(!QFile::exists(mdat(QStringLiteral(" 007"))));
    }

    void textFieldsAreComparedAsText_data()
    {
        QTest::addColumn<QString>("alarmempf");
        QTest::addColumn<QString>("comDisabled");
        QTest::addColumn<int>("check1");
        QTest::addColumn<int>("checkCom");
        QTest::addColumn<int>("opens");
        QTest::newRow("zero zero") << QStringLiteral("0") << QStringLiteral("0") << 0 << 0 << 1;
        QTest::newRow("one one") << QStringLiteral("1") << QStringLiteral("1") << 1 << 1 << 0;
        QTest::newRow("other texts tick") << QStringLiteral("ja") << QStringLiteral(" 0") << 1 << 1 << 0;
        QTest::newRow("empty ticks") << QString() << QString() << 1 << 1 << 0;
    }
    void textFieldsAreComparedAsText()
    {
        QFETCH(QString, alarmempf);
        QFETCH(QString, comDisabled);
        QFETCH(int, check1);
        QFETCH(int, checkCom);
        QFETCH(int, opens);
        ConfigText c = validConfig();
        c.alarmempf = alarmempf;
        c.comDisabled = comDisabled;
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(shown().Check1, check1);
        QCOMPARE(shown().CheckCom, checkCom);
        QCOMPARE(f.station->serial.openCount(), opens);
        QCOMPARE(config().alarmempf, alarmempf);
    }

    void logStateWithBlankTicksButDoesNotLog()
    {
        ConfigText c = validConfig();
        c.logfileaktive = QStringLiteral(" 1");
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(shown().logfile, 1);
        f.station->client().writeLog(QStringLiteral("x"));
        QVERIFY(!QFile::exists(f.station->appData() + QStringLiteral("/telvor.log")));
    }

    void debounceZeroGivesTimerWithoutTicks()
    {
        ConfigText c = validConfig();
        c.entprellzeit = QStringLiteral(" 0");
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(f.station->client().entprell().interval(), 0);
        QCOMPARE(shown().tastenver, QStringLiteral("0"));
        QVERIFY(f.station->views.messages.isEmpty());
    }

    void failuresShowTheirMessageAndStop_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        // clang-format off
        QTest::newRow("id overflows") << "id" << "40000" << "Überlauf - 6  ";
        QTest::newRow("id rounds over the top") << "id" << "32767.5" << "Überlauf - 6  ";
        QTest::newRow("negative debounce") << "debounce" << "-5" << "Unzulässiger Wert - 380  ";
        QTest::newRow("debounce overflows") << "debounce" << " 99999" << "Überlauf - 6  ";
        QTest::newRow("log state 3") << "log" << "3" << "Unzulässiger Wert - 380  ";
        QTest::newRow("full-screen state 7") << "full" << " 7 " << "Unzulässiger Wert - 380  ";
        QTest::newRow("test-off state -1") << "testoff" << "-1" << "Unzulässiger Wert - 380  ";
        // clang-format on
    }
    void failuresShowTheirMessageAndStop()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        ConfigText c = validConfig();
        c.comDisabled = QStringLiteral("0");
        if (field == QLatin1String("id"))
            c.stationId = value;
        else if (field == QLatin1String("debounce"))
            c.entprellzeit = value;
        else if (field == QLatin1String("log"))
            c.logfileaktive = value;
        else if (field == QLatin1String("full"))
            c.fullScreen = value;
        else if (field == QLatin1String("testoff"))
            c.testOff = value;
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(f.station->views.messages, QStringList{message});
        QVERIFY(f.station->views.setupVisible);
        QCOMPARE(QDir(f.exchange).entryList(QDir::Files), QStringList());
        QCOMPARE(f.station->views.test.loads, 0);
        QVERIFY(!state().getestet);
        QVERIFY(f.station->client().timer1().isEnabled()); // the station still polls
    }

    void negativeDebounceIsShownBeforeItIsRefused()
    {
        ConfigText c = validConfig();
        c.entprellzeit = QStringLiteral("-5");
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(shown().tastenver, QStringLiteral("-5"));
        QCOMPARE(f.station->client().entprell().interval(), 2000);
    }

    // A push-button that cannot be used is shown to the user, but the rest of the station must work:
    // its alarm text, its soft trigger, its button test.
    void portFailuresLetTheLoadingGoOn_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("openError");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("retried");
        QTest::newRow("no such port") << "3" << int(SerialOpenError::NotPresent)
                                      << "Schnittstelle nicht vorhanden - 8010  - Com Port 3 nicht verfügbar ! "
                                      << true;
        QTest::newRow("busy") << "3" << int(SerialOpenError::Busy)
                              << "Schnittstelle wird von einem anderen Programm benutzt - 8005  - Com Port 3 nicht "
                                 "verfügbar ! "
                              << true;
        QTest::newRow("not in dialout") << "3" << int(SerialOpenError::AccessDenied)
                                        << "Zugriff auf die Schnittstelle verweigert - 8011  - Com Port 3 nicht "
                                           "verfügbar ! "
                                        << true;
        QTest::newRow("other failure") << "3" << int(SerialOpenError::Failed)
                                       << "Schnittstelle kann nicht geöffnet werden - 8015  - Com Port 3 nicht "
                                          "verfügbar ! "
                                       << true;
        QTest::newRow("port 0") << "0" << int(SerialOpenError::None)
                                << "Ungültige Portnummer - 8002  - Com Port 0 nicht verfügbar ! " << false;
        QTest::newRow("port letters") << "COM" << int(SerialOpenError::None)
                                      << "Ungültige Portnummer - 8002  - Com Port COM nicht verfügbar ! " << false;
        QTest::newRow("port overflows") << "99999" << int(SerialOpenError::None)
                                        << "Überlauf - 6  - Com Port 99999 nicht verfügbar ! " << false;
    }
    void portFailuresLetTheLoadingGoOn()
    {
        QFETCH(QString, port);
        QFETCH(int, openError);
        QFETCH(QString, message);
        QFETCH(bool, retried);
        ConfigText c = validConfig();
        c.comDisabled = QStringLiteral("0");
        c.comPort = port;
        c.testOff = QStringLiteral(" 0 ");
        f.station->writeConfig(c);
        f.station->serial.failOpen(SerialOpenError(openError));
        f.station->start();
        QCOMPARE(f.station->views.messages, QStringList{message});
        QVERIFY(f.station->views.setupVisible);
        QVERIFY(QFile::exists(mdat(QStringLiteral("12"))));
        QCOMPARE(f.station->views.test.loads, 1);

        // Back (an adapter enumerated late, the other program gone): the button works from the next try.
        f.station->serial.failOpen(SerialOpenError::None);
        const int opensBefore = f.station->serial.openCount();
        f.scheduler->advance(5000);
        QCOMPARE(f.station->serial.isOpen(), retried);
        QCOMPARE(f.station->serial.openCount(), opensBefore + (retried ? 1 : 0));
        f.scheduler->advance(20000);
        QCOMPARE(f.station->serial.openCount(), opensBefore + (retried ? 1 : 0));
        if (retried)
            QCOMPARE(
                f.station->standardError.filter(QStringLiteral("Wieder in Ordnung: Schnittstelle /dev/ttyS2")).size(),
                1);
    }

    void portIsTriedEveryFiveSecondsUntilItOpens()
    {
        ConfigText c = validConfig();
        c.comDisabled = QStringLiteral("0");
        f.station->writeConfig(c);
        f.station->serial.failOpen(SerialOpenError::NotPresent);
        f.station->start();
        f.scheduler->advance(30000);
        QCOMPARE(f.station->serial.openCount(), 1 + 6);
        // One report for the whole outage, beside the message box of the start.
        QCOMPARE(f.station->standardError.filter(QStringLiteral("Schnittstelle")).size(), 1);
        QCOMPARE(f.station->views.messages.size(), 1);
    }

    void devicePathIsUsedAsItIs()
    {
        ConfigText c = validConfig();
        c.comDisabled = QStringLiteral("0");
        c.comPort = QStringLiteral("/dev/serial/by-id/usb-button");
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(f.station->serial.devicePath(), c.comPort);
        QVERIFY(f.station->serial.isOpen());
        QVERIFY(f.station->views.messages.isEmpty());
    }

    void recordBeginningWithClosingBracketFails()
    {
        f.station->writeRawConfig("][1][12]\r\n 1 \r\n\r\n\r\n\r\n 0 \r\n");
        f.station->start();
        QCOMPARE(f.station->views.messages, QStringList{QStringLiteral("Ungültiger Datensatz - 5  ")});
        QVERIFY(f.station->views.setupVisible);
        QVERIFY(config().exchangeDir.isEmpty());
    }

    void otherOpeningCharactersGiveTheSameFields()
    {
        ConfigText c = validConfig();
        QByteArray bytes = c.bytes();
        bytes[0] = 'x';
        bytes.replace("][", "]#");
        f.station->writeRawConfig(bytes);
        f.station->start();
        QVERIFY(f.station->views.messages.isEmpty());
        QCOMPARE(config().stationId, QStringLiteral("12"));
        QCOMPARE(config().exchangeDir, f.exchange);
        QVERIFY(QFile::exists(mdat(QStringLiteral("12"))));
    }

    void unreadableConfigIsAFailure()
    {
        QDir().mkpath(f.station->appData() + QStringLiteral("/TELVOR.DAT")); // a directory cannot be read as text
        f.station->start();
        QCOMPARE(f.station->views.messages, QStringList{QStringLiteral("Fehler beim Zugriff auf Pfad/Datei - 75  ")});
        QVERIFY(f.station->views.setupVisible);
    }

    void missingExchangeDirOpensPortAndWarns()
    {
        ConfigText c = validConfig();
        c.exchangeDir = f.root->filePath(QStringLiteral("share")) + QLatin1Char('/');
        c.comDisabled = QStringLiteral("0");
        f.station->writeConfig(c);
        f.station->start();
        QVERIFY(f.station->serial.isOpen());
        QCOMPARE(shown().meldungtxt, QStringLiteral("Achtung, bitte Pfad prüfen !!"));
        QVERIFY(f.station->views.setupVisible);
        QVERIFY(f.station->views.messages.isEmpty());
        QCOMPARE(f.station->views.test.loads, 0);
        QVERIFY(!state().getestet);
    }

    void shareMountedLaterResumesLoading_data()
    {
        QTest::addColumn<bool>("touched");
        QTest::newRow("untouched window is hidden") << false;
        QTest::newRow("touched window stays") << true;
    }
    void shareMountedLaterResumesLoading()
    {
        QFETCH(bool, touched);
        const QString share = f.root->filePath(QStringLiteral("share")) + QLatin1Char('/');
        ConfigText c = validConfig();
        c.exchangeDir = share;
        f.station->writeConfig(c);
        f.station->start();
        QCOMPARE(shown().meldungtxt, QStringLiteral("Achtung, bitte Pfad prüfen !!"));
        if (touched) {
            SetupFields edited = f.station->views.fields;
            edited.Text1 = QStringLiteral("neu");
            f.station->client().setupEdited(edited);
        }
        f.scheduler->advance(5000);
        QVERIFY(f.station->views.setupVisible); // still missing: keeps waiting
        QVERIFY(!state().getestet);

        QDir().mkpath(share);
        f.scheduler->advance(5000);
        QCOMPARE(readWholeFile(share + QStringLiteral("MDAT12.KVT")).bytes,
                 QByteArray("\xdc"
                            "berfall Kasse\rErdgeschoss\rZimmer 4\rPolizei rufen"));
        QVERIFY(state().getestet && state().initialisierung);
        QVERIFY(shown().meldungtxt.isEmpty());
        QCOMPARE(f.station->views.setupVisible, touched);
        QVERIFY(config().exchangeDirFound);
    }

    void savedFileLoadsBackByteExact()
    {
        // Commas, leading blanks and every code-page byte survive a write and a read.
        ConfigText c = validConfig();
        c.reservedText = decodeCp1252(QByteArray("\x81\x8d\x8f\x90\x9d \x80\x84"));
        c.alarmText1 = QStringLiteral(" Hilfe, sofort");
        c.text2 = QStringLiteral("  ä ö ü ß € „");
        f.station->writeConfig(c);
        f.station->start();
        QVERIFY(f.station->views.messages.isEmpty());
        const QString again = composeConfigFile(config(), shown());
        QCOMPARE(encodeCp1252(again), c.bytes());
    }
};

QTEST_GUILESS_MAIN(TestLoadConfig)
#include "tst_loadconfig.moc"
