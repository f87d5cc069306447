// Reading TELVOR.DAT at start-up into the configuration and the setup window's controls; the
// setup window's save, the choice of the signal file and the hand-over to the screen saver.

#include "client/core/Configuration.h"

#include "client/core/ConfigFile.h"
#include "client/core/LoadFailure.h"
#include "client/core/SetupTexts.h"
#include "client/core/Timings.h"
#include "common/Cp1252.h"
#include "common/Numbers.h"
#include "common/SettingsNames.h"
#include "common/SettingsStore.h"

#include <array>
#include <iterator>
#include <utility>

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

Configuration::Configuration(Places places, StationConfig& config, ClientState& state, SetupFields& fields,
                             const ClientViews& views, Exchange& exchange, ExchangeAccess& access, Timer& Timer1,
                             Timer& entprell, PushButton& button, AlarmSender& sender, AlarmTextFile& alarmText,
                             StationRole& role, ClientLog& log)
    : m_places(std::move(places)), m_config(config), m_state(state), m_fields(fields), m_setup(*views.setup),
      m_messages(*views.messages), m_buttonTest(*views.buttonTest), m_exchange(exchange), m_access(access),
      m_Timer1(Timer1), m_entprell(entprell), m_button(button), m_sender(sender), m_alarmText(alarmText), m_role(role),
      m_log(log)
{
}

void Configuration::publishFields()
{
    m_setup.showFields(m_fields);
}

void Configuration::openPort(bool saving)
{
    m_button.openConfiguredPort([this, saving](const QString& message) {
        // A save goes on without showing the setup again.
        if (saving)
            m_messages.showMessage(message);
        else
            failLoad(message);
    });
}

void Configuration::takeOverFromEndedStation()
{
    if (m_config.comDisabled == QLatin1String("0") && !m_button.isPortOpen())
        openPort(true);
    if (m_exchangeDeferred) {
        m_alarmText.writeAlarmText();
        settleInExchange();
    }
}

void Configuration::setup()
{
    m_Timer1.setEnabled(true);
    m_fields.Text3 = m_config.exchangeDir;
    m_fields.Text4 = m_config.signalFile;
    m_fields.Text1 = m_config.alarmText1;
    m_fields.Text5 = m_config.stationId;
    m_fields.Combo1 = m_config.comPort;
    m_fields.Upfad = m_config.Userappdata;
    publishFields();
    m_setup.setSetupVisible(true);
    m_setupTouched = false;
}

void Configuration::setupEdited(const SetupFields& fields)
{
    m_fields = fields;
    m_setupTouched = true;
}

void Configuration::failLoad(const QString& message)
{
    m_messages.showMessage(message);
    m_setupWanted = true;
    setup();
}

/** A check box takes the states 0, 1 and 2 only. */
std::optional<int> Configuration::checkBoxState(const QString& text)
{
    const std::optional<qint16> value = lenientInt16(text);
    if (!value) {
        failLoad(LoadFailure::overflow().message(QString()));
        return std::nullopt;
    }
    if (*value < 0 || *value > 2) {
        failLoad(LoadFailure::invalidValue().message(QString()));
        return std::nullopt;
    }
    return *value;
}

void Configuration::loadConfig()
{
    m_endOfFileSeen = false;
    m_setupWanted = false;
    // A save killed in mid-write left its temporary file; TELVOR.DAT itself is the old one or the new one.
    removeConfigLeftovers(m_config.Userappdata);

    const std::optional<TelvorDatText> dat = readConfigFile();
    if (!dat || !loadLines(*dat))
        return;
    if (!loadRecord(dat->record))
        return;

    m_fields.CheckCom = m_config.comDisabled == QLatin1String("0") ? 0 : 1;
    m_fields.Check1 = m_config.alarmempf == QLatin1String("0") ? 0 : 1;

    const std::optional<QString> id = normalisedStationId(m_config.stationId);
    if (!id) {
        failLoad(LoadFailure::overflow().message(QString()));
        return;
    }
    m_config.stationId = *id;
    m_exchange.setTag(*id);
    publishFields();
    m_role.decideRole();

    if (m_config.comDisabled == QLatin1String("0") && m_role.isStation())
        openPort(false);

    if (!m_config.exchangeDirFound) {
        m_fields.meldungtxt = kPathWarning;
        setup();
        // The share may simply not be mounted yet: Timer1 keeps looking for it.
        m_awaitingExchangeDir = true;
        return;
    }
    continueLoadAfterExchangeDirFound();
}

