#include "client/core/ExchangeAccess.h"

namespace telvor {

ExchangeAccess::ExchangeAccess(Exchange& exchange, FailureReporter& failures, ClientState& state)
    : m_exchange(exchange), m_failures(failures), m_state(state)
{
}

void ExchangeAccess::noteIo(const QString& what, const IoResult& result, bool absentIsFailure)
{
    // No answer says nothing about this file: a share that keeps silent is reported as hanging.
    if (result.status == IoStatus::Unknown)
        return;
    if (result.status == IoStatus::Ok || (result.status == IoStatus::NotFound && !absentIsFailure))
        m_failures.succeeded(what);
    else
        m_failures.failed(what, result.errorText());
}

void ExchangeAccess::noteProbe(const QString& what, const Probe& probe)
{
    if (probe.presence == Presence::Unknown && probe.error == 0)
        return; // no answer: see noteIo
    if (probe.presence != Presence::Unknown) {
        m_failures.succeeded(what);
        return;
    }
    // When the directory itself is out of reach, every file in it fails alike: that outage is told
    // once, for the directory, and not once for each file.
    const Probe directory = m_exchange.probeDirectory();
    if (directory.presence == Presence::Present)
        m_failures.failed(what, qt_error_string(probe.error));
}

Presence ExchangeAccess::probeExchange(const QString& name)
{
    const Probe probe = m_exchange.probe(name);
    noteProbe(name + QStringLiteral(" prüfen"), probe);
    if (probe.presence != Presence::Unknown)
        m_state.fileFound = probe.presence == Presence::Present;
    return probe.presence;
}

} // namespace telvor
