// The exchange module: the names of the files, the decision on the message slot, and the way into
// the directory that every program of the site shares.

#include "common/Cp1252.h"
#include "common/Exchange.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace telvor;

namespace {

ReadResult readOf(IoStatus status, int error, const QByteArray& bytes = {})
{
    ReadResult result;
    result.status = status;
    result.error = error;
    result.bytes = bytes;
    return result;
}

ReadResult content(const QByteArray& bytes)
{
    return readOf(IoStatus::Ok, 0, bytes);
}

/** A share whose calls all hang: nothing answers, and one call has been waiting for a while. */
struct HungShare final : ExchangeIo {
    Probe probe(const QString&, Links) override { return Probe{}; }
    ReadResult read(const QString&, qint64) override { return readOf(IoStatus::Unknown, 0); }
    IoResult write(const QString&, const QByteArray&, const WriteOptions&) override { return ioUnknown(); }
    IoResult createEmpty(const QString&, int) override { return ioUnknown(); }
    IoResult remove(const QString&) override { return ioUnknown(); }
    IoResult forceRemove(const QString&) override { return ioUnknown(); }
    IoResult removeEmptyDirectory(const QString&) override { return ioUnknown(); }
    ListResult list(const QString&) override { return ListResult{ioUnknown(), {}}; }
    qint64 outstandingMs() const override { return outstanding; }
    qint64 outstanding = -1;
};

} // namespace

Q_DECLARE_METATYPE(telvor::ReadResult)
Q_DECLARE_METATYPE(telvor::SlotDecision::Action)