/** TELVOR.DAT as read; nothing when loading stops here (no file: the setup window with the defaults). */
std::optional<TelvorDatText> Configuration::readConfigFile()
{
    // The user's own file wins; without one, the workstation's is read the same way.
    const ConfigLocation location = locateConfigFile(m_config.Userappdata, m_places.workstationConfigDirectory);
    if (location.presence == Presence::Unknown) {
        // A file that cannot even be looked at may be there: it is never passed over for another.
        failLoad(LoadFailure::fromIo(ioFailure(location.error)).message(QString()));
        return std::nullopt;
    }
    m_state.fileFound = location.presence == Presence::Present;
    if (!m_state.fileFound) {
        m_config.exchangeDir.clear();
        m_config.signalFile.clear();
        m_config.alarmText1.clear();
        m_config.stationId.clear();
        m_config.reservedText.clear();
        m_config.comPort = QStringLiteral("1");
        m_config.alarmempf = QStringLiteral("0");
        setup();
        return std::nullopt;
    }

    const TextReadResult file = readTextFile(location.path);
    if (!file.ok()) {
        failLoad(LoadFailure::fromIo(file).message(QString()));
        return std::nullopt;
    }
    return readTelvorDat(file.text);
}

/** Lines 2 to 6 into the setup window's controls; false when loading stops here. */
bool Configuration::loadLines(const TelvorDatText& dat)
{
    std::array<QString, kConfigLineCount> lines;
    for (int i = 0; i < kConfigLineCount; ++i) {
        if (dat.lines[i]) {
            lines[i] = *dat.lines[i];
        } else {
            m_messages.showMessage(LoadFailure::endOfFile().message(QString()));
            m_endOfFileSeen = true;
        }
    }

    const std::optional<int> fullScreenState = checkBoxState(lines[5]);
    if (!fullScreenState)
        return false;
    m_fields.chk_vollbild = *fullScreenState;
    m_config.fullScreen = *fullScreenState != 0;

    m_fields.Text6 = lines[2];
    m_fields.Text7 = lines[3];
    m_fields.Text8 = lines[4];

    const std::optional<int> testOffState = checkBoxState(lines[1]);
    if (!testOffState)
        return false;
    m_fields.alarmtestaus = *testOffState;
    publishFields();
    return true;
}

/** The ten fields of the record; false when loading stops here. */
bool Configuration::loadRecord(const BracketRecord& record)
{
    // Fields 1 to 8 are kept as text, in this order; 9 and 10 are converted as well.
    static constexpr std::array<QString StationConfig::*, 8> kTextFields = {
        &StationConfig::exchangeDir, &StationConfig::comPort,      &StationConfig::stationId,
        &StationConfig::signalFile,  &StationConfig::reservedText, &StationConfig::alarmText1,
        &StationConfig::alarmempf,   &StationConfig::comDisabled,
    };
    if (record.negativeFirst) {
        failLoad(LoadFailure::invalidRecord().message(QString()));
        return false;
    }
    const QStringList& fields = record.fields;
    for (qsizetype i = 0; i < fields.size() && i < qsizetype(std::size(kTextFields)); ++i) {
        m_config.*kTextFields[i] = fields[i];
        if (i == 0) {
            m_config.exchangeDir = withFinalSeparator(m_config.exchangeDir);
            m_exchange.setDirectory(m_config.exchangeDir);
            // Not reported here: a directory out of reach is told once it has been so for a while.
            m_config.exchangeDirFound = m_exchange.probeDirectory().presence == Presence::Present;
        }
    }
    if (fields.size() > 8 && !loadDebounce(fields[8]))
        return false;
    if (fields.size() > 9) {
        m_config.logfileaktive = fields[9];
        const std::optional<int> logState = checkBoxState(fields[9]);
        if (!logState)
            return false;
        m_fields.logfile = *logState;
    }
    if (!record.complete) {
        setup();
        return false;
    }
    return true;
}

bool Configuration::loadDebounce(const QString& field)
{
    const std::optional<qint16> debounce = lenientInt16(field);
    if (!debounce) {
        failLoad(LoadFailure::overflow().message(QString()));
        return false;
    }
    m_config.entprellzeit = *debounce;
    m_fields.tastenver = QString::number(*debounce);
    publishFields();
    // A timer cannot take a negative interval; the box shows the value all the same.
    if (*debounce < 0) {
        failLoad(LoadFailure::invalidValue().message(QString()));
        return false;
    }
    m_entprell.setInterval(*debounce);
    return true;
}

void Configuration::continueLoadAfterExchangeDirFound()
{
    m_awaitingExchangeDir = false;
    m_fields.meldungtxt.clear();
    publishFields();

    // The text that receivers show is the one of this load, whatever the setup window holds later.
    if (const IoResult written = announceAlarmText(); !written.ok() && written.status != IoStatus::Unknown) {
        // Receivers would delete this station's alarms unseen: the user must know, and Timer1
        // writes the file again at every tick until it is there. The loading goes on. A share
        // that is merely slow to answer is no error to show: the next tick tries again.
        failLoad(LoadFailure::fromIo(written).message(QString()));
    }
    settleInExchange();

    if (m_endOfFileSeen) {
        m_endOfFileSeen = false;
        m_setupWanted = true;
        setup();
        return;
    }
    startButtonTest();
}

