#pragma once

#include <QByteArray>
#include <QString>

namespace telvor {

/** The code page of every text file of the system; each of the 256 byte values survives a round trip. */
QString decodeCp1252(const QByteArray& bytes);
/** Characters the code page cannot hold become "?". */
QByteArray encodeCp1252(const QString& text);
/** True when every character of text survives the code page. */
bool fitsCp1252(const QString& text);

} // namespace telvor
