#include "Station.h"

#include "common/Cp1252.h"
#include "common/FileIo.h"
#include "common/TelvorDat.h"

#include <QDir>

namespace telvor::test {

QByteArray ConfigText::bytes() const
{
    // The state lines are given as they stand in the file, blanks and all, so they are joined here.
    const QString record = joinBracketRecord({exchangeDir, comPort, stationId, signalFile, reservedText, alarmText1,
                                              alarmempf, comDisabled, entprellzeit, logfileaktive});
    const QString crlf = QStringLiteral("\r\n");
    return encodeCp1252(record + crlf + testOff + crlf + text2 + crlf + text3 + crlf + text4 + crlf + fullScreen +
                        crlf);
}

Station::Station(VirtualScheduler& scheduler, const QString& appData)
    : serial(scheduler), sound(scheduler), share(disk, scheduler), m_scheduler(scheduler),
      m_clock(scheduler, QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0))), m_appData(appData)
{
    QDir().mkpath(appData);
}

Station::~Station() = default;

void Station::writeConfig(const ConfigText& config) const
{
    writeRawConfig(config.bytes());
}

void Station::writeRawConfig(const QByteArray& bytes) const
{
    writeFileAtomic(m_appData + QStringLiteral("/TELVOR.DAT"), bytes);
}

void Station::start()
{
    ClientServices services{m_scheduler,
                            m_clock,
                            serial,
                            sound,
                            share,
                            logWriter,
                            m_appData,
                            QLocale(QLocale::German, QLocale::Germany),
                            [this](const QString& line) { standardError.append(line); },
                            [this] { ++ended; },
                            screenSaverSettings(),
                            workstationConfigDirectory,
                            stationLockDirectory};
    m_client = std::make_unique<TelvorClient>(services, views.views());
    m_client->Form_Load();
}

QString Station::screenSaverSettings() const
{
    return m_appData + QStringLiteral("/PendraSaver.ini");
}

QByteArray Station::logBytes() const
{
    return readWholeFile(m_appData + QStringLiteral("/telvor.log")).bytes;
}

QStringList Station::logTexts() const
{
    QStringList texts;
    const QString log = decodeCp1252(logBytes());
    for (const QString& line : log.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        // "dd.MM.yy  HH:mm:ss  text"
        const qsizetype afterTime = line.indexOf(QStringLiteral("  "), line.indexOf(QStringLiteral("  ")) + 2);
        texts.append(afterTime < 0 ? line : line.mid(afterTime + 2));
    }
    return texts;
}

} // namespace telvor::test
