#include "common/Numbers.h"

#include <QByteArray>

#include <cmath>
#include <cstdlib>
#include <locale.h> // NOLINT(modernize-deprecated-headers): newlocale and locale_t are POSIX, not in <clocale>

namespace telvor {
namespace {

bool isIgnoredBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

/** Converts the plain "[-]digits[.digits][e[-]digits]" text; always with "." as the decimal point. */
double parsePlainNumber(const QByteArray& plain)
{
    // QCoreApplication sets the user's locale, where strtod might expect a decimal comma.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(plain.constData(), nullptr, cLocale); // overflow gives +-HUGE_VAL, the infinity
}

} // namespace

double leadingNumber(const QString& text)
{
    // Blanks are dropped wherever they stand, so the walk below sees the number without them.
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text)
        if (!isIgnoredBlank(c))
            compact.append(c);

    QByteArray plain;
    qsizetype pos = 0;
    const qsizetype size = compact.size();
    if (pos < size && (compact.at(pos) == u'+' || compact.at(pos) == u'-')) {
        if (compact.at(pos) == u'-')
            plain.append('-');
        ++pos;
    }
    bool anyDigit = false;
    while (pos < size && isDigit(compact.at(pos))) {
        plain.append(char(compact.at(pos++).unicode()));
        anyDigit = true;
    }
    if (pos < size && compact.at(pos) == u'.') {
        plain.append('.');
        ++pos;
        while (pos < size && isDigit(compact.at(pos))) {
            plain.append(char(compact.at(pos++).unicode()));
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0.0;

    // The exponent counts only when at least one digit follows the letter and its sign.
    if (pos < size) {
        const QChar letter = compact.at(pos).toUpper();
        if (letter == u'E' || letter == u'D') {
            qsizetype expPos = pos + 1;
            QByteArray exponent("e");
            if (expPos < size && (compact.at(expPos) == u'+' || compact.at(expPos) == u'-')) {
                exponent.append(char(compact.at(expPos).unicode()));
                ++expPos;
            }
            bool expDigit = false;
            while (expPos < size && isDigit(compact.at(expPos))) {
                exponent.append(char(compact.at(expPos++).unicode()));
                expDigit = true;
            }
            if (expDigit)
                plain.append(exponent);
        }
    }
    return parsePlainNumber(plain);
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // Rounded by hand so that the result does not depend on the floating-point rounding mode.
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

std::optional<qint16> lenientInt16(const QString& text)
{
    return toInt16(leadingNumber(text));
}

QString withSignPosition(qint64 value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

} // namespace telvor
