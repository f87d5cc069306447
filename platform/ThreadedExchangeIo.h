#pragma once

#include "common/ExchangeIo.h"

#include <chrono>
#include <memory>

namespace telvor {

/**
 * Runs every call on the exchange directory on a worker thread of its own and waits for it at
 * most a short bound, so that a share that stops answering never stops the windows. A call that
 * has not answered within the bound answers Unknown; while it is still outstanding nothing new is
 * started and every call answers Unknown at once. When the stuck call returns at last, its result
 * is dropped and the next call runs normally.
 */
class ThreadedExchangeIo final : public ExchangeIo {
public:
    explicit ThreadedExchangeIo(ExchangeIo& inner,
                                std::chrono::milliseconds bound = std::chrono::milliseconds(kShareCallBoundMs));
    /** Waits for a call in progress: end a program whose share hangs with _exit instead. */
    ~ThreadedExchangeIo() override;
    ThreadedExchangeIo(const ThreadedExchangeIo&) = delete;
    ThreadedExchangeIo& operator=(const ThreadedExchangeIo&) = delete;

    Probe probe(const QString& path, Links links) override;
    ReadResult read(const QString& path, qint64 maxBytes) override;
    IoResult write(const QString& path, const QByteArray& bytes, const WriteOptions& options) override;
    IoResult createEmpty(const QString& path, int mode) override;
    IoResult remove(const QString& path) override;
    IoResult forceRemove(const QString& path) override;
    IoResult removeEmptyDirectory(const QString& path) override;
    ListResult list(const QString& path) override;
    [[nodiscard]] qint64 outstandingMs() const override;

private:
    struct Worker;
    template <typename Result, typename Call> Result run(Result unknown, Call call);

    ExchangeIo& m_inner;
    std::shared_ptr<Worker> m_worker;
    std::chrono::milliseconds m_bound;
};

} // namespace telvor
