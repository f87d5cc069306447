// Reading TELVOR.DAT at start-up into the configuration and the setup window's controls.

#include "client/core/ConfigFile.h"
#include "client/core/LoadFailure.h"
#include "client/core/SetupTexts.h"
#include "client/core/TelvorClient.h"
#include "client/core/Timings.h"
#include "common/Cp1252.h"
#include "common/Numbers.h"

#include <iterator>

namespace telvor {

void TelvorClient::failLoad(const LoadFailure& failure)
{
    showMessage(failure.message(QString()));
    m_setupWanted = true;
    setup();
}

void TelvorClient::openPortAtLoad(bool saving)
{
    m_button.openConfiguredPort([this, saving](const QString& message) {
        // A save goes on without showing the setup again.
        showMessage(message);
        if (saving)
            return;
        m_setupWanted = true;
        setup();
    });
}

/** A check box takes the states 0, 1 and 2 only. */
std::optional<int> TelvorClient::checkBoxState(const QString& text)
{
    const std::optional<qint16> value = lenientInt16(text);
    if (!value) {
        failLoad(LoadFailure::overflow());
        return std::nullopt;
    }
    if (*value < 0 || *value > 2) {
        failLoad(LoadFailure::invalidValue());
        return std::nullopt;
    }
    return *value;
}

void TelvorClient::loadConfig()
{
    m_endOfFileSeen = false;
    m_setupWanted = false;

    // The user's own file wins; without one, the workstation's is read the same way.
    const ConfigLocation location = locateConfigFile(m_config.Userappdata, m_services.workstationConfigDirectory);
    if (location.presence == Presence::Unknown) {
        // A file that cannot even be looked at may be there: it is never passed over for another.
        failLoad(LoadFailure::fromIo(ioFailure(location.error)));
        return;
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
        return;
    }

    const TextReadResult file = readTextFile(location.path);
    if (!file.ok()) {
        failLoad(LoadFailure::fromIo(file));
        return;
    }

    // Lines 2 to 6; line 1 is the record, read below from the whole text.
    const TelvorDatText dat = readTelvorDat(file.text);
    QString lines[kConfigLineCount];
    for (int i = 0; i < kConfigLineCount; ++i) {
        if (dat.lines[i]) {
            lines[i] = *dat.lines[i];
        } else {
            showMessage(LoadFailure::endOfFile().message(QString()));
            m_endOfFileSeen = true;
        }
    }

    const std::optional<int> fullScreenState = checkBoxState(lines[5]);
    if (!fullScreenState)
        return;
    m_fields.chk_vollbild = *fullScreenState;
    m_config.fullScreen = *fullScreenState != 0;

    m_fields.Text6 = lines[2];
    m_fields.Text7 = lines[3];
    m_fields.Text8 = lines[4];

    const std::optional<int> testOffState = checkBoxState(lines[1]);
    if (!testOffState)
        return;
    m_fields.alarmtestaus = *testOffState;
    publishFields();

    if (!loadRecord(dat.record))
        return;

    m_fields.CheckCom = m_config.comDisabled == QLatin1String("0") ? 0 : 1;
    m_fields.Check1 = m_config.alarmempf == QLatin1String("0") ? 0 : 1;

    const std::optional<QString> id = normalisedStationId(m_config.stationId);
    if (!id) {
        failLoad(LoadFailure::overflow());
        return;
    }
    m_config.stationId = *id;
    m_exchange.setTag(*id);
    publishFields();
    m_role.decideRole();

    if (m_config.comDisabled == QLatin1String("0") && isStation())
        openPortAtLoad();

    if (!m_config.exchangeDirFound) {
        m_fields.meldungtxt = kPathWarning;
        setup();
        // The share may simply not be mounted yet: Timer1 keeps looking for it.
        m_awaitingExchangeDir = true;
        return;
    }
    continueLoadAfterExchangeDirFound();
}

/** The ten fields of the record; false when loading stops here. */
bool TelvorClient::loadRecord(const BracketRecord& record)
{
    // Fields 1 to 8 are kept as text, in this order; 9 and 10 are converted as well.
    static constexpr QString StationConfig::*kTextFields[] = {
        &StationConfig::exchangeDir, &StationConfig::comPort,      &StationConfig::stationId,
        &StationConfig::signalFile,  &StationConfig::reservedText, &StationConfig::alarmText1,
        &StationConfig::alarmempf,   &StationConfig::comDisabled,
    };
    if (record.negativeFirst) {
        failLoad(LoadFailure::invalidRecord());
        return false;
    }
    const QStringList& fields = record.fields;
    for (qsizetype i = 0; i < fields.size() && i < qsizetype(std::size(kTextFields)); ++i) {
        m_config.*kTextFields[i] = fields[i];
        if (i == 0) {
            m_config.exchangeDir = withFinalSeparator(m_config.exchangeDir);
            m_exchange.setDirectory(m_config.exchangeDir);
            m_config.exchangeDirFound = probeExchangeDirectory() == Presence::Present;
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

bool TelvorClient::loadDebounce(const QString& field)
{
    const std::optional<qint16> debounce = lenientInt16(field);
    if (!debounce) {
        failLoad(LoadFailure::overflow());
        return false;
    }
    m_config.entprellzeit = *debounce;
    m_fields.tastenver = QString::number(*debounce);
    publishFields();
    // A timer cannot take a negative interval; the box shows the value all the same.
    if (*debounce < 0) {
        failLoad(LoadFailure::invalidValue());
        return false;
    }
    m_entprell.setInterval(*debounce);
    return true;
}

void TelvorClient::continueLoadAfterExchangeDirFound()
{
    m_awaitingExchangeDir = false;
    m_fields.meldungtxt.clear();
    publishFields();

    // The text that receivers show is the one of this load, whatever the setup window holds later.
    if (const IoResult written = announceAlarmText(); !written.ok() && written.status != IoStatus::Unknown) {
        // Receivers would delete this station's alarms unseen: the user must know, and Timer1
        // writes the file again at every tick until it is there. The loading goes on. A share
        // that is merely slow to answer is no error to show: the next tick tries again.
        failLoad(LoadFailure::fromIo(written));
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

IoResult TelvorClient::announceAlarmText()
{
    m_alarmText = encodeCp1252(alarmTextContent(m_config.alarmText1, m_fields.Text6, m_fields.Text7, m_fields.Text8));
    // The file belongs to the station's session; a second session writes it once it takes over.
    if (!isStation()) {
        m_exchangeDeferred = true;
        return IoResult{};
    }
    return writeAlarmText();
}

void TelvorClient::settleInExchange()
{
    // The slot and the leftovers of this ID are the station's session's.
    if (!isStation()) {
        m_exchangeDeferred = true;
        return;
    }
    m_exchangeDeferred = false;
    m_sender.takeOverOwnSlot();
    // Last: listing a large share may take a while, and nothing above may wait behind it.
    m_access.noteIo(QStringLiteral("Reste früherer Schreibvorgänge löschen"), m_exchange.removeOwnLeftovers());
}

void TelvorClient::startButtonTest()
{
    if (!isStation())
        return;
    if (m_fields.alarmtestaus == 1) {
        m_state.getestet = true;
        m_state.initialisierung = true;
    } else {
        m_views.buttonTest->load();
    }
}

IoResult TelvorClient::writeAlarmText()
{
    const QString name = alarmTextFileName(m_config.stationId);
    const IoResult written = m_exchange.write(name, m_alarmText);
    m_access.noteIo(name + QStringLiteral(" schreiben"), written, true);
    m_alarmTextPending = !written.ok();
    return written;
}

/** Receivers delete a message whose sender has no alarm text file: it must be there before a send. */
void TelvorClient::ensureOwnAlarmText()
{
    const Probe own = m_exchange.probe(alarmTextFileName(m_config.stationId), Links::Refuse);
    if (own.presence == Presence::Unknown || (own.presence == Presence::Present && own.regularFile))
        return;
    writeAlarmText();
}

Presence TelvorClient::probeExchangeDirectory()
{
    // Not reported here: a directory out of reach is told once it has been so for a while.
    return m_exchange.probeDirectory().presence;
}

void TelvorClient::resumeLoadIfExchangeDirAppeared()
{
    if (probeExchangeDirectory() != Presence::Present)
        return;
    m_config.exchangeDirFound = true;
    const bool untouched = !m_setupTouched;
    continueLoadAfterExchangeDirFound();
    if (untouched && !m_setupWanted)
        m_views.setup->setSetupVisible(false);
}

} // namespace telvor
