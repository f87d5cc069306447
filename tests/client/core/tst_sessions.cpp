// One station ID in several sessions of one machine: the first client is the station, a second
// one receives and shows alarms and leaves the push-button, the trigger file, the alarm-text file
// and the slot to the first, until the first ends.

#include "common/Cp1252.h"
#include "common/FileIo.h"
#include "support/fakes/Station.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>
#include <list>
#include <memory>

using namespace telvor;
using namespace telvor::test;

namespace {

const QString kSecondText =
    QStringLiteral("telvor: Station 7 läuft auf diesem Rechner bereits in einer anderen Sitzung");
const QString kTakeOverText =
    QStringLiteral("telvor: Station 7 läuft jetzt in dieser Sitzung: die andere Sitzung ist beendet");

} // namespace

class TestSessions final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<VirtualScheduler> m_time;
    std::list<Station> m_sessions;
    QString m_exchange;
    QString m_locks;

    /** A session of its own user on this machine, started as station id with the push-button in use. */
    Station& session(const QString& id, const QString& testOff = QStringLiteral(" 1 "),
                     const std::function<void(Station&)>& beforeStart = {})
    {
        Station& s =
            m_sessions.emplace_back(*m_time, m_root->filePath(QStringLiteral("user%1").arg(m_sessions.size())));
        s.stationLockDirectory = m_locks;
        ConfigText c;
        c.exchangeDir = m_exchange;
        c.stationId = id;
        c.comDisabled = QStringLiteral("0");
        c.testOff = testOff;
        s.writeConfig(c);
        if (beforeStart)
            beforeStart(s);
        s.start();
        return s;
    }
    QString file(const QString& name) const { return m_exchange + name; }
    QByteArray slot() const { return readWholeFile(file(QStringLiteral("MESSAGE.KVT"))).bytes; }
    static void trigger(const QString& path) { QVERIFY(createEmptyFile(path).ok()); }

