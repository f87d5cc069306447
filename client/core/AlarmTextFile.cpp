#include "client/core/AlarmTextFile.h"

namespace telvor {

AlarmTextFile::AlarmTextFile(Exchange& exchange, ExchangeAccess& access, const StationConfig& config)
    : m_exchange(exchange), m_access(access), m_config(config)
{
}

IoResult AlarmTextFile::writeAlarmText()
{
    const QString name = alarmTextFileName(m_config.stationId);
    const IoResult written = m_exchange.write(name, m_text);
    m_access.noteIo(name + QStringLiteral(" schreiben"), written, true);
    m_writePending = !written.ok();
    return written;
}

void AlarmTextFile::ensureOwnAlarmText()
{
    const Probe own = m_exchange.probe(alarmTextFileName(m_config.stationId), Links::Refuse);
    if (own.presence == Presence::Unknown || (own.presence == Presence::Present && own.regularFile))
        return;
    writeAlarmText();
}

} // namespace telvor
