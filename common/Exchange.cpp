#include "common/Exchange.h"

#include "common/Cp1252.h"

#include <cerrno>
#include <utility>

namespace telvor {

namespace {

const QString kHangKey = QStringLiteral("Austauschverzeichnis antwortet nicht");

SlotDecision leave(const QString& file, const QString& problem, const QString& sender = {})
{
    SlotDecision decision;
    decision.action = SlotDecision::Action::Leave;
    decision.sender = sender;
    decision.problemFile = file;
    decision.problem = problem;
    return decision;
}

SlotDecision act(SlotDecision::Action action, const QString& sender = {})
{
    SlotDecision decision;
    decision.action = action;
    decision.sender = sender;
    return decision;
}

QString notAFileProblem(const IoResult& result)
{
    return result.error == ELOOP ? QStringLiteral("ist ein symbolischer Link")
                                 : QStringLiteral("ist keine gewöhnliche Datei");
}

} // namespace

SlotDecision decideSlot(const ReadResult& slot)
{
    switch (slot.status) {
    case IoStatus::NotFound:
        // Removed by its sender between the existence test and the read.
        return act(SlotDecision::Action::Absent);
    case IoStatus::NotAFile:
        if (slot.error == EISDIR)
            return act(SlotDecision::Action::RemoveDirectory);
        return leave(kMessageFileName, notAFileProblem(slot));
    case IoStatus::Failed:
    case IoStatus::Unknown:
        return leave(kMessageFileName, slot.errorText());
    case IoStatus::Ok:
        break;
    }
    // An empty slot is being written by its sender right now: never delete a live alarm. It is
    // no fault either, so there is nothing to report.
    if (slot.bytes.isEmpty())
        return leave(kMessageFileName, QString());
    const QString sender = decodeCp1252(slot.bytes);
    if (!isSafeStationId(sender))
        return act(SlotDecision::Action::Remove, sender);
    return act(SlotDecision::Action::ReadText, sender);
}

SlotDecision decideAlarm(const QString& sender, const ReadResult& text)
{
    const QString file = alarmTextFileName(sender);
    switch (text.status) {
    case IoStatus::NotFound:
        return act(SlotDecision::Action::Remove, sender);
    case IoStatus::NotAFile:
        return leave(file, notAFileProblem(text), sender);
    case IoStatus::Failed:
    case IoStatus::Unknown:
        return leave(file, text.errorText(), sender);
    case IoStatus::Ok:
        break;
    }
    SlotDecision decision = act(SlotDecision::Action::Show, sender);
    decision.text = decodeCp1252(text.bytes);
    return decision;
}

Exchange::Exchange(ExchangeIo& io, QString tag) : m_io(io), m_tag(std::move(tag))
{
}

IoResult Exchange::noDirectory() const
{
    // A name alone would be looked for wherever the program was started.
    return ioFailure(ENOENT);
}

Probe Exchange::probeDirectory()
{
    return probe(QString(), Links::Follow);
}

Probe Exchange::probe(const QString& name, Links links)
{
    if (m_directory.isEmpty()) {
        Probe absent;
        absent.presence = Presence::Absent;
        return absent;
    }
    return m_io.probe(path(name), links);
}

ReadResult Exchange::read(const QString& name)
{
    if (m_directory.isEmpty())
        return ReadResult{noDirectory(), {}, false};
    return m_io.read(path(name), kExchangeReadCap);
}

IoResult Exchange::write(const QString& name, const QByteArray& bytes)
{
    if (m_directory.isEmpty())
        return noDirectory();
    return m_io.write(path(name), bytes, WriteOptions{kExchangeFileMode, m_tag});
}

IoResult Exchange::createEmpty(const QString& name)
{
    if (m_directory.isEmpty())
        return noDirectory();
    return m_io.createEmpty(path(name), kExchangeFileMode);
}

IoResult Exchange::remove(const QString& name)
{
    if (m_directory.isEmpty())
        return noDirectory();
    return m_io.remove(path(name));
}

IoResult Exchange::forceRemove(const QString& name)
{
    if (m_directory.isEmpty())
        return noDirectory();
    return m_io.forceRemove(path(name));
}

IoResult Exchange::removeEmptyDirectory(const QString& name)
{
    if (m_directory.isEmpty())
        return noDirectory();
    return m_io.removeEmptyDirectory(path(name));
}

IoResult Exchange::removeOwnLeftovers()
{
    if (m_directory.isEmpty() || m_tag.isEmpty())
        return IoResult{};
    ListResult listed = m_io.list(m_directory);
    if (!listed.ok())
        return listed;
    const QString prefix = temporaryNamePrefix(m_tag);
    IoResult result;
    for (const QString& name : listed.names) {
        if (!name.startsWith(prefix))
            continue;
        const IoResult removed = m_io.remove(path(name));
        if (!removed.ok() && removed.status != IoStatus::NotFound)
            result = removed;
    }
    return result;
}

SlotDecision Exchange::lookAtSlot()
{
    SlotDecision slot = decideSlot(read(kMessageFileName));
    if (slot.action != SlotDecision::Action::ReadText)
        return slot;
    return decideAlarm(slot.sender, read(alarmTextFileName(slot.sender)));
}

void Exchange::reportHang(FailureReporter& reporter) const
{
    const qint64 outstanding = m_io.outstandingMs();
    if (outstanding >= kHangReportMs || outstanding < 0)
        reporter.setFailing(kHangKey, outstanding >= 0, kHangKey,
                            QStringLiteral("Austauschverzeichnis antwortet wieder"));
}

} // namespace telvor