class TestExchange final : public QObject {
    Q_OBJECT

private slots:
    void alarmText_data() const
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("content");
        QTest::newRow("four empty lines are three CR") << QStringList(4, QString()) << "\r\r\r";
        QTest::newRow("four lines") << QStringList{"Überfall", "Kasse 3", "Erdgeschoss", "sofort 110"}
                                    << "Überfall\rKasse 3\rErdgeschoss\rsofort 110";
        QTest::newRow("blanks and commas kept") << QStringList{" a, b ", "", "  ", "d"} << " a, b \r\r  \rd";
        QTest::newRow("only the last line") << QStringList{"", "", "", "x"} << "\r\r\rx";
    }
    void alarmText() const
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, content);
        QCOMPARE(alarmTextContent(lines.at(0), lines.at(1), lines.at(2), lines.at(3)), content);
    }

    void slotDecision_data() const
    {
        using A = SlotDecision::Action;
        QTest::addColumn<ReadResult>("slot");
        QTest::addColumn<A>("action");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<bool>("problem");
        QTest::newRow("gone since the test") << readOf(IoStatus::NotFound, ENOENT) << A::Absent << "" << false;
        QTest::newRow("a station's ID") << content("12") << A::ReadText << "12" << false;
        QTest::newRow("being written") << content("") << A::Leave << "" << false;
        QTest::newRow("no answer") << readOf(IoStatus::Unknown, 0) << A::Leave << "" << true;
        QTest::newRow("input/output error") << readOf(IoStatus::Failed, EIO) << A::Leave << "" << true;
        QTest::newRow("a directory") << readOf(IoStatus::NotAFile, EISDIR) << A::RemoveDirectory << "" << false;
        QTest::newRow("a named pipe") << readOf(IoStatus::NotAFile, EINVAL) << A::Leave << "" << true;
        QTest::newRow("a link") << readOf(IoStatus::NotAFile, ELOOP) << A::Leave << "" << true;
        QTest::newRow("path outside") << content("../x") << A::Remove << "../x" << false;
        QTest::newRow("very long") << content(QByteArray(65, '1')) << A::Remove << QString(65, u'1') << false;
        QTest::newRow("code page") << content("\xe4") << A::ReadText << "ä" << false;
    }
    void slotDecision() const
    {
        QFETCH(ReadResult, slot);
        QFETCH(SlotDecision::Action, action);
        QFETCH(QString, sender);
        QFETCH(bool, problem);
        const SlotDecision decision = decideSlot(slot);
        QCOMPARE(decision.action, action);
        QCOMPARE(decision.sender, sender);
        QCOMPARE(!decision.problem.isEmpty(), problem);
        if (problem)
            QCOMPARE(decision.problemFile, QStringLiteral("MESSAGE.KVT"));
    }

    void alarmDecision_data() const
    {
        using A = SlotDecision::Action;
        QTest::addColumn<ReadResult>("text");
        QTest::addColumn<A>("action");
        QTest::addColumn<QString>("shown");
        QTest::newRow("the text") << content("Hilfe\r\xdc"
                                             "berfall\r\r")
                                  << A::Show << "Hilfe\rÜberfall\r\r";
        QTest::newRow("four empty lines") << content("\r\r\r") << A::Show << "\r\r\r";
        QTest::newRow("no alarm text") << readOf(IoStatus::NotFound, ENOENT) << A::Remove << "";
        QTest::newRow("a directory") << readOf(IoStatus::NotAFile, EISDIR) << A::Leave << "";
        QTest::newRow("unreadable") << readOf(IoStatus::Failed, EACCES) << A::Leave << "";
        QTest::newRow("no answer") << readOf(IoStatus::Unknown, 0) << A::Leave << "";
    }
    void alarmDecision() const
    {
        QFETCH(ReadResult, text);
        QFETCH(SlotDecision::Action, action);
        QFETCH(QString, shown);
        const SlotDecision decision = decideAlarm(QStringLiteral("12"), text);
        QCOMPARE(decision.action, action);
        QCOMPARE(decision.sender, QStringLiteral("12"));
        QCOMPARE(decision.text, shown);
        if (action == SlotDecision::Action::Leave) {
            QCOMPARE(decision.problemFile, QStringLiteral("MDAT12.KVT"));
            QVERIFY(!decision.problem.isEmpty());
        }
    }

    void lookAtSlotReadsOnlyWhatItNeeds()
    {
        QTemporaryDir dir;
        DirectExchangeIo disk;
        Exchange exchange(disk);
        exchange.setDirectory(dir.path()); // without its separator: files still go inside
        QCOMPARE(exchange.lookAtSlot().action, SlotDecision::Action::Absent);
        QVERIFY(exchange.write(QStringLiteral("MESSAGE.KVT"), "12").ok());
        QCOMPARE(exchange.lookAtSlot().action, SlotDecision::Action::Remove);
        QVERIFY(exchange.write(QStringLiteral("MDAT12.KVT"), encodeCp1252(QStringLiteral("Überfall"))).ok());
        const SlotDecision shown = exchange.lookAtSlot();
        QCOMPARE(shown.action, SlotDecision::Action::Show);
        QCOMPARE(shown.text, QStringLiteral("Überfall"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("MESSAGE.KVT"))));
    }

    void withoutDirectoryNothingIsTouched()
    {
        // A bare name would land wherever the program was started.
        const QString start = QDir::currentPath();
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        DirectExchangeIo disk;
        Exchange exchange(disk, QStringLiteral("7"));
        QCOMPARE(exchange.probe(QStringLiteral("MESSAGE.KVT")).presence, Presence::Absent);
        QCOMPARE(exchange.probeDirectory().presence, Presence::Absent);
        QCOMPARE(exchange.write(QStringLiteral("MESSAGE.KVT"), "7").status, IoStatus::NotFound);
        QCOMPARE(exchange.createEmpty(QStringLiteral("START.7")).status, IoStatus::NotFound);
        QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        QVERIFY(QDir::setCurrent(start));
    }

    void filesAreReadableByEveryStation()
    {
        QTemporaryDir dir;
        DirectExchangeIo disk;
        Exchange exchange(disk, QStringLiteral("7"));
        exchange.setDirectory(dir.path() + QLatin1Char('/'));
        const mode_t previous = ::umask(077);
        const bool written = exchange.write(QStringLiteral("MDAT7.KVT"), "x").ok();
        const bool created = exchange.createEmpty(QStringLiteral("START.7")).ok();
        ::umask(previous);
        QVERIFY(written && created);
        for (const char* name : {"MDAT7.KVT", "START.7"}) {
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(dir.filePath(QLatin1String(name))).constData(), &info), 0);
            QCOMPARE(info.st_mode & 07777, mode_t(0664));
        }
    }

    void ownLeftoversAreRemoved()
    {
        QTemporaryDir dir;
        const QStringList names{".telvor-tmp-7-abc", ".telvor-tmp-7-def", ".telvor-tmp-71-abc", ".telvor-tmp-xyz",
                                "MDAT7.KVT"};
        for (const QString& name : names) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        DirectExchangeIo disk;
        Exchange exchange(disk, QStringLiteral("7"));
        exchange.setDirectory(dir.path() + QLatin1Char('/'));
        QVERIFY(exchange.removeOwnLeftovers().ok());
        // Station 71's and an older writer's are theirs to clear.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{".telvor-tmp-71-abc", ".telvor-tmp-xyz", "MDAT7.KVT"}));
    }

    void hangIsReportedOnceAfterThreeSeconds()
    {
        HungShare share;
        Exchange exchange(share);
        QStringList lines;
        QStringList log;
        FailureReporter reporter(
            QStringLiteral("telvor"), [&lines](const QString& l) { lines.append(l); },
            [&log](const QString& l) { log.append(l); });
        for (const qint64 outstanding : {qint64(-1), qint64(100), qint64(2999)}) {
            share.outstanding = outstanding;
            exchange.reportHang(reporter);
        }
        QVERIFY(lines.isEmpty());
        for (const qint64 outstanding : {qint64(3000), qint64(60000)}) {
            share.outstanding = outstanding;
            exchange.reportHang(reporter);
        }
        QCOMPARE(lines, QStringList{QStringLiteral("telvor: Austauschverzeichnis antwortet nicht")});
        share.outstanding = -1;
        exchange.reportHang(reporter);
        exchange.reportHang(reporter);
        QCOMPARE(log, (QStringList{QStringLiteral("Austauschverzeichnis antwortet nicht"),
                                   QStringLiteral("Austauschverzeichnis antwortet wieder")}));
    }
};

QTEST_APPLESS_MAIN(TestExchange)
#include "tst_exchange.moc"
