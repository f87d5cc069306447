#pragma once

#include "common/BracketRecord.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace telvor {

/** The station's configuration file; the client keeps it in the per-user directory. */
inline const QString kConfigFileName = QStringLiteral("TELVOR.DAT");
inline constexpr int kRecordFieldCount = 10;
inline constexpr int kConfigLineCount = 6;

/** TELVOR.DAT as read, before any value is checked. */
struct TelvorDatText {
    /** The bracket record of the file's first line, as many fields as were asked for. */
    BracketRecord record;
    /** Lines 1 to 6, each whole; nothing where the file ended before that line. */
    std::array<std::optional<QString>, kConfigLineCount> lines;
};

/** Reads the record and the lines; a file of fewer lines simply lacks the rest. */
TelvorDatText readTelvorDat(const QString& text, int fieldCount = kRecordFieldCount);

/** What a save writes into TELVOR.DAT. */
struct TelvorDatValues {
    QStringList fields; ///< the record's fields in order, as they are to stand in the file
    int buttonTestOff = 0;
    QString alarmText2, alarmText3, alarmText4;
    int fullScreen = 0;
};

/** The six lines, each ended by CR LF; the check-box lines are the digit between two blanks. */
QString composeTelvorDat(const TelvorDatValues& values);

/**
 * The station ID as the stations name their files: the decimal text of the field's 16-bit value,
 * read leniently (" 007" gives "7"); nothing when the value does not fit into 16 bits.
 */
std::optional<QString> normalisedStationId(const QString& field);

} // namespace telvor
