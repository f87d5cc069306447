#pragma once

#include "client/core/AlarmReceiver.h"
#include "client/core/AlarmSender.h"
#include "client/core/AlarmSignal.h"
#include "client/core/ClientLog.h"
#include "client/core/ClientState.h"
#include "client/core/ClientViews.h"
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
#include "common/TelvorDat.h"
#include "common/Timer.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace telvor {

struct LoadFailure;
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
 * One workstation's alarm client without its windows: start-up, configuration, event log, the
 * exchange protocol (polling, sending, holding, waiting), the push-button and the soft-trigger
 * watch. Everything a station owns hangs off this object, so one process can run many stations.
 *
 * Every call on the share may answer "unknown" (an I/O error, or no answer in time): a step that
 * meets one changes nothing and is tried again at its timer's next tick.
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

    const StationConfig& config() const { return m_config; }
    const ClientState& state() const { return m_state; }
    const SetupFields& fields() const { return m_fields; }
    /** True while the start-up waits for the exchange directory to appear. */
    bool awaitingExchangeDir() const { return m_awaitingExchangeDir; }
    const Timer& timer1() const { return m_Timer1; }
    const Timer& timer2() const { return m_Timer2; }
    const Timer& timer3() const { return m_Timer3; }
    const Timer& entprell() const { return m_entprell; }
    /** False for a second session of this machine's station ID: it only receives alarms. */
    bool isStation() const { return m_role.isStation(); }

private:
    // Configuration loading
    void loadConfig();
    bool loadRecord(const BracketRecord& record);
    bool loadDebounce(const QString& field);
    void failLoad(const LoadFailure& failure);
    std::optional<int> checkBoxState(const QString& text);
    void continueLoadAfterExchangeDirFound();
    void resumeLoadIfExchangeDirAppeared();
    /** The station's own slot left from before, and its leftovers, once the directory is there. */
    void settleInExchange();
    /** The button test, or none when it is switched off: the last step of a load and of a save. */
    void startButtonTest();

    /** Opens the configured port; a failure is shown (and, at the start-up, shows the setup window). */
    void openPortAtLoad(bool saving = false);

    // This station's alarm text in the exchange directory
    /** Writes the alarm text file; a failure is reported once and leaves it pending for Timer1. */
    IoResult writeAlarmText();
    /** The alarm text of the configuration and the setup's lines 2 to 4, kept and written. */
    IoResult announceAlarmText();
    void ensureOwnAlarmText();

    /** Timer1's steps of the protocol: send now, wait for the slot, end the hold, poll. */
    void protocolStep();

    /** The existence test of the exchange directory itself, reported once per outage. */
    Presence probeExchangeDirectory();

    // The save
    /** The save's checks of what TELVOR.DAT and the port cannot hold; false when one refused. */
    bool acceptableForSave();
    /** Steps 10 to 12 of the save: the new configuration, written; false when the file could not be. */
    bool storeConfiguration();
    void refuseSave(const QString& text);

    void publishFields();
    void showMessage(const QString& text);
    void reportLine(const QString& text);

    ClientServices m_services;
    std::unique_ptr<NullViews> m_nullViews;
    ClientViews m_views; ///< every window, a null one where the station runs without

    StationConfig m_config;
    ClientState m_state;
    SetupFields m_fields;

    EventLog m_log;
    ClientLog m_clientLog;
    FailureReporter m_failures;
    Exchange m_exchange;
    ExchangeAccess m_access;
    ExchangeReachability m_reachability;

    Timer m_Timer1;
    Timer m_Timer2;
    Timer m_Timer3;
    Timer m_entprell;

    StationRole m_role;
    AlarmSignal m_signal;
    PushButton m_button;
    AlarmReceiver m_receiver;
    AlarmSender m_sender;

    bool m_endOfFileSeen = false;
    bool m_awaitingExchangeDir = false;
    bool m_setupTouched = false;
    /** The loader showed the setup window for a problem the user has to see; a late share keeps it open. */
    bool m_setupWanted = false;

    /** The alarm text file's bytes as of the last load (or save), never unsaved edits. */
    QByteArray m_alarmText;
    bool m_alarmTextPending = false; ///< the alarm text file could not be written yet

    bool m_exchangeDeferred = false; ///< announcing the alarm text and settling in were left to the station
};

} // namespace telvor
