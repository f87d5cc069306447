#pragma once

#include "common/ExchangeIo.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QList>
#include <QString>

#include <optional>

namespace telvor::test {

/**
 * The exchange directory as a station sees it through a misbehaving share: calls on chosen names
 * fail with an errno, answer "unknown", or the whole share hangs (in virtual time). Everything
 * else reaches the real directory. Every call is recorded, so that a test can count what a station
 * costs the share.
 */
class FaultyExchangeIo final : public ExchangeIo {
public:
    enum Operation {
        OpProbe = 1,
        OpRead = 2,
        OpWrite = 4,
        OpCreateEmpty = 8,
        OpRemove = 16,
        OpForceRemove = 32,
        OpRemoveDirectory = 64,
        OpList = 128,
        OpAny = 255,
    };

    FaultyExchangeIo(ExchangeIo& inner, const VirtualScheduler& scheduler) : m_inner(inner), m_scheduler(scheduler) {}

    /** Calls of operations on a path ending with suffix fail with error (0: no answer), times times (-1: always). */
    void fail(int operations, const QString& suffix, int error, int times = -1);
    void clearFaults() { m_faults.clear(); }
    /** The share stops answering: every call is Unknown, and one call is outstanding since now. */
    void hang() { m_hungSince = m_scheduler.now(); }
    void release() { m_hungSince = -1; }

    struct Call {
        int operation;
        QString path;
    };
    QList<Call> calls;
    int count(int operations, const QString& suffix) const;

    Probe probe(const QString& path, Links links) override;
    ReadResult read(const QString& path, qint64 maxBytes) override;
    IoResult write(const QString& path, const QByteArray& bytes, const WriteOptions& options) override;
    IoResult createEmpty(const QString& path, int mode) override;
    IoResult remove(const QString& path) override;
    IoResult forceRemove(const QString& path) override;
    IoResult removeEmptyDirectory(const QString& path) override;
    ListResult list(const QString& path) override;
    qint64 outstandingMs() const override { return m_hungSince < 0 ? -1 : m_scheduler.now() - m_hungSince; }

private:
    struct Fault {
        int operations;
        QString suffix;
        int error;
        int times;
    };
    /** The injected result for this call, if any. */
    std::optional<IoResult> injected(int operation, const QString& path);

    ExchangeIo& m_inner;
    const VirtualScheduler& m_scheduler;
    QList<Fault> m_faults;
    qint64 m_hungSince = -1;
};

} // namespace telvor::test
