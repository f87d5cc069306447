#pragma once

#include <QString>
#include <QStringList>

namespace telvor {

/**
 * The fields of a record "[f1][f2]...[fn]". The first character of the text and the character
 * after each "]" are not examined; a field ends before the first "]" at or after its start, and
 * field 1 ends before the first "]" of the whole text. A "[" inside a value is ordinary.
 */
struct BracketRecord {
    QStringList fields;         ///< the fields closed by "]", in order, at most the number asked for
    bool complete = false;      ///< all asked-for fields were closed before the end of the text
    bool negativeFirst = false; ///< the text begins with "]": field 1 would have a negative length
};

BracketRecord readBracketRecord(const QString& text, int fieldCount);
/** "[" f1 "][" f2 ... "]" */
QString joinBracketRecord(const QStringList& fields);

} // namespace telvor
