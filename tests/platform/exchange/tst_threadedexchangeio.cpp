// The bounded worker that stands between the windows and a share that may stop answering.

#include "platform/ThreadedExchangeIo.h"

#include <QTest>

#include <condition_variable>
#include <mutex>

using namespace std::chrono_literals;
using namespace telvor;

namespace {

/** A share whose calls block while it is held; each call answers with the path it was asked about. */
class HoldableShare final : public ExchangeIo {
public:
    void hold()
    {
        const std::lock_guard lock(m_mutex);
        m_held = true;
    }
    void release()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_held = false;
        }
        m_changed.notify_all();
    }
    int calls() const
    {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }

    Probe probe(const QString& path, Links) override
    {
        enter();
        Probe probe;
        probe.presence = path.endsWith(QLatin1String("there")) ? Presence::Present : Presence::Absent;
        return probe;
    }
    ReadResult read(const QString& path, qint64) override
    {
        enter();
        ReadResult result;
        result.bytes = path.toUtf8();
        return result;
    }
    IoResult write(const QString&, const QByteArray&, const WriteOptions&) override { return answered(); }
    IoResult createEmpty(const QString&, int) override { return answered(); }
    IoResult remove(const QString&) override { return answered(); }
    IoResult forceRemove(const QString&) override { return answered(); }
    IoResult removeEmptyDirectory(const QString&) override { return answered(); }
    ListResult list(const QString&) override
    {
        enter();
        return ListResult{IoResult{}, {QStringLiteral("a")}};
    }
    qint64 outstandingMs() const override { return -1; }

private:
    void enter()
    {
        std::unique_lock lock(m_mutex);
        ++m_calls;
        m_changed.wait(lock, [this] { return !m_held; });
    }
    IoResult answered()
    {
        enter();
        return IoResult{};
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    int m_calls = 0;
};

} // namespace

class TestThreadedExchangeIo final : public QObject {
    Q_OBJECT

private slots:
    void answersPassThrough()
    {
        HoldableShare share;
        ThreadedExchangeIo io(share, 5s);
        QCOMPARE(io.probe(QStringLiteral("/x/there"), Links::Follow).presence, Presence::Present);
        QCOMPARE(io.probe(QStringLiteral("/x/gone"), Links::Follow).presence, Presence::Absent);
        QCOMPARE(io.read(QStringLiteral("/x/MESSAGE.KVT"), 10).bytes, QByteArray("/x/MESSAGE.KVT"));
        QVERIFY(io.write(QStringLiteral("/x/a"), "1", {}).ok());
        QCOMPARE(io.list(QStringLiteral("/x")).names, QStringList{QStringLiteral("a")});
        QCOMPARE(io.outstandingMs(), qint64(-1));
    }

    void hangingShareAnswersUnknownAndHealsAfterwards()
    {
        HoldableShare share;
        ThreadedExchangeIo io(share, 50ms);
        share.hold();
        // The first call waits its bound, then gives up on an answer.
        QCOMPARE(io.probe(QStringLiteral("/x/there"), Links::Follow).presence, Presence::Unknown);
        // While that call is still in the share nothing new is started: every call is unknown at once.
        QCOMPARE(io.read(QStringLiteral("/x/MESSAGE.KVT"), 10).status, IoStatus::Unknown);
        QCOMPARE(io.write(QStringLiteral("/x/a"), "1", {}).status, IoStatus::Unknown);
        QCOMPARE(io.remove(QStringLiteral("/x/a")).status, IoStatus::Unknown);
        QCOMPARE(io.list(QStringLiteral("/x")).status, IoStatus::Unknown);
        QCOMPARE(share.calls(), 1);
        const qint64 first = io.outstandingMs();
        QVERIFY(first >= 0);
        QTRY_VERIFY(io.outstandingMs() > first);

        share.release();
        QTRY_COMPARE(io.outstandingMs(), qint64(-1));
        // The late answer of the stuck call is dropped; the next call is a call of its own.
        QCOMPARE(io.read(QStringLiteral("/x/MDAT12.KVT"), 10).bytes, QByteArray("/x/MDAT12.KVT"));
        QCOMPARE(share.calls(), 2);
    }
};

QTEST_GUILESS_MAIN(TestThreadedExchangeIo)
#include "tst_threadedexchangeio.moc"
