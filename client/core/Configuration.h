#pragma once

#include "client/core/AlarmSender.h"
#include "client/core/AlarmTextFile.h"
#include "client/core/ClientLog.h"
#include "client/core/ClientState.h"
#include "client/core/ClientViews.h"
#include "client/core/ExchangeAccess.h"
#include "client/core/PushButton.h"
#include "client/core/StationConfig.h"
#include "client/core/StationRole.h"
#include "common/Exchange.h"
#include "common/ExchangeIo.h"
#include "common/TelvorDat.h"
#include "common/Timer.h"

#include <QString>

#include <optional>

namespace telvor {

/**
 * The station's configuration: loadConfig at start-up (TELVOR.DAT into the configuration and the
 * setup window's controls, the port, the alarm-text announcement, the button test), the setup
 * window (setup, its save speichern_Click, the signal file, the hand-over to the screen saver),
 * and the start-up's wait for an exchange directory that is mounted late.
 */
class Configuration final {
public:
    /** Where the configuration is read from and handed to, besides the user's directory. */
    struct Places {
        ExchangeIo& exchangeIo;             ///< for the save's look at a directory typed in the setup
        QString workstationConfigDirectory; ///< the workstation's TELVOR.DAT; empty: none
        QString screenSaverSettings;        ///< the screen saver's settings file; empty: the user's own
    };
    Configuration(Places places, StationConfig& config, ClientState& state, SetupFields& fields,
                  const ClientViews& views, Exchange& exchange, ExchangeAccess& access, Timer& Timer1, Timer& entprell,
                  PushButton& button, AlarmSender& sender, AlarmTextFile& alarmText, StationRole& role, ClientLog& log);

    void loadConfig();
    /** Shows the setup window filled from the configuration and switches polling on. */
    void setup();
    void setupEdited(const SetupFields& fields);
    void speichern_Click();
    void signalFileChosen(const QString& path);
    void config_PendraSaver_Click();

    /** True while the start-up waits for the exchange directory to appear. */
    [[nodiscard]] bool awaitingExchangeDir() const { return m_awaitingExchangeDir; }
    /** Timer1 while waiting: the rest of the start-up once the directory is there. */
    void resumeLoadIfExchangeDirAppeared();
    /** The station's session has ended: the port, the alarm text and the slot that were left to it. */
    void takeOverFromEndedStation();
    /** Timer1: the temporary files of this station's killed writes, when the share did not answer before. */
    void removeOwnLeftoversIfPending();

private:
    void failLoad(const QString& message);
    std::optional<int> checkBoxState(const QString& text);
    std::optional<TelvorDatText> readConfigFile();
    bool loadLines(const TelvorDatText& dat);
    bool loadRecord(const BracketRecord& record);
    bool loadDebounce(const QString& field);
    void continueLoadAfterExchangeDirFound();
    /** Opens the configured port; a failure is shown (and, at the start-up, shows the setup window). */
    void openPort(bool saving);
    /** The alarm text of the configuration and the setup's lines 2 to 4, kept and written. */
    IoResult announceAlarmText();
    /** The station's own slot left from before, and its leftovers, once the directory is there. */
    void settleInExchange();
    /** Removes the temporary files of this station's killed writes; a share without answer is asked again. */
    void removeOwnLeftovers();
    /** The button test, or none when it is switched off: the last step of a load and of a save. */
    void startButtonTest();
    /** The save's checks of what TELVOR.DAT and the port cannot hold; false when one refused. */
    bool acceptableForSave();
    /** Steps 10 to 12 of the save: the new configuration, written; false when the file could not be. */
    bool storeConfiguration();
    void refuseSave(const QString& text);
    void publishFields();

    Places m_places;
    StationConfig& m_config;
    ClientState& m_state;
    SetupFields& m_fields;
    SetupView& m_setup;
    MessageView& m_messages;
    ButtonTestView& m_buttonTest;
    Exchange& m_exchange;
    ExchangeAccess& m_access;
    Timer& m_Timer1;
    Timer& m_entprell;
    PushButton& m_button;
    AlarmSender& m_sender;
    AlarmTextFile& m_alarmText;
    StationRole& m_role;
    ClientLog& m_log;

    bool m_endOfFileSeen = false;
    bool m_awaitingExchangeDir = false;
    bool m_setupTouched = false;
    /** The loader showed the setup window for a problem the user has to see; a late share keeps it open. */
    bool m_setupWanted = false;
    bool m_exchangeDeferred = false; ///< announcing the alarm text and settling in were left to the station
    bool m_leftoversPending = false; ///< the share did not answer when this station's leftovers were to go
};

} // namespace telvor
