// Reading TELVOR.DAT at start-up into the configuration and the setup window's controls.

#include "client/core/LoadFailure.h"
#include "client/core/TelvorClient.h"
#include "common/BracketRecord.h"
#include "common/Cp1252.h"
#include "common/ExchangeNames.h"
#include "common/Numbers.h"

#include <cstring>
#include <iterator>

namespace telvor {
namespace {

const QString kConfigFileName = QStringLiteral("TELVOR.DAT");
const QString kPathWarning = QStringLiteral("Achtung, bitte Pfad prüfen !!");
constexpr int kRecordFields = 10;

} // namespace

void TelvorClient::failLoad(const LoadFailure& failure)
{
    showMessage(failure.message(m_portNote));
    m_loadStoppedInSetup = true;
    setup();
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
    m_loadStoppedInSetup = false;

    checkFile(m_config.Userappdata, kConfigFileName);
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

    const TextReadResult file = readTextFile(m_config.Userappdata + QLatin1Char('/') + kConfigFileName);
    if (!file.ok()) {
        failLoad(LoadFailure::fromIo(file));
        return;
    }

    // Lines 2 to 6; line 1 is the record, read below from the whole text.
    QString lines[6];
    LineReader reader(file.text);
    for (QString& line : lines) {
        if (std::optional<QString> next = reader.readLine()) {
            line = *next;
        } else {
            showMessage(LoadFailure::endOfFile().message(m_portNote));
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

    if (!loadRecord(file.text))
        return;

    m_fields.CheckCom = m_config.comDisabled == QLatin1String("0") ? 0 : 1;
    m_fields.Check1 = m_config.alarmempf == QLatin1String("0") ? 0 : 1;

    const std::optional<qint16> id = lenientInt16(m_config.stationId);
    if (!id) {
        failLoad(LoadFailure::overflow());
        return;
    }
    m_config.stationId = QString::number(*id);
    publishFields();

    if (m_config.comDisabled == QLatin1String("0")) {
        m_portNote = QStringLiteral("- Com Port ") + m_config.comPort + QStringLiteral(" nicht verfügbar ! ");
        if (!openPort())
            return;
    }
    m_portNote.clear();

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
bool TelvorClient::loadRecord(const QString& text)
{
    // Fields 1 to 8 are kept as text, in this order; 9 and 10 are converted as well.
    static constexpr QString StationConfig::*kTextFields[] = {
        &StationConfig::exchangeDir, &StationConfig::comPort,      &StationConfig::stationId,
        &StationConfig::signalFile,  &StationConfig::reservedText, &StationConfig::alarmText1,
        &StationConfig::alarmempf,   &StationConfig::comDisabled,
    };
    const BracketRecord record = readBracketRecord(text, kRecordFields);
    if (record.negativeFirst) {
        failLoad(LoadFailure::invalidRecord());
        return false;
    }
    const QStringList& fields = record.fields;
    for (qsizetype i = 0; i < fields.size() && i < qsizetype(std::size(kTextFields)); ++i) {
        m_config.*kTextFields[i] = fields[i];
        if (i == 0) {
            m_config.exchangeDir = withFinalSeparator(m_config.exchangeDir);
            m_config.exchangeDirFound = IsFilePath(m_config.exchangeDir);
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

bool TelvorClient::openPort()
{
    SerialPort& port = m_services.serial;
    if (m_config.comPort.startsWith(QLatin1Char('/'))) {
        if (!port.setDevicePath(m_config.comPort)) {
            failLoad(LoadFailure::invalidPortNumber());
            return false;
        }
    } else {
        const std::optional<qint16> number = lenientInt16(m_config.comPort);
        if (!number) {
            failLoad(LoadFailure::overflow());
            return false;
        }
        if (!port.setPortNumber(*number)) {
            failLoad(LoadFailure::invalidPortNumber());
            return false;
        }
    }
    const SerialOpenResult opened = port.open();
    if (!opened.ok()) {
        if (m_services.standardError)
            m_services.standardError(QStringLiteral("telvor: %1 kann nicht geöffnet werden: %2")
                                         .arg(port.devicePath(), QString::fromLocal8Bit(strerror(opened.sysError))));
        failLoad(LoadFailure::fromSerial(opened));
        return false;
    }
    return true;
}

bool TelvorClient::writeAlarmTextFile()
{
    const QString content = alarmTextContent(m_config.alarmText1, m_fields.Text6, m_fields.Text7, m_fields.Text8);
    const IoResult written =
        writeFileAtomic(exchangePath(alarmTextFileName(m_config.stationId)), encodeCp1252(content));
    if (!written.ok()) {
        failLoad(LoadFailure::fromIo(written));
        return false;
    }
    return true;
}

void TelvorClient::continueLoadAfterExchangeDirFound()
{
    m_awaitingExchangeDir = false;
    m_fields.meldungtxt.clear();
    publishFields();
    if (!writeAlarmTextFile())
        return;
    if (m_endOfFileSeen) {
        m_endOfFileSeen = false;
        setup();
        m_loadStoppedInSetup = true;
        return;
    }
    if (m_fields.alarmtestaus == 1) {
        m_state.getestet = true;
        m_state.initialisierung = true;
    } else {
        m_views.buttonTest->load();
    }
}

void TelvorClient::resumeLoadIfExchangeDirAppeared()
{
    if (!IsFilePath(m_config.exchangeDir))
        return;
    m_config.exchangeDirFound = true;
    const bool untouched = !m_setupTouched;
    m_loadStoppedInSetup = false;
    continueLoadAfterExchangeDirFound();
    if (untouched && !m_loadStoppedInSetup)
        m_views.setup->setSetupVisible(false);
}

} // namespace telvor
