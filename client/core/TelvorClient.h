#pragma once

#include "client/core/ClientState.h"
#include "client/core/ClientViews.h"
#include "client/core/EventLog.h"
#include "client/core/FailureReporter.h"
#include "client/core/StationConfig.h"
#include "common/Clock.h"
#include "common/FileIo.h"
#include "common/Timer.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include <QLocale>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace telvor {

struct LoadFailure;
struct NullViews;

/** What a station is given from outside: time, the serial port, sound, its per-user directory. */
struct ClientServices {
    Scheduler& scheduler;
    const Clock& clock;
    SerialPort& serial;
    Sound& sound;
    QString userAppData;                          ///< directory of TELVOR.DAT and telvor.log
    QLocale locale = QLocale::system();           ///< date and time format of the event log
    std::function<void(const QString&)> standardError; ///< one line of diagnostics
};

/** How an alarm of this station was raised. */
enum class AlarmSource { PushButton, SoftTrigger };

/**
 * One workstation's alarm client without its windows: start-up, configuration, event log, the
 * exchange protocol (polling, sending, holding, waiting), the push-button and the soft-trigger
 * watch. Everything a station owns hangs off this object, so one process can run many stations.
 */
class TelvorClient final : public SetupInput {
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

    /** Set by the button test window. */
    void setInitialisierung(bool value) { m_state.initialisierung = value; }
    void setGetestet(bool value) { m_state.getestet = value; }

    // SetupInput
    void setupEdited(const SetupFields& fields) override;

    const StationConfig& config() const { return m_config; }
    const ClientState& state() const { return m_state; }
    const SetupFields& fields() const { return m_fields; }
    /** True while the start-up waits for the exchange directory to appear. */
    bool awaitingExchangeDir() const { return m_awaitingExchangeDir; }
    const Timer& timer1() const { return m_Timer1; }
    const Timer& timer2() const { return m_Timer2; }
    const Timer& timer3() const { return m_Timer3; }
    const Timer& entprell() const { return m_entprell; }

private:
    // Configuration loading
    void loadConfig();
    bool loadRecord(const QString& text);
    bool loadDebounce(const QString& field);
    void continueLoadAfterExchangeDirFound();
    void resumeLoadIfExchangeDirAppeared();
    void failLoad(const LoadFailure& failure);
    std::optional<int> checkBoxState(const QString& text);
    bool openPort();
    bool writeAlarmTextFile();

    // Sending
    void raiseAlarm(AlarmSource source);
    void writeMessage(AlarmSource source);
    void afterMessageWritten(AlarmSource source);
    void retrySend();
    void deleteTriggerFile();
    void holdEnd();

    // Receiving
    void showAlarm();
    void leaveSlotForNextPoll();

    // Exchange directory
    QString exchangePath(const QString& name) const { return m_config.exchangeDir + name; }
    /** checkFile on the exchange directory; with no directory configured nothing is there. */
    void checkExchange(const QString& name);
    ReadResult readExchangeFile(const QString& name) const;
    /** Reports a failure once per outage; for a write, a missing directory is a failure too. */
    void noteIo(const QString& what, const IoResult& result, bool absentIsFailure = false);
    /** Ok, NotFound (gone already) or Failed (reported, to be tried again). */
    IoStatus removeExchangeFile(const QString& name, bool forced);

    QString debounceText() const;
    void publishFields();
    void showMessage(const QString& text);

    ClientServices m_services;
    std::unique_ptr<NullViews> m_nullViews;
    ClientViews m_views;
    EventLog m_log;
    FailureReporter m_failures;

    StationConfig m_config;
    ClientState m_state;
    SetupFields m_fields;

    Timer m_Timer1;
    Timer m_Timer2;
    Timer m_Timer3;
    Timer m_entprell;

    QString m_portNote;
    bool m_endOfFileSeen = false;
    bool m_awaitingExchangeDir = false;
    bool m_setupTouched = false;
    bool m_loadStoppedInSetup = false;

    AlarmSource m_pendingSource = AlarmSource::PushButton;
    bool m_sendRetry = false;        ///< the last write of MESSAGE.KVT failed; the next try tests the slot first
    bool m_holdEndRetry = false;     ///< the hold end could not delete the slot
    bool m_triggerDeletePending = false; ///< START.<ID> was handled but could not be deleted yet
};

} // namespace telvor
