// The setup window's save, the choice of the signal file and the hand-over to the screen saver.

#include "client/core/ConfigFile.h"
#include "client/core/LoadFailure.h"
#include "client/core/SetupTexts.h"
#include "client/core/TelvorClient.h"
#include "common/Cp1252.h"
#include "common/Numbers.h"
#include "common/SettingsNames.h"
#include "common/SettingsStore.h"

namespace telvor {
namespace {

/**
 * A "]" would end its field of the record early and shift every later one at the next start; a
 * line break would shift the file's lines; a character the code page cannot hold would come back
 * as "?".
 */
bool storable(const SetupFields& fields)
{
    for (const QString* recordText : {&fields.Text1, &fields.Text3, &fields.Text4, &fields.Combo1}) {
        if (recordText->contains(QLatin1Char(']')))
            return false;
    }
    for (const QString* text :
         {&fields.Text1, &fields.Text3, &fields.Text4, &fields.Combo1, &fields.Text6, &fields.Text7, &fields.Text8}) {
        if (text->contains(QLatin1Char('\r')) || text->contains(QLatin1Char('\n')) || !fitsCp1252(*text))
            return false;
    }
    return true;
}

QString portNoteFor(const QString& comPort)
{
    return QStringLiteral("- Com Port ") + comPort + QStringLiteral(" nicht verfügbar ! ");
}

} // namespace

void TelvorClient::refuseSave(const QString& text)
{
    m_fields.Label2 = text;
    publishFields();
}

void TelvorClient::speichern_Click()
{
    m_fields.meldungtxt.clear();
    m_fields.Label2.clear();
    if (m_fields.Text1.isEmpty())
        return refuseSave(kNoAlarmText);
    if (m_fields.Text3.isEmpty())
        return refuseSave(kNoDirectory);
    m_fields.Text3 = withFinalSeparator(m_fields.Text3);

    const Presence directory = m_services.exchange.probe(m_fields.Text3, Links::Follow).presence;
    m_config.exchangeDirFound = directory == Presence::Present;
    if (!m_config.exchangeDirFound) {
        m_fields.meldungtxt = kPathWarning;
        // A directory that does not answer is not known to be missing: the edits stay for another try.
        if (directory == Presence::Unknown)
            publishFields();
        else
            setup();
        return;
    }
    if (m_fields.Text5.isEmpty())
        return refuseSave(kNoStationId);
    if (!acceptableForSave())
        return;
    m_fields.Text5 = *normalisedStationId(m_fields.Text5);
    if (!storeConfiguration())
        return;
    publishFields();
    m_role.decideRole();

    // The setup is done: the start-up's wait for a late share, and its wish to show the window
    // again for a short file, are over.
    const bool loadWasWaiting = m_awaitingExchangeDir;
    m_awaitingExchangeDir = false;
    m_endOfFileSeen = false;
    m_setupWanted = false;

    if (!m_services.serial.isOpen() && m_config.comDisabled == QLatin1String("0") && isStation())
        openPortAtLoad(true);

    // A failure is shown, and Timer1 writes the file again at every tick until it is there.
    if (const IoResult written = announceAlarmText(); !written.ok() && written.status != IoStatus::Unknown)
        showMessage(LoadFailure::fromIo(written).message(QString()));
    if (loadWasWaiting)
        settleInExchange();

    m_views.setup->setSetupVisible(false);
    writeLog(kSetupDone);
    startButtonTest();
}

bool TelvorClient::acceptableForSave()
{
    if (!storable(m_fields)) {
        refuseSave(kForbiddenCharacter);
        return false;
    }
    // What the configuration cannot hold is refused before anything changes, in the loader's words.
    std::optional<LoadFailure> failure;
    QString portNote;
    const std::optional<qint16> debounce = lenientInt16(m_fields.tastenver);
    if (!normalisedStationId(m_fields.Text5) || !debounce) {
        failure = LoadFailure::overflow();
    } else if (*debounce < 0) {
        failure = LoadFailure::invalidValue();
    } else if (!m_services.serial.isOpen() && m_fields.CheckCom == 0) {
        // The port is opened by this save: its text must name one.
        failure = m_button.selectPort(m_fields.Combo1);
        portNote = portNoteFor(m_fields.Combo1);
    }
    if (!failure)
        return true;
    showMessage(failure->message(portNote));
    publishFields();
    return false;
}

bool TelvorClient::storeConfiguration()
{
    StationConfig next = m_config;
    next.exchangeDir = m_fields.Text3;
    next.signalFile = m_fields.Text4;
    next.alarmText1 = m_fields.Text1;
    next.stationId = m_fields.Text5;
    next.comPort = m_fields.Combo1;
    next.fullScreen = m_fields.chk_vollbild != 0;
    next.alarmempf = QString::number(m_fields.Check1);
    next.comDisabled = QString::number(m_fields.CheckCom);
    next.entprellzeit = lenientInt16(m_fields.tastenver).value_or(0);
    next.logfileaktive = QString::number(m_fields.logfile);

    const QString file = m_config.Userappdata + QLatin1Char('/') + kConfigFileName;
    m_clientLog.writeLog(file, next.logfileaktive);
    // Written whole or not at all: the old file stays as it was, and so does the configuration.
    const IoResult written = writeTextFileAtomic(file, composeConfigFile(next, m_fields));
    if (!written.ok()) {
        showMessage(LoadFailure::fromIo(written).message(QString()));
        return false;
    }
    m_config = next;
    m_entprell.setInterval(m_config.entprellzeit);
    m_exchange.setDirectory(m_config.exchangeDir);
    m_exchange.setTag(m_config.stationId);
    return true;
}

void TelvorClient::signalFileChosen(const QString& path)
{
    m_config.signalFile = path;
    m_fields.Text4 = path;
    publishFields();
}

void TelvorClient::config_PendraSaver_Click()
{
    const SettingsStore store = m_services.screenSaverSettings.isEmpty()
                                    ? SettingsStore(settings::kApplication)
                                    : SettingsStore::atFile(m_services.screenSaverSettings);
    const std::optional<QString> problem = store.write(
        settings::kSection, {{settings::kInterval, settings::kDefaultInterval}, {settings::kPath, m_fields.Text3}});
    // Nobody may believe the screen saver watches the share when it does not know of it.
    if (problem)
        showMessage(QStringLiteral("Die Einstellungen des Bildschirmschoners wurden nicht gespeichert: ") + *problem);
}

void TelvorClient::trayUnavailable()
{
    m_failures.setFailing(QStringLiteral("Infobereich"), true,
                          QStringLiteral("Kein Infobereich gefunden: telvor läuft ohne Symbol; ein weiterer "
                                         "Start von telvor öffnet die Einstellungen"),
                          QString());
}

} // namespace telvor
