#pragma once

#include "client/core/ExchangeAccess.h"
#include "client/core/StationConfig.h"
#include "common/Exchange.h"

#include <QByteArray>

namespace telvor {

/**
 * This station's alarm text file MDAT<ID>.KVT in the exchange directory. Receivers delete an alarm
 * whose sender has none, so a write that fails stays pending and Timer1 tries it again.
 */
class AlarmTextFile final {
public:
    AlarmTextFile(Exchange& exchange, ExchangeAccess& access, const StationConfig& config);

    /** The file's bytes as of the last load (or save), never unsaved edits. */
    void setText(const QByteArray& bytes) { m_text = bytes; }
    /** Writes the file; a failure is reported once and leaves it pending. */
    IoResult writeAlarmText();
    /** The file must be there before a send; it is written when it is not. */
    void ensureOwnAlarmText();
    [[nodiscard]] bool isWritePending() const { return m_writePending; }

private:
    Exchange& m_exchange;
    ExchangeAccess& m_access;
    const StationConfig& m_config;

    QByteArray m_text;
    bool m_writePending = false; ///< the file could not be written yet
};

} // namespace telvor
