#include "client/core/TelvorClient.h"

#include "client/core/Company.h"
#include "client/core/NullViews.h"
#include "client/core/Timings.h"

#include <exception>
#include <utility>

namespace telvor {
namespace {

template <typename View> View* orNull(View* view, NullViews& fallback)
{
    return view ? view : static_cast<View*>(&fallback);
}

ClientViews withNullViews(const ClientViews& views, NullViews& null)
{
    return ClientViews{orNull(views.setup, null),     orNull(views.messages, null),   orNull(views.alarm, null),
                       orNull(views.alarmSent, null), orNull(views.buttonTest, null), orNull(views.tray, null)};
}

} // namespace

TelvorClient::TelvorClient(ClientServices services, ClientViews views)
    : m_services(std::move(services)), m_nullViews(std::make_unique<NullViews>()),
      m_views(withNullViews(views, *m_nullViews)),
      m_Timer1(m_services.scheduler, kIdlePollMs, false, [this] { Timer1_Timer(); }),
      m_Timer2(m_services.scheduler, kBeepTickMs, false, [this] { Timer2_Timer(); }),
      m_Timer3(m_services.scheduler, kTriggerPollMs, true, [this] { Timer3_Timer(); }),
      m_entprell(m_services.scheduler, kDesignDebounceMs, false, [this] { entprell_Timer(); }),
      m_log(m_services.clock, m_services.locale, m_services.logWriter, m_services.standardError),
      m_clientLog(m_log, m_config, m_fields, *m_views.setup),
      m_failures(QStringLiteral("telvor"), m_services.standardError,
                 [this](const QString& text) { m_clientLog.writeLogOnly(text); }),
      m_exchange(m_services.exchange), m_access(m_exchange, m_failures, m_state),
      m_reachability(m_config, m_exchange, *m_views.tray, m_clientLog, m_services.standardError),
      m_role(m_services.stationLockDirectory, m_config, m_state, m_clientLog, m_services.standardError,
             StationRole::Actions{[this] {
                                      m_button.standDown();
                                      m_sender.leaveTriggerFile();
                                  },
                                  [this] { m_configuration.takeOverFromEndedStation(); }}),
      m_signal(m_services.sound, m_Timer2, m_state, m_config, m_failures, m_clientLog),
      m_button(m_services.serial, m_services.scheduler, m_entprell, m_state, m_config, *m_views.buttonTest, m_failures,
               m_clientLog, [this] { m_sender.raiseAlarm(AlarmSource::PushButton); }),
      m_alarmText(m_exchange, m_access, m_config),
      m_receiver(m_exchange, m_access, m_failures, m_state, m_config, m_Timer1, *m_views.alarm, m_signal, m_role),
      m_sender(
          m_exchange, m_access, m_state, m_config, m_Timer1, *m_views.alarmSent, *m_views.buttonTest, m_clientLog,
          [this] { m_alarmText.ensureOwnAlarmText(); }, m_role),
      m_configuration(Configuration::Places{m_services.exchange, m_services.workstationConfigDirectory,
                                            m_services.screenSaverSettings},
                      m_config, m_state, m_fields, m_views, m_exchange, m_access, m_Timer1, m_entprell, m_button,
                      m_sender, m_alarmText, m_role, m_clientLog)
{
}

TelvorClient::~TelvorClient() = default;

void TelvorClient::Form_Load()
{
    m_fields.caption = companyCaption;
    m_fields.Label10 = QStringLiteral("Setup Quorvel");
    m_state.debounceRunning = false;
    m_state.dsrArmed = false;
    m_config.exchangeDirFound = false;
    m_config.Userappdata = m_services.userAppData;
    m_fields.File1Pattern = QStringLiteral("*.*");
    m_state.alarmShown = false;
    m_state.getestet = false;
    m_state.initialisierung = false;
    m_views.setup->showFields(m_fields);

    // Whatever goes wrong while loading, the station must go on receiving alarms.
    try {
        m_configuration.loadConfig();
    } catch (const std::exception& error) {
        if (m_services.standardError)
            m_services.standardError(QStringLiteral("telvor: Fehler beim Laden der Einstellungen: %1")
                                         .arg(QString::fromLocal8Bit(error.what())));
        setup();
    }

    m_Timer1.setEnabled(true);
    m_views.alarmSent->load();
    m_state.sendWaiting = false;
    m_state.sendNow = false;
    m_views.tray->load();
}

void TelvorClient::setup()
{
    m_configuration.setup();
}

void TelvorClient::writeLog(const QString& text)
{
    m_clientLog.writeLog(text);
}

void TelvorClient::checkFile(const QString& dir, const QString& name)
{
    m_state.fileFound = IsFilePath(dir + QLatin1Char('/') + name);
}

void TelvorClient::Timer1_Timer()
{
    if (m_configuration.awaitingExchangeDir()) {
        m_configuration.resumeLoadIfExchangeDirAppeared();
        // Nothing can be sent to or read from a directory that is not there.
        if (m_configuration.awaitingExchangeDir())
            return;
    }
    // The protocol's steps: send now, wait for the slot, end the hold, poll. A second session
    // sends nothing: an alarm that was pending when it became one waits for its take-over.
    if (m_state.sendNow && isStation()) {
        m_sender.sendNowStep();
    } else if (!(m_state.sendWaiting && isStation()) || m_sender.waitingStep()) {
        if (m_state.messageSent)
            m_sender.holdingStep();
        else if (m_config.alarmempf != QLatin1String("1"))
            m_receiver.pollStep();
    }
    // After the protocol's own calls: a write that the share keeps refusing must never cost a poll.
    if (m_alarmText.isWritePending() && isStation())
        m_alarmText.writeAlarmText();
    m_configuration.removeOwnLeftoversIfPending();
}

void TelvorClient::Timer2_Timer()
{
    m_signal.Timer2_Timer();
}

void TelvorClient::Timer3_Timer()
{
    // Timer3 ticks every second from the start, whatever else goes on: the place to notice a hang.
    m_exchange.reportHang(m_failures);
    m_reachability.watchReachability();
    m_role.tryTakeOver();
    // Until the loading is complete the station cannot tell a test press from an alarm. The
    // trigger file is the station's session's.
    if (m_configuration.awaitingExchangeDir() || !isStation())
        return;
    m_sender.watchTrigger();
}

void TelvorClient::entprell_Timer()
{
    m_button.entprell_Timer();
}

void TelvorClient::MSComm1_OnComm(const SerialEvent& event)
{
    m_button.MSComm1_OnComm(event);
}

void TelvorClient::setupEdited(const SetupFields& fields)
{
    m_configuration.setupEdited(fields);
}

void TelvorClient::endProgram()
{
    if (m_services.endProgram)
        m_services.endProgram();
}

void TelvorClient::speichern_Click()
{
    m_configuration.speichern_Click();
}

void TelvorClient::signalFileChosen(const QString& path)
{
    m_configuration.signalFileChosen(path);
}

void TelvorClient::config_PendraSaver_Click()
{
    m_configuration.config_PendraSaver_Click();
}

void TelvorClient::trayUnavailable()
{
    m_failures.setFailing(QStringLiteral("Infobereich"), true,
                          QStringLiteral("Kein Infobereich gefunden: telvor läuft ohne Symbol; ein weiterer "
                                         "Start von telvor öffnet die Einstellungen"),
                          QString());
}

} // namespace telvor
