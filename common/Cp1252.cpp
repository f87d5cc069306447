#include "common/Cp1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace telvor {
namespace {

// Qt's name lookup does not know this code page; the name constructors reach it through ICU.
constexpr const char* kCodecName = "windows-1252";
// ICU substitutes an unencodable character with the code page's SUB control.
constexpr char kSubstitute = '\x1a';

/** Encodes one code point at a time so that each one the code page cannot hold becomes "?". */
QByteArray encodeReplacingUnencodable(const QString& text)
{
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units =
            (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const QStringView piece = QStringView(text).mid(i, units);
        const QByteArray bytes = encoder.encode(piece);
        // A real U+001A encodes to the same byte as the substitute; only that one is kept.
        const bool encodable = bytes.size() == 1 && (bytes.at(0) != kSubstitute || piece == u"\x1a");
        out.append(encodable ? bytes.at(0) : '?');
        i += units;
    }
    return out;
}

} // namespace

QString decodeCp1252(const QByteArray& bytes)
{
    QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
    Q_ASSERT(decoder.isValid());
    if (!decoder.isValid())
        return QString::fromLatin1(bytes); // never seen with Qt's ICU; keeps the text readable
    return decoder.decode(bytes);
}

QByteArray encodeCp1252(const QString& text)
{
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    Q_ASSERT(encoder.isValid());
    if (!encoder.isValid())
        return text.toLatin1();
    QByteArray out = encoder.encode(text);
    if (!encoder.hasError())
        return out;
    return encodeReplacingUnencodable(text);
}

bool fitsCp1252(const QString& text)
{
    return decodeCp1252(encodeCp1252(text)) == text;
}

} // namespace telvor
