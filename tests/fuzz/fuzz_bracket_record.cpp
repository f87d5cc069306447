// The bracket record of TELVOR.DAT's first line: the first byte says how many fields are asked
// for ('0' none, '3' three, '/' minus one), the rest is the line in the file's code page.

#include "common/BracketRecord.h"
#include "common/Cp1252.h"
#include "fuzz/FuzzCheck.h"

#include <QStringView>

#include <algorithm>

using namespace telvor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int fieldCount = int(data[0]) - '0';
    const QString text = decodeCp1252(fuzz::inputBytes(data + 1, size - 1));
    const BracketRecord record = readBracketRecord(text, fieldCount);
    const qsizetype asked = std::max(fieldCount, 0);

    FUZZ_REQUIRE(record.fields.size() <= asked);
    FUZZ_REQUIRE(!record.complete || record.fields.size() == asked);
    FUZZ_REQUIRE(record.negativeFirst == (asked > 0 && text.startsWith(u']')));
    FUZZ_REQUIRE(!record.negativeFirst || (record.fields.isEmpty() && !record.complete));

    // Each field stands where the layout puts it: one opening character, the value, "]".
    qsizetype open = 0;
    for (const QString& field : record.fields) {
        FUZZ_REQUIRE(!field.contains(u']'));
        const qsizetype close = open + 1 + field.size();
        FUZZ_REQUIRE(close < text.size() && text.at(close) == u']');
        FUZZ_REQUIRE(QStringView(text).mid(open + 1, field.size()) == field);
        open = close + 1;
    }
    // A record that ends early has no closed field left in the rest of the text.
    if (!record.complete && !record.negativeFirst)
        FUZZ_REQUIRE(text.indexOf(u']', open + 1) < 0);

    // What was read is written back and read again unchanged.
    if (!record.fields.isEmpty()) {
        const BracketRecord again = readBracketRecord(joinBracketRecord(record.fields), int(record.fields.size()));
        FUZZ_REQUIRE(again.complete && !again.negativeFirst && again.fields == record.fields);
    }
    return 0;
}
