// The code page of every text file. Bytes from a file decode to one character each and encode
// back to the same bytes. In the other direction the input is taken as UTF-16 code units, lone
// surrogates included: each code point becomes one byte, and decodes back to itself or to "?".

#include "common/Cp1252.h"
#include "fuzz/FuzzCheck.h"

#include <cstring>

using namespace telvor;

namespace {

void checkBytesRoundTrip(const QByteArray& bytes)
{
    const QString text = decodeCp1252(bytes);
    FUZZ_REQUIRE(text.size() == bytes.size());
    FUZZ_REQUIRE(encodeCp1252(text) == bytes);
}

void checkTextToBytes(const QString& text)
{
    const QByteArray encoded = encodeCp1252(text);
    const QString back = decodeCp1252(encoded);
    FUZZ_REQUIRE(back.size() == encoded.size());
    qsizetype unit = 0;
    qsizetype byte = 0;
    while (unit < text.size()) {
        const bool pair =
            text.at(unit).isHighSurrogate() && unit + 1 < text.size() && text.at(unit + 1).isLowSurrogate();
        FUZZ_REQUIRE(byte < back.size());
        const QChar got = back.at(byte);
        if (pair || text.at(unit).isSurrogate())
            FUZZ_REQUIRE(got == u'?');
        else
            FUZZ_REQUIRE(got == text.at(unit) || got == u'?');
        unit += pair ? 2 : 1;
        ++byte;
    }
    FUZZ_REQUIRE(byte == encoded.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkBytesRoundTrip(fuzz::inputBytes(data, size));

    QString units(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, size / 2 * sizeof(char16_t));
    checkTextToBytes(units);
    return 0;
}
