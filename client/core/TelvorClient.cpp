#include "client/core/TelvorClient.h"

#include "client/core/Company.h"
#include "client/core/NullViews.h"
#include "client/core/Timings.h"
#include "common/Numbers.h"

#include <exception>
#include <utility>

namespace telvor {
namespace {

template <typename View>
View* orNull(View* view, NullViews& fallback)
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
      m_log(m_services.clock, m_services.locale, m_services.logWriter, m_services.standardError),
      m_clientLog(m_log, m_config, m_fields, *m_views.setup),
      m_failures(QStringLiteral("telvor"), m_services.standardError,
                 [this](const QString& text) { m_clientLog.writeLogOnly(text); }),
      m_exchange(m_services.exchange), m_access(m_exchange, m_failures, m_state),
      m_reachability(m_config, m_exchange, *m_views.tray, m_clientLog, m_services.standardError),
      m_Timer1(m_services.scheduler, kIdlePollMs, false, [this] { Timer1_Timer(); }),
      m_Timer2(m_services.scheduler, kBeepTickMs, false, [this] { Timer2_Timer(); }),
      m_Timer3(m_services.scheduler, kTriggerPollMs, true, [this] { Timer3_Timer(); }),
      m_entprell(m_services.scheduler, kDesignDebounceMs, false, [this] { entprell_Timer(); }),
      m_role(m_services.stationLockDirectory, m_config, m_state, m_clientLog, m_services.standardError,
             StationRole::Actions{[this] {
                                      m_button.standDown();
                                      m_sender.leaveTriggerFile();
                                  },
                                  [this] {
                                      // What the start-up left to the station that has ended.
                                      if (m_config.comDisabled == QLatin1String("0") && !m_services.serial.isOpen())
                                          openPortAtLoad(true);
                                      if (m_exchangeDeferred) {
                                          writeAlarmText();
                                          settleInExchange();
                                      }
                                  }}),
      m_signal(m_services.sound, m_Timer2, m_state, m_config, m_failures, m_clientLog),
      m_button(m_services.serial, m_services.scheduler, m_entprell, m_state, m_config, *m_views.buttonTest, m_failures,
               m_clientLog, [this] { m_sender.raiseAlarm(AlarmSource::PushButton); }),
      m_receiver(m_exchange, m_access, m_failures, m_state, m_config, m_Timer1, *m_views.alarm, m_signal,
                 [this] { return isStation(); }),
      m_sender(
          m_exchange, m_access, m_state, m_config, m_Timer1, *m_views.alarmSent, *m_views.buttonTest, m_clientLog,
          [this] { ensureOwnAlarmText(); }, [this] { return isStation(); })
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
    publishFields();

    // Whatever goes wrong while loading, the station must go on receiving alarms.
    try {
        loadConfig();
    } catch (const std::exception& error) {
        reportLine(QStringLiteral("telvor: Fehler beim Laden der Einstellungen: %1")
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
    m_Timer1.setEnabled(true);
    m_fields.Text3 = m_config.exchangeDir;
    m_fields.Text4 = m_config.signalFile;
    m_fields.Text1 = m_config.alarmText1;
    m_fields.Text5 = m_config.stationId;
    m_fields.Combo1 = m_config.comPort;
    m_fields.Upfad = m_config.Userappdata;
    publishFields();
    m_views.setup->setSetupVisible(true);
    m_setupTouched = false;
}

void TelvorClient::setupEdited(const SetupFields& fields)
{
    m_fields = fields;
    m_setupTouched = true;
}

void TelvorClient::endProgram()
{
    if (m_services.endProgram)
        m_services.endProgram();
}

void TelvorClient::checkFile(const QString& dir, const QString& name)
{
    m_state.fileFound = IsFilePath(dir + QLatin1Char('/') + name);
}

void TelvorClient::Timer1_Timer()
{
    if (m_awaitingExchangeDir) {
        resumeLoadIfExchangeDirAppeared();
        // Nothing can be sent to or read from a directory that is not there.
        if (m_awaitingExchangeDir)
            return;
    }
    protocolStep();
    // After the protocol's own calls: a write that the share keeps refusing must never cost a poll.
    if (m_alarmTextPending && isStation())
        writeAlarmText();
}

void TelvorClient::protocolStep()
{
    // A second session sends nothing: an alarm that was pending when it became one waits for its take-over.
    if (m_state.sendNow && isStation()) {
        m_sender.sendNowStep();
        return;
    }
    if (m_state.sendWaiting && isStation() && !m_sender.waitingStep())
        return;
    if (m_state.messageSent) {
        m_sender.holdingStep();
        return;
    }
    if (m_config.alarmempf != QLatin1String("1"))
        m_receiver.pollStep();
}

void TelvorClient::Timer3_Timer()
{
    // Timer3 ticks every second from the start, whatever else goes on: the place to notice a hang.
    m_exchange.reportHang(m_failures);
    m_reachability.watchReachability();
    m_role.tryTakeOver();
    // Until the loading is complete the station cannot tell a test press from an alarm. The
    // trigger file is the station's session's.
    if (m_awaitingExchangeDir || !isStation())
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

void TelvorClient::Timer2_Timer()
{
    m_signal.Timer2_Timer();
}

void TelvorClient::writeLog(const QString& text)
{
    m_clientLog.writeLog(text);
}

void TelvorClient::publishFields()
{
    m_views.setup->showFields(m_fields);
}

void TelvorClient::showMessage(const QString& text)
{
    m_views.messages->showMessage(text);
}

void TelvorClient::reportLine(const QString& text)
{
    if (m_services.standardError)
        m_services.standardError(text);
}

} // namespace telvor
