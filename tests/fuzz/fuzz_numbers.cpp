// The lenient number reading of TELVOR.DAT's fields, the rounding to 16 bits and the printing
// with a sign position. The input is read as text in the file's code page and as UTF-8 (which
// reaches characters the code page has not, such as other scripts' digits); its first bytes
// are also taken as a raw double and as raw integers.

#include "common/Cp1252.h"
#include "common/Numbers.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <cstring>

using namespace telvor;

namespace {

/** The nearest 16-bit value, halves to even, or nothing outside the range. */
void checkRounding(double value)
{
    const std::optional<qint16> rounded = toInt16(value);
    if (!std::isfinite(value)) {
        FUZZ_REQUIRE(!rounded);
        return;
    }
    if (!rounded) {
        // -32768.5 still rounds to the even -32768; 32767.5 goes to 32768, out of range.
        FUZZ_REQUIRE(value < -32768.5 || value >= 32767.5);
        return;
    }
    const double difference = value - double(*rounded); // exact: both are near each other
    FUZZ_REQUIRE(difference >= -0.5 && difference <= 0.5);
    if (difference == 0.5 || difference == -0.5)
        FUZZ_REQUIRE(*rounded % 2 == 0);
}

/** What is printed with a sign position reads back as the same value. */
void checkSignPosition(qint64 value)
{
    const QString printed = withSignPosition(value);
    FUZZ_REQUIRE(!printed.isEmpty() && printed.at(0) == (value < 0 ? u'-' : u' '));
    bool ok = false;
    FUZZ_REQUIRE(printed.trimmed().toLongLong(&ok) == value && ok);
    if (value >= -32768 && value <= 32767)
        FUZZ_REQUIRE(lenientInt16(printed) == std::optional<qint16>(qint16(value)));
}

void checkText(const QString& text)
{
    const double value = leadingNumber(text);
    FUZZ_REQUIRE(!std::isnan(value));

    // Blanks, tabs and line feeds count nowhere, so a text without them reads the same.
    QString compact = text;
    compact.remove(u' ').remove(u'\t').remove(u'\n');
    const double compactValue = leadingNumber(compact);
    FUZZ_REQUIRE(compactValue == value && std::signbit(compactValue) == std::signbit(value));

    checkRounding(value);
    if (const std::optional<qint16> number = lenientInt16(text))
        checkSignPosition(*number);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    checkText(decodeCp1252(bytes));
    checkText(QString::fromUtf8(bytes));

    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkRounding(raw);
    }
    if (size >= sizeof(qint64)) {
        qint64 raw;
        std::memcpy(&raw, data, sizeof raw);
        checkSignPosition(raw);
    }
    if (size >= sizeof(qint16)) {
        qint16 raw;
        std::memcpy(&raw, data, sizeof raw);
        checkSignPosition(raw);
    }
    return 0;
}
