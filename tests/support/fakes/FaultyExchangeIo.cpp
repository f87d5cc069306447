#include "FaultyExchangeIo.h"

namespace telvor::test {

namespace {

template <typename Result> Result as(const IoResult& io)
{
    Result result;
    static_cast<IoResult&>(result) = io;
    return result;
}

} // namespace

void FaultyExchangeIo::fail(int operations, const QString& suffix, int error, int times)
{
    m_faults.append({operations, suffix, error, times});
}

int FaultyExchangeIo::count(int operations, const QString& suffix) const
{
    int n = 0;
    for (const Call& call : calls)
        n += (call.operation & operations) && call.path.endsWith(suffix) ? 1 : 0;
    return n;
}

std::optional<IoResult> FaultyExchangeIo::injected(int operation, const QString& path)
{
    calls.append({operation, path});
    if (m_hungSince >= 0)
        return ioUnknown();
    for (Fault& fault : m_faults) {
        if (!(fault.operations & operation) || !path.endsWith(fault.suffix) || fault.times == 0)
            continue;
        if (fault.times > 0)
            --fault.times;
        return fault.error == 0 ? ioUnknown() : ioFailure(fault.error);
    }
    return std::nullopt;
}

Probe FaultyExchangeIo::probe(const QString& path, Links links)
{
    if (const std::optional<IoResult> fault = injected(OpProbe, path)) {
        Probe probe;
        probe.error = fault->error;
        probe.presence = fault->status == IoStatus::NotFound ? Presence::Absent : Presence::Unknown;
        return probe;
    }
    return m_inner.probe(path, links);
}

ReadResult FaultyExchangeIo::read(const QString& path, qint64 maxBytes)
{
    if (const std::optional<IoResult> fault = injected(OpRead, path))
        return as<ReadResult>(*fault);
    return m_inner.read(path, maxBytes);
}

IoResult FaultyExchangeIo::write(const QString& path, const QByteArray& bytes, const WriteOptions& options)
{
    if (const std::optional<IoResult> fault = injected(OpWrite, path))
        return *fault;
    return m_inner.write(path, bytes, options);
}

IoResult FaultyExchangeIo::createEmpty(const QString& path, int mode)
{
    if (const std::optional<IoResult> fault = injected(OpCreateEmpty, path))
        return *fault;
    return m_inner.createEmpty(path, mode);
}

IoResult FaultyExchangeIo::remove(const QString& path)
{
    if (const std::optional<IoResult> fault = injected(OpRemove, path))
        return *fault;
    return m_inner.remove(path);
}

IoResult FaultyExchangeIo::forceRemove(const QString& path)
{
    if (const std::optional<IoResult> fault = injected(OpForceRemove, path))
        return *fault;
    return m_inner.forceRemove(path);
}

IoResult FaultyExchangeIo::removeEmptyDirectory(const QString& path)
{
    if (const std::optional<IoResult> fault = injected(OpRemoveDirectory, path))
        return *fault;
    return m_inner.removeEmptyDirectory(path);
}

ListResult FaultyExchangeIo::list(const QString& path)
{
    if (const std::optional<IoResult> fault = injected(OpList, path))
        return as<ListResult>(*fault);
    return m_inner.list(path);
}

} // namespace telvor::test
