#pragma once

#include <QString>

namespace telvor {

/** The station's settings, read from TELVOR.DAT at start-up and changed only by a save of the setup. */
struct StationConfig {
    QString Userappdata;  ///< directory of TELVOR.DAT and telvor.log
    QString exchangeDir;  ///< ends with "/" after a save; file names are appended directly
    QString comPort;      ///< "1" to "9", or a device path
    QString stationId;    ///< decimal text without blanks or leading zeros
    QString signalFile;   ///< WAV file played on a received alarm; empty or "kein" means beeps
    QString reservedText; ///< written back as it was read
    QString alarmText1;
    QString alarmempf;   ///< "1": reception of alarms is off
    QString comDisabled; ///< "0": the push-button port is used
    qint16 entprellzeit = 0;
    QString logfileaktive; ///< exactly "1": the event log is written
    bool exchangeDirFound = false;
    bool fullScreen = false;
};

/**
 * What the setup window's controls hold. The core keeps these values (some settings live only
 * here, as the controls' contents) and the window shows them.
 */
struct SetupFields {
    QString caption; ///< window title
    QString Label10 = QStringLiteral("Quorvel");
    QString File1Pattern;
    QString Text1;                        ///< alarm text, line 1
    QString Text6, Text7, Text8;          ///< alarm text, lines 2 to 4
    QString Text3;                        ///< exchange directory
    QString Text4;                        ///< signal file
    QString Text5;                        ///< station ID
    QString Combo1 = QStringLiteral("1"); ///< port
    QString tastenver = QStringLiteral("120");
    QString meldungtxt; ///< path warning and latest log entry
    QString Label2;     ///< validation message
    QString Upfad;      ///< shows Userappdata
    int CheckCom = 0;   ///< check-box states: 0 clear, 1 ticked, 2 grey
    int Check1 = 0;
    int chk_vollbild = 0;
    int alarmtestaus = 0;
    int logfile = 0;

    bool operator==(const SetupFields&) const = default;
};

} // namespace telvor
