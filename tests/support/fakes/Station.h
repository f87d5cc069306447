#pragma once

#include "FakeSerialPort.h"
#include "FakeSound.h"
#include "FaultyExchangeIo.h"
#include "RecordingViews.h"
#include "client/core/TelvorClient.h"
#include "common/ExchangeIo.h"
#include "common/TaskQueue.h"
#include "tests/support/time/VirtualClock.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace telvor::test {

/** The six lines of a TELVOR.DAT, field by field as they stand in the file. */
struct ConfigText {
    QString exchangeDir;
    QString comPort = QStringLiteral("1");
    QString stationId;
    QString signalFile = QStringLiteral("kein");
    QString reservedText;
    QString alarmText1 = QStringLiteral("Alarm");
    QString alarmempf = QStringLiteral("0");
    QString comDisabled = QStringLiteral("1");
    QString entprellzeit = QStringLiteral(" 120");
    QString logfileaktive = QStringLiteral("1");
    QString testOff = QStringLiteral(" 1 ");
    QString text2, text3, text4;
    QString fullScreen = QStringLiteral(" 0 ");

    /** The file's bytes: Windows-1252 with CR LF. */
    QByteArray bytes() const;
};

/**
 * One workstation in a test: its own per-user directory, a scripted serial line, recorded sound
 * and windows, a share whose faults the test chooses, on a virtual scheduler that several
 * stations may share. Calls on the share and log writes run at once on the calling thread.
 */
class Station final {
public:
    Station(VirtualScheduler& scheduler, const QString& appData);
    ~Station();

    void writeConfig(const ConfigText& config) const;
    void writeRawConfig(const QByteArray& bytes) const;
    /** Makes the client and runs its start-up. */
    void start();
    /** The client ends as its process would: gone, and with it its locks. */
    void stop() { m_client.reset(); }

    TelvorClient& client() { return *m_client; }
    QString appData() const { return m_appData; }
    /** The screen saver's settings file of this station's user. */
    QString screenSaverSettings() const;
    /** telvor.log as it is on disk. */
    QByteArray logBytes() const;
    /** The log's texts after date and time, one per entry. */
    QStringList logTexts() const;

    FakeSerialPort serial;
    FakeSound sound;
    DirectExchangeIo disk;
    FaultyExchangeIo share;
    InlineTaskQueue logWriter;
    RecordingViews views;
    QStringList standardError;
    int ended = 0;                      ///< how often the client asked to end the program
    QString workstationConfigDirectory; ///< empty: the machine has no TELVOR.DAT of its own
    QString stationLockDirectory;       ///< empty: no other session is looked for

private:
    VirtualScheduler& m_scheduler;
    VirtualClock m_clock;
    QString m_appData;
    std::unique_ptr<TelvorClient> m_client;
};

} // namespace telvor::test
