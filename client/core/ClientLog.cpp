#include "client/core/ClientLog.h"

namespace telvor {

ClientLog::ClientLog(EventLog& log, const StationConfig& config, SetupFields& fields, SetupView& setup)
    : m_log(log), m_config(config), m_fields(fields), m_setup(setup)
{
}

void ClientLog::writeLog(const QString& text)
{
    writeLog(text, m_config.logfileaktive);
}

void ClientLog::writeLog(const QString& text, const QString& logfileaktive)
{
    if (const std::optional<QString> entry = m_log.write(m_config.Userappdata, logfileaktive, text)) {
        m_fields.meldungtxt = *entry;
        m_setup.showFields(m_fields);
    }
}

void ClientLog::writeLogOnly(const QString& text)
{
    m_log.write(m_config.Userappdata, m_config.logfileaktive, text);
}

} // namespace telvor