IoResult Configuration::announceAlarmText()
{
    m_alarmText.setText(
        encodeCp1252(alarmTextContent(m_config.alarmText1, m_fields.Text6, m_fields.Text7, m_fields.Text8)));
    // The file belongs to the station's session; a second session writes it once it takes over.
    if (!m_role.isStation()) {
        m_exchangeDeferred = true;
        return IoResult{};
    }
    return m_alarmText.writeAlarmText();
}

void Configuration::settleInExchange()
{
    // The slot and the leftovers of this ID are the station's session's.
    if (!m_role.isStation()) {
        m_exchangeDeferred = true;
        return;
    }
    m_exchangeDeferred = false;
    m_sender.takeOverOwnSlot();
    // Last: listing a large share may take a while, and nothing above may wait behind it.
    removeOwnLeftovers();
}

void Configuration::removeOwnLeftovers()
{
    const IoResult removed = m_exchange.removeOwnLeftovers();
    m_access.noteIo(QStringLiteral("Reste früherer Schreibvorgänge löschen"), removed);
    // A share that did not answer is asked again at the next poll; a refusal would only repeat.
    m_leftoversPending = removed.status == IoStatus::Unknown;
}

void Configuration::removeOwnLeftoversIfPending()
{
    if (m_leftoversPending && m_role.isStation())
        removeOwnLeftovers();
}

void Configuration::startButtonTest()
{
    if (!m_role.isStation())
        return;
    if (m_fields.alarmtestaus == 1) {
        m_state.getestet = true;
        m_state.initialisierung = true;
    } else {
        m_buttonTest.load();
    }
}

void Configuration::resumeLoadIfExchangeDirAppeared()
{
    if (m_exchange.probeDirectory().presence != Presence::Present)
        return;
    m_config.exchangeDirFound = true;
    const bool untouched = !m_setupTouched;
    continueLoadAfterExchangeDirFound();
    if (untouched && !m_setupWanted)
        m_setup.setSetupVisible(false);
}

void Configuration::refuseSave(const QString& text)
{
    m_fields.Label2 = text;
    publishFields();
}

void Configuration::speichern_Click()
{
    m_fields.meldungtxt.clear();
    m_fields.Label2.clear();
    if (m_fields.Text1.isEmpty())
        return refuseSave(kNoAlarmText);
    if (m_fields.Text3.isEmpty())
        return refuseSave(kNoDirectory);
    m_fields.Text3 = withFinalSeparator(m_fields.Text3);

    const Presence directory = m_places.exchangeIo.probe(m_fields.Text3, Links::Follow).presence;
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

    if (!m_button.isPortOpen() && m_config.comDisabled == QLatin1String("0") && m_role.isStation())
        openPort(true);

    // A failure is shown, and Timer1 writes the file again at every tick until it is there.
    if (const IoResult written = announceAlarmText(); !written.ok() && written.status != IoStatus::Unknown)
        m_messages.showMessage(LoadFailure::fromIo(written).message(QString()));
    if (loadWasWaiting)
        settleInExchange();

    m_setup.setSetupVisible(false);
    m_log.writeLog(kSetupDone);
    startButtonTest();
}

bool Configuration::acceptableForSave()
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
    } else if (!m_button.isPortOpen() && m_fields.CheckCom == 0) {
        // The port is opened by this save: its text must name one.
        failure = m_button.selectPort(m_fields.Combo1);
        portNote = portNoteFor(m_fields.Combo1);
    }
    if (!failure)
        return true;
    m_messages.showMessage(failure->message(portNote));
    publishFields();
    return false;
}

bool Configuration::storeConfiguration()
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
    m_log.writeLog(file, next.logfileaktive);
    // Written whole or not at all: the old file stays as it was, and so does the configuration.
    const IoResult written = writeConfigFile(file, composeConfigFile(next, m_fields));
    if (!written.ok()) {
        m_messages.showMessage(LoadFailure::fromIo(written).message(QString()));
        return false;
    }
    m_config = next;
    m_entprell.setInterval(m_config.entprellzeit);
    m_exchange.setDirectory(m_config.exchangeDir);
    m_exchange.setTag(m_config.stationId);
    return true;
}

void Configuration::signalFileChosen(const QString& path)
{
    m_config.signalFile = path;
    m_fields.Text4 = path;
    publishFields();
}

void Configuration::config_PendraSaver_Click()
{
    const SettingsStore store = m_places.screenSaverSettings.isEmpty()
                                    ? SettingsStore(settings::kApplication)
                                    : SettingsStore::atFile(m_places.screenSaverSettings);
    const std::optional<QString> problem = store.write(
        settings::kSection, {{settings::kInterval, settings::kDefaultInterval}, {settings::kPath, m_fields.Text3}});
    // Nobody may believe the screen saver watches the share when it does not know of it.
    if (problem)
        m_messages.showMessage(QStringLiteral("Die Einstellungen des Bildschirmschoners wurden nicht gespeichert: ") +
                               *problem);
}

} // namespace telvor
