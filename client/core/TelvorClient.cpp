#include "client/core/TelvorClient.h"

#include "client/core/Company.h"
#include "client/core/NullViews.h"
#include "client/core/Timings.h"
#include "common/Numbers.h"
#include "common/StationLock.h"

#include <exception>
#include <utility>

namespace telvor {
namespace {

template <typename View>
View* orNull(View* view, NullViews& fallback)
{
    return view ? view : static_cast<View*>(&fallback);
}

} // namespace

TelvorClient::TelvorClient(ClientServices services, ClientViews views)
    : m_services(std::move(services)), m_nullViews(std::make_unique<NullViews>()),
      m_log(m_services.clock, m_services.locale, m_services.logWriter, m_services.standardError),
      m_failures(QStringLiteral("telvor"), m_services.standardError,
                 [this](const QString& text) { m_log.write(m_config.Userappdata, m_config.logfileaktive, text); }),
      m_exchange(m_services.exchange),
      m_Timer1(m_services.scheduler, kIdlePollMs, false, [this] { Timer1_Timer(); }),
      m_Timer2(m_services.scheduler, kBeepTickMs, false, [this] { Timer2_Timer(); }),
      m_Timer3(m_services.scheduler, kTriggerPollMs, true, [this] { Timer3_Timer(); }),
      m_entprell(m_services.scheduler, kDesignDebounceMs, false, [this] { entprell_Timer(); }),
      m_portRetry(m_services.scheduler, kPortRetryMs, false, [this] { portRetry_Timer(); })
{
    NullViews& null = *m_nullViews;
    m_views.setup = orNull(views.setup, null);
    m_views.messages = orNull(views.messages, null);
    m_views.alarm = orNull(views.alarm, null);
    m_views.alarmSent = orNull(views.alarmSent, null);
    m_views.buttonTest = orNull(views.buttonTest, null);
    m_views.tray = orNull(views.tray, null);
    m_services.serial.setEventHandler([this](const SerialEvent& event) { MSComm1_OnComm(event); });
    m_services.serial.setLostHandler([this](int sysError) { portLost(sysError); });
}

TelvorClient::~TelvorClient()
{
    m_services.serial.setEventHandler({});
    m_services.serial.setLostHandler({});
}

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

void TelvorClient::writeLog(const QString& text)
{
    writeLog(text, m_config.logfileaktive);
}

void TelvorClient::writeLog(const QString& text, const QString& logfileaktive)
{
    if (const std::optional<QString> entry = m_log.write(m_config.Userappdata, logfileaktive, text)) {
        m_fields.meldungtxt = *entry;
        publishFields();
    }
}

QString TelvorClient::debounceText() const
{
    return withSignPosition(m_config.entprellzeit);
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

void TelvorClient::noteIo(const QString& what, const IoResult& result, bool absentIsFailure)
{
    // No answer says nothing about this file: a share that keeps silent is reported as hanging.
    if (result.status == IoStatus::Unknown)
        return;
    if (result.status == IoStatus::Ok || (result.status == IoStatus::NotFound && !absentIsFailure))
        m_failures.succeeded(what);
    else
        m_failures.failed(what, result.errorText());
}

void TelvorClient::noteProbe(const QString& what, const Probe& probe)
{
    if (probe.presence == Presence::Unknown && probe.error == 0)
        return; // no answer: see noteIo
    if (probe.presence != Presence::Unknown) {
        m_failures.succeeded(what);
        return;
    }
    // When the directory itself is out of reach, every file in it fails alike: that outage is told
    // once, for the directory, and not once for each file.
    const Probe directory = m_exchange.probeDirectory();
    if (directory.presence == Presence::Present)
        m_failures.failed(what, qt_error_string(probe.error));
}

Presence TelvorClient::probeExchange(const QString& name)
{
    const Probe probe = m_exchange.probe(name);
    noteProbe(name + QStringLiteral(" prüfen"), probe);
    if (probe.presence != Presence::Unknown)
        m_state.fileFound = probe.presence == Presence::Present;
    return probe.presence;
}

} // namespace telvor
