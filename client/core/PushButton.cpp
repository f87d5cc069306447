#include "client/core/PushButton.h"

#include "client/core/Timings.h"
#include "common/Numbers.h"

#include <cstring>
#include <utility>

namespace telvor {

PushButton::PushButton(SerialPort& serial, Scheduler& scheduler, Timer& entprell, ClientState& state,
                       const StationConfig& config, ButtonTestView& buttonTest, FailureReporter& failures,
                       ClientLog& log, std::function<void()> raiseAlarm)
    : m_serial(serial), m_entprell(entprell), m_state(state), m_config(config), m_buttonTest(buttonTest),
      m_failures(failures), m_log(log), m_raiseAlarm(std::move(raiseAlarm)),
      m_portRetry(scheduler, kPortRetryMs, false, [this] { portRetry_Timer(); })
{
    m_serial.setEventHandler([this](const SerialEvent& event) { MSComm1_OnComm(event); });
    m_serial.setLostHandler([this](int sysError) { portLost(sysError); });
}

PushButton::~PushButton()
{
    m_serial.setEventHandler({});
    m_serial.setLostHandler({});
}

void PushButton::MSComm1_OnComm(const SerialEvent& event)
{
    if (!m_state.initialisierung)
        return;
    if (!m_state.getestet) {
        // Pressing and releasing each count as the test press.
        m_buttonTest.reportPress();
        m_log.writeLog(QStringLiteral("Test des Tasters ") + debounceText());
        return;
    }
    if (event.dsr && !m_state.dsrArmed) {
        m_state.dsrArmed = true;
        m_pressStampMs = event.stampMs;
        // With no debounce time there is no minimum hold: the release alone raises the alarm.
        m_state.debounceRunning = m_config.entprellzeit != 0;
        m_entprell.setEnabled(true);
        m_log.writeLog(QStringLiteral("DSR gesetzt") + debounceText());
        return;
    }
    // How long the button was held is told by the moments of the two changes, not by when they
    // are handled: both may come late and back to back after a busy moment.
    const bool heldLongEnough = event.stampMs - m_pressStampMs >= m_config.entprellzeit;
    if (!event.dsr && m_state.dsrArmed && heldLongEnough) {
        m_log.writeLog(QStringLiteral("Alarm gesetzt") + debounceText());
        resetButton();
        m_raiseAlarm();
        return;
    }
    // Released too early, the line on again while held, or a change while released.
    resetButton();
}

void PushButton::entprell_Timer()
{
    m_state.debounceRunning = false;
    m_entprell.setEnabled(false);
}

QString PushButton::portKey() const
{
    return QStringLiteral("Schnittstelle %1").arg(m_serial.devicePath());
}

QString PushButton::debounceText() const
{
    return withSignPosition(m_config.entprellzeit);
}

std::optional<LoadFailure> PushButton::selectPort(const QString& comPort)
{
    if (comPort.startsWith(QLatin1Char('/')))
        return m_serial.setDevicePath(comPort) ? std::nullopt : std::optional(LoadFailure::invalidPortNumber());
    const std::optional<qint16> number = lenientInt16(comPort);
    if (!number)
        return LoadFailure::overflow();
    if (!m_serial.setPortNumber(*number))
        return LoadFailure::invalidPortNumber();
    return std::nullopt;
}

std::optional<LoadFailure> PushButton::openPort(bool& retryable)
{
    retryable = false;
    if (std::optional<LoadFailure> refused = selectPort(m_config.comPort))
        return refused;
    const SerialOpenResult opened = m_serial.open();
    if (opened.ok()) {
        m_failures.succeeded(portKey());
        return std::nullopt;
    }
    // The device may come later (an adapter not yet enumerated) or be freed by the program that holds it.
    retryable = true;
    m_failures.failed(portKey(), QString::fromLocal8Bit(std::strerror(opened.sysError)));
    return LoadFailure::fromSerial(opened);
}

void PushButton::openConfiguredPort(const std::function<void(const QString& message)>& reportFailure)
{
    const QString portNote = QStringLiteral("- Com Port ") + m_config.comPort + QStringLiteral(" nicht verfügbar ! ");
    bool retryable = false;
    const std::optional<LoadFailure> failure = openPort(retryable);
    if (!failure)
        return;
    // The user learns of it as always, but the station goes on: its soft trigger and its
    // reception must not depend on a push-button.
    reportFailure(failure->message(portNote));
    if (retryable)
        m_portRetry.setEnabled(true);
}

void PushButton::portRetry_Timer()
{
    if (m_config.comDisabled != QLatin1String("0") || m_serial.isOpen()) {
        m_portRetry.setEnabled(false);
        return;
    }
    bool retryable = false;
    if (!openPort(retryable) || !retryable)
        m_portRetry.setEnabled(false);
}

void PushButton::portLost(int sysError)
{
    resetButton();
    m_failures.failed(portKey(), QStringLiteral("verloren: %1").arg(QString::fromLocal8Bit(std::strerror(sysError))));
    m_portRetry.setEnabled(true);
}

void PushButton::standDown()
{
    if (m_serial.isOpen())
        m_serial.close();
    m_portRetry.setEnabled(false);
    resetButton();
}

void PushButton::resetButton()
{
    m_entprell.setEnabled(false);
    m_state.dsrArmed = false;
    m_state.debounceRunning = false;
}

} // namespace telvor
