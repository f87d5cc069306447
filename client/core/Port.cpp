// The push-button's serial port: opening it at start-up, and again every few seconds while it
// cannot be opened or after it was lost.

#include "client/core/LoadFailure.h"
#include "client/core/TelvorClient.h"
#include "client/core/Timings.h"
#include "common/Numbers.h"

#include <cstring>

namespace telvor {

QString TelvorClient::portKey() const
{
    return QStringLiteral("Schnittstelle %1").arg(m_services.serial.devicePath());
}

std::optional<LoadFailure> TelvorClient::selectPort(const QString& comPort)
{
    SerialPort& port = m_services.serial;
    if (comPort.startsWith(QLatin1Char('/')))
        return port.setDevicePath(comPort) ? std::nullopt : std::optional(LoadFailure::invalidPortNumber());
    const std::optional<qint16> number = lenientInt16(comPort);
    if (!number)
        return LoadFailure::overflow();
    if (!port.setPortNumber(*number))
        return LoadFailure::invalidPortNumber();
    return std::nullopt;
}

std::optional<LoadFailure> TelvorClient::openPort(bool& retryable)
{
    retryable = false;
    if (std::optional<LoadFailure> refused = selectPort(m_config.comPort))
        return refused;
    SerialPort& port = m_services.serial;
    const SerialOpenResult opened = port.open();
    if (opened.ok()) {
        m_failures.succeeded(portKey());
        return std::nullopt;
    }
    // The device may come later (an adapter not yet enumerated) or be freed by the program that holds it.
    retryable = true;
    m_failures.failed(portKey(), QString::fromLocal8Bit(std::strerror(opened.sysError)));
    return LoadFailure::fromSerial(opened);
}

void TelvorClient::openPortAtLoad(bool saving)
{
    m_portNote = QStringLiteral("- Com Port ") + m_config.comPort + QStringLiteral(" nicht verfügbar ! ");
    bool retryable = false;
    const std::optional<LoadFailure> failure = openPort(retryable);
    if (failure) {
        // The user learns of it as always, but the station goes on: its soft trigger and its
        // reception must not depend on a push-button. A save goes on without showing the setup again.
        if (saving)
            showMessage(failure->message(m_portNote));
        else
            failLoad(*failure);
        if (retryable)
            m_portRetry.setEnabled(true);
    }
    if (saving)
        m_portNote.clear();
}

void TelvorClient::portRetry_Timer()
{
    if (m_config.comDisabled != QLatin1String("0") || m_services.serial.isOpen()) {
        m_portRetry.setEnabled(false);
        return;
    }
    bool retryable = false;
    if (!openPort(retryable) || !retryable)
        m_portRetry.setEnabled(false);
}

void TelvorClient::portLost(int sysError)
{
    resetButton();
    m_failures.failed(portKey(), QStringLiteral("verloren: %1").arg(QString::fromLocal8Bit(std::strerror(sysError))));
    m_portRetry.setEnabled(true);
}

void TelvorClient::resetButton()
{
    m_entprell.setEnabled(false);
    m_state.dsrArmed = false;
    m_state.debounceRunning = false;
}

} // namespace telvor
