#include "common/BracketRecord.h"

namespace telvor {

BracketRecord readBracketRecord(const QString& text, int fieldCount)
{
    BracketRecord record;
    if (fieldCount <= 0) {
        record.complete = true;
        return record;
    }

    // Field 1 runs to the first "]" anywhere in the text, even the first character; that is
    // why a text that begins with "]" has no field 1 at all.
    const qsizetype firstClose = text.indexOf(u']');
    if (firstClose < 0)
        return record;
    if (firstClose == 0) {
        record.negativeFirst = true;
        return record;
    }
    record.fields.append(text.mid(1, firstClose - 1));

    qsizetype close = firstClose;
    while (record.fields.size() < fieldCount) {
        // The character after a "]" is the next field's opening bracket and is skipped unseen.
        const qsizetype start = close + 2;
        if (start >= text.size())
            return record;
        close = text.indexOf(u']', start);
        if (close < 0)
            return record;
        record.fields.append(text.mid(start, close - start));
    }
    record.complete = true;
    return record;
}

QString joinBracketRecord(const QStringList& fields)
{
    QString record;
    for (const QString& field : fields)
        record += QLatin1Char('[') + field + QLatin1Char(']');
    return record;
}

} // namespace telvor
