#include "platform/ThreadedExchangeIo.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace telvor {

namespace {

using Clock = std::chrono::steady_clock;

template <typename Result> Result unknownResult()
{
    Result result;
    static_cast<IoResult&>(result) = ioUnknown();
    return result;
}

} // namespace

/** The thread and the one call it may be running; shared with the calls, which may outlive a wait. */
struct ThreadedExchangeIo::Worker {
    std::mutex mutex;
    std::condition_variable wake;     ///< a job is there, or the worker is to quit
    std::condition_variable finished; ///< the running job has stored its result
    std::function<void()> job;
    bool busy = false;
    bool quit = false;
    Clock::time_point started;
    std::thread thread;

    void loop()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return quit || job; });
            if (quit)
                return;
            std::function<void()> current = std::move(job);
            job = nullptr;
            lock.unlock();
            current();
            lock.lock();
            busy = false;
            finished.notify_all();
        }
    }
};

ThreadedExchangeIo::ThreadedExchangeIo(ExchangeIo& inner, std::chrono::milliseconds bound)
    : m_inner(inner), m_worker(std::make_shared<Worker>()), m_bound(bound)
{
    m_worker->thread = std::thread([worker = m_worker.get()] { worker->loop(); });
}

ThreadedExchangeIo::~ThreadedExchangeIo()
{
    {
        const std::lock_guard lock(m_worker->mutex);
        m_worker->quit = true;
    }
    m_worker->wake.notify_all();
    m_worker->thread.join();
}

template <typename Result, typename Call> Result ThreadedExchangeIo::run(Result unknown, Call call)
{
    Worker& worker = *m_worker;
    auto answer = std::make_shared<std::optional<Result>>();
    std::unique_lock lock(worker.mutex);
    if (worker.busy)
        return unknown; // the share still owes the answer to an earlier call
    worker.busy = true;
    worker.started = Clock::now();
    worker.job = [&worker, answer, call = std::move(call)] {
        Result result = call();
        const std::lock_guard resultLock(worker.mutex);
        *answer = std::move(result);
    };
    worker.wake.notify_all();
    if (!worker.finished.wait_for(lock, m_bound, [&answer] { return answer->has_value(); }))
        return unknown;
    return std::move(**answer);
}

Probe ThreadedExchangeIo::probe(const QString& path, Links links)
{
    return run(Probe{}, [this, path, links] { return m_inner.probe(path, links); });
}

ReadResult ThreadedExchangeIo::read(const QString& path, qint64 maxBytes)
{
    return run(unknownResult<ReadResult>(), [this, path, maxBytes] { return m_inner.read(path, maxBytes); });
}

IoResult ThreadedExchangeIo::write(const QString& path, const QByteArray& bytes, const WriteOptions& options)
{
    return run(ioUnknown(), [this, path, bytes, options] { return m_inner.write(path, bytes, options); });
}

IoResult ThreadedExchangeIo::createEmpty(const QString& path, int mode)
{
    return run(ioUnknown(), [this, path, mode] { return m_inner.createEmpty(path, mode); });
}

IoResult ThreadedExchangeIo::remove(const QString& path)
{
    return run(ioUnknown(), [this, path] { return m_inner.remove(path); });
}

IoResult ThreadedExchangeIo::forceRemove(const QString& path)
{
    return run(ioUnknown(), [this, path] { return m_inner.forceRemove(path); });
}

IoResult ThreadedExchangeIo::removeEmptyDirectory(const QString& path)
{
    return run(ioUnknown(), [this, path] { return m_inner.removeEmptyDirectory(path); });
}

ListResult ThreadedExchangeIo::list(const QString& path)
{
    return run(unknownResult<ListResult>(), [this, path] { return m_inner.list(path); });
}

qint64 ThreadedExchangeIo::outstandingMs() const
{
    const std::lock_guard lock(m_worker->mutex);
    if (!m_worker->busy)
        return -1;
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_worker->started).count();
}

} // namespace telvor