private Q_SLOTS:
    void init()
    {
        m_sessions.clear();
        m_time = std::make_unique<VirtualScheduler>();
        m_root = std::make_unique<QTemporaryDir>();
        m_exchange = m_root->filePath(QStringLiteral("exchange")) + QLatin1Char('/');
        m_locks = m_root->filePath(QStringLiteral("lock"));
        QVERIFY(QDir().mkpath(m_exchange) && QDir().mkpath(m_locks));
    }
    void cleanup() { m_sessions.clear(); }

    void secondSessionReceivesAndLeavesTheStationAlone()
    {
        Station& first = session(QStringLiteral("7"));
        QVERIFY(QFile::remove(file(QStringLiteral("MDAT7.KVT"))));
        const QString leftover = file(temporaryNamePrefix(QStringLiteral("7")) + QStringLiteral("crash"));
        trigger(leftover);
        m_time->advance(500);
        Station& second = session(QStringLiteral("7"), QStringLiteral(" 0 "));

        QVERIFY(first.client().isStation() && first.serial.isOpen());
        QVERIFY(!second.client().isStation());
        QCOMPARE(second.standardError, QStringList{kSecondText});
        QVERIFY(second.logTexts().contains(kSecondText.mid(8)));
        QVERIFY(second.views.messages.isEmpty());
        QCOMPARE(second.serial.openCount(), 0);
        QCOMPARE(second.views.test.loads, 0);
        QVERIFY(second.client().state().getestet && second.client().state().initialisierung);
        QVERIFY(!QFile::exists(file(QStringLiteral("MDAT7.KVT"))));
        QVERIFY(QFile::exists(leftover));

        // The trigger file appears just before the second session's tick: it is the first's all the same.
        m_time->advance(600);
        trigger(file(QStringLiteral("START.7")));
        m_time->advance(500);
        QVERIFY(QFile::exists(file(QStringLiteral("START.7"))));
        QVERIFY(!QFile::exists(file(QStringLiteral("MESSAGE.KVT"))));
        m_time->advance(500);
        QCOMPARE(slot(), QByteArray("7"));
        QCOMPARE(first.views.sent.shown, 1);
        QCOMPARE(second.views.sent.shown, 0);

        // The alarm was raised at this desk: it stays silent in the second session as in the first,
        // and the first's hold ends it.
        m_time->advance(20000);
        QVERIFY(second.views.alarms.isEmpty());
        QVERIFY(!QFile::exists(file(QStringLiteral("MESSAGE.KVT"))));
        QCOMPARE(first.logTexts().count(QStringLiteral("Message - gelöscht")), 1);
        QCOMPARE(second.logTexts().count(QStringLiteral("Message - gelöscht")), 0);

        // Another station's alarm reaches both sessions.
        QVERIFY(writeFileAtomic(file(QStringLiteral("MDAT12.KVT")), "Hilfe").ok());
        QVERIFY(writeFileAtomic(file(QStringLiteral("MESSAGE.KVT")), "12").ok());
        m_time->advance(5000);
        QCOMPARE(first.views.alarms, QStringList{QStringLiteral("Hilfe")});
        QCOMPARE(second.views.alarms, QStringList{QStringLiteral("Hilfe")});
        QVERIFY(QFile::remove(file(QStringLiteral("MESSAGE.KVT"))));

        // A save of the second session writes its user's file and nothing of the station's.
        const QByteArray alarmText = readWholeFile(file(QStringLiteral("MDAT7.KVT"))).bytes;
        second.client().setupRequested();
        SetupFields edited = second.client().fields();
        edited.Text1 = QStringLiteral("Anderer Text");
        second.client().setupEdited(edited);
        second.client().speichern_Click();
        QVERIFY(!second.views.setupVisible);
        QVERIFY(QFile::exists(second.appData() + QStringLiteral("/TELVOR.DAT")));
        m_time->advance(10000);
        QCOMPARE(readWholeFile(file(QStringLiteral("MDAT7.KVT"))).bytes, alarmText);
        QCOMPARE(second.serial.openCount(), 0);
        QCOMPARE(second.views.test.loads, 0);
        QVERIFY(QFile::exists(leftover));
        QCOMPARE(second.standardError.size(), 1);
    }

    void secondSessionTakesOverWhenTheFirstEnds()
    {
        auto& first = session(QStringLiteral("7"));
        trigger(file(QStringLiteral("START.7")));
        m_time->advance(1000);
        QCOMPARE(slot(), QByteArray("7"));
        Station& second = session(QStringLiteral("7"));
        QVERIFY(!second.client().state().messageSent);
        QVERIFY(QFile::remove(file(QStringLiteral("MDAT7.KVT"))));
        const QString leftover = file(temporaryNamePrefix(QStringLiteral("7")) + QStringLiteral("crash"));
        trigger(leftover);

        // The first session ends in the middle of its hold.
        m_sessions.remove_if([&first](const Station& s) { return &s == &first; });
        m_time->advance(1000);
        QVERIFY(second.client().isStation());
        QCOMPARE(second.standardError, (QStringList{kSecondText, kTakeOverText}));
        QVERIFY(second.logTexts().contains(kTakeOverText.mid(8)));
        QVERIFY(second.serial.isOpen());
        QVERIFY(QFile::exists(file(QStringLiteral("MDAT7.KVT"))));
        QVERIFY(!QFile::exists(leftover));
        QVERIFY(second.client().state().messageSent); // the hold the first left, ended as its own
        m_time->advance(15000);
        QVERIFY(!QFile::exists(file(QStringLiteral("MESSAGE.KVT"))));
        QCOMPARE(second.logTexts().count(QStringLiteral("Message - gelöscht")), 1);

        // The push-button was tested by the first session: a press is an alarm at once.
        second.serial.press();
        m_time->advance(200);
        second.serial.release();
        QCOMPARE(slot(), QByteArray("7"));
        QCOMPARE(second.views.sent.shown, 1);
        m_time->advance(16000);
        trigger(file(QStringLiteral("START.7")));
        m_time->advance(1000);
        QVERIFY(!QFile::exists(file(QStringLiteral("START.7"))));
        QCOMPARE(second.views.sent.shown, 2);
        QCOMPARE(second.standardError.size(), 2);
    }

    void saveOfAnotherIdDecidesAgain()
    {
        session(QStringLiteral("7"));
        // A rewrite of its alarm text is pending when the save moves it to an ID run elsewhere.
        Station& moving = session(QStringLiteral("8"), QStringLiteral(" 1 "), [](Station& s) {
            s.share.fail(FaultyExchangeIo::OpWrite, QStringLiteral("MDAT8.KVT"), EIO);
        });
        Station& waiting = session(QStringLiteral("8"));
        QVERIFY(moving.client().isStation() && !waiting.client().isStation());
        moving.share.clearFaults();
        QVERIFY(!QFile::exists(file(QStringLiteral("MDAT8.KVT"))));
        SetupFields edited = moving.client().fields();
        edited.Text5 = QStringLiteral("7");
        moving.client().setupEdited(edited);
        QVERIFY(QFile::remove(file(QStringLiteral("MDAT7.KVT"))));
        moving.client().speichern_Click();

        QVERIFY(!moving.client().isStation());
        QVERIFY(!moving.serial.isOpen());
        QVERIFY(moving.standardError.contains(kSecondText));
        m_time->advance(10000);
        QVERIFY(!QFile::exists(file(QStringLiteral("MDAT7.KVT"))));
        QVERIFY(waiting.client().isStation()); // the lock of 8 went with the save
        QVERIFY(waiting.serial.isOpen());

        moving.client().setupRequested();
        edited = moving.client().fields();
        edited.Text5 = QStringLiteral("9");
        moving.client().setupEdited(edited);
        moving.client().speichern_Click();
        QVERIFY(moving.client().isStation());
        QVERIFY(moving.serial.isOpen());
        QVERIFY(QFile::exists(file(QStringLiteral("MDAT9.KVT"))));
    }

    void lockThatCannotBeTakenSilencesNoStation()
    {
        m_locks = m_root->filePath(QStringLiteral("no-such-directory"));
        Station& first = session(QStringLiteral("7"));
        Station& second = session(QStringLiteral("7"));
        for (Station* s : {&first, &second}) {
            QVERIFY(s->client().isStation());
            QVERIFY(s->serial.isOpen());
            QCOMPARE(s->standardError.size(), 1);
            QVERIFY2(s->standardError.first().contains(m_locks + QStringLiteral("/telvor-station-7.lock: ")),
                     qPrintable(s->standardError.first()));
        }
    }
};

QTEST_GUILESS_MAIN(TestSessions)
#include "tst_sessions.moc"
