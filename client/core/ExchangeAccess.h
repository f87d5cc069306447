#pragma once

#include "client/core/ClientState.h"
#include "common/Exchange.h"
#include "common/FailureReporter.h"

#include <QString>

namespace telvor {

/**
 * The exchange directory's existence tests and results as the station's concerns meet them:
 * fileFound follows every test that got an answer, and a failure is reported once per outage.
 * Every call may answer "unknown" (an I/O error, or no answer in time): such an answer says
 * nothing about the file and changes nothing.
 */
class ExchangeAccess final {
public:
    ExchangeAccess(Exchange& exchange, FailureReporter& failures, ClientState& state);

    /** checkFile on the exchange directory, in three answers; fileFound is set when known. */
    Presence probeExchange(const QString& name);
    /** Reports a failure once per outage; for a write, a missing directory is a failure too. */
    void noteIo(const QString& what, const IoResult& result, bool absentIsFailure = false);
    void noteProbe(const QString& what, const Probe& probe);

private:
    Exchange& m_exchange;
    FailureReporter& m_failures;
    ClientState& m_state;
};

} // namespace telvor
