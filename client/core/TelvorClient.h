#pragma once

#include "client/core/AlarmReceiver.h"
#include "client/core/AlarmSender.h"
#include "client/core/AlarmSignal.h"
#include "client/core/AlarmTextFile.h"
#include "client/core/ClientLog.h"
#include "client/core/ClientState.h"
#include "client/core/ClientViews.h"
#include "client/core/Configuration.h"
#include "client/core/EventLog.h"
#include "client/core/ExchangeAccess.h"
#include "client/core/ExchangeReachability.h"
#include "client/core/PushButton.h"
#include "client/core/StationConfig.h"
#include "client/core/StationRole.h"
#include "common/Clock.h"
#include "common/Exchange.h"
#include "common/ExchangeIo.h"
#include "common/FailureReporter.h"
#include "common/SerialPort.h"
#include "common/Sound.h"
#include "common/TaskQueue.h"
#include "common/Timer.h"

#include <QLocale>
#include <QString>

#include <functional>
#include <memory>

namespace telvor {

struct NullViews;

/** What a station is given from outside: time, its devices, the share, its per-user directory. */
struct ClientServices {
    Scheduler& scheduler;
    const Clock& clock;
    SerialPort& serial;
    Sound& sound;
    ExchangeIo& exchange;                              ///< every call on the exchange directory
    TaskQueue& logWriter;                              ///< where the event log's lines are appended
    QString userAppData;                               ///< directory of TELVOR.DAT and telvor.log
    QLocale locale = QLocale::system();                ///< date and time format of the event log
    std::function<void(const QString&)> standardError; ///< one line of diagnostics
    std::function<void()> endProgram;                  ///< hides the windows and ends the process at once
    QString screenSaverSettings;                       ///< the screen saver's settings file; empty: the user's own
    QString workstationConfigDirectory; ///< the workstation's TELVOR.DAT, used when the user has none; empty: none
    QString stationLockDirectory;       ///< where the sessions of this machine meet; empty: every client is the station
};

/**
 * One workstation's alarm client without its windows. It owns what a station owns (its
 * configuration, run-time state, the setup window's values, the timers and the services), so one
 * process can run many stations; it runs the start-up and hands every timer tick, serial event
 * and window input to the concern it belongs to, in the design's order:
 *   Configuration        loadConfig, setup and its save, the wait for a late share
 *   AlarmSender          the soft trigger's file, raiseAlarm, the wait for the slot, writeMessage, the hold
 *   AlarmReceiver        the poll of the slot and showAlarm
 *   AlarmSignal          the WAV file or Timer2's beeps
 *   PushButton           the serial port, the debounce, the test press
 *   AlarmTextFile        this station's MDAT file
 *   ExchangeReachability the cut-off icon
 *   StationRole          the station of this ID among the sessions of one machine
 */
class TelvorClient final : public ClientInput {
public:
    TelvorClient(ClientServices services, ClientViews views);
    ~TelvorClient() override;
    TelvorClient(const TelvorClient&) = delete;
    TelvorClient& operator=(const TelvorClient&) = delete;

    /** The start-up: configuration, timers, the alarm sent window and the tray icon. */
    void Form_Load();
    /** Shows the setup window filled from the configuration and switches polling on. */
    void setup();
    /** Appends an entry to the event log (when logging is on) and shows it in meldungtxt. */
    void writeLog(const QString& text);
    /** fileFound := a file or directory dir + "/" + name exists. */
    void checkFile(const QString& dir, const QString& name);

    // Event handlers, connected to the timers and the serial port.
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void entprell_Timer();
    void MSComm1_OnComm(const SerialEvent& event);

    // ClientInput
    void setupEdited(const SetupFields& fields) override;
    void setInitialisierung(bool value) override { m_state.initialisierung = value; }
    void setGetestet(bool value) override { m_state.getestet = value; }
    void endProgram() override;
    void speichern_Click() override;
    void signalFileChosen(const QString& path) override;
    void config_PendraSaver_Click() override;
    void setupRequested() override { setup(); }
    void trayUnavailable() override;

    [[nodiscard]] const StationConfig& config() const { return m_config; }
    [[nodiscard]] const ClientState& state() const { return m_state; }
    [[nodiscard]] const SetupFields& fields() const { return m_fields; }
    [[nodiscard]] const Timer& timer1() const { return m_Timer1; }
    [[nodiscard]] const Timer& timer2() const { return m_Timer2; }
    [[nodiscard]] const Timer& timer3() const { return m_Timer3; }
    [[nodiscard]] const Timer& entprell() const { return m_entprell; }
    /** False for a second session of this machine's station ID: it only receives alarms. */
    [[nodiscard]] bool isStation() const { return m_role.isStation(); }

private:
    ClientServices m_services;
    std::unique_ptr<NullViews> m_nullViews;
    ClientViews m_views; ///< every window, a null one where the station runs without

    StationConfig m_config;
    ClientState m_state;
    SetupFields m_fields;

    Timer m_Timer1;
    Timer m_Timer2;
    Timer m_Timer3;
    Timer m_entprell;

    EventLog m_log;
    ClientLog m_clientLog;
    FailureReporter m_failures;
    Exchange m_exchange;
    ExchangeAccess m_access;

    ExchangeReachability m_reachability;
    StationRole m_role;
    AlarmSignal m_signal;
    PushButton m_button;
    AlarmTextFile m_alarmText;
    AlarmReceiver m_receiver;
    AlarmSender m_sender;
    Configuration m_configuration;
};

} // namespace telvor
