#include "screensaver/core/LocaleNumber.h"

namespace telvor {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

/** Reads the text into the plain "-digits.digitsEdigits" form that QString::toDouble takes. */
class NumberReader {
public:
    NumberReader(const QString& text, const QLocale& locale) : m_text(text), m_locale(locale) {}

    std::optional<QByteArray> plain()
    {
        skipBlanks();
        readSign();
        if (!readMantissa() || !readExponent())
            return std::nullopt;
        skipBlanks();
        if (m_pos != m_text.size())
            return std::nullopt;
        return m_plain;
    }

private:
    [[nodiscard]] bool at(const QString& token) const
    {
        return !token.isEmpty() && QStringView(m_text).mid(m_pos).startsWith(token);
    }
    [[nodiscard]] bool digitAt(qsizetype pos) const { return pos < m_text.size() && isDigit(m_text.at(pos)); }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && isBlank(m_text.at(m_pos)))
            ++m_pos;
    }

    void readSign()
    {
        for (const QString& minus : {m_locale.negativeSign(), QStringLiteral("-")}) {
            if (at(minus)) {
                m_plain.append('-');
                m_pos += minus.size();
                return;
            }
        }
        for (const QString& plus : {m_locale.positiveSign(), QStringLiteral("+")}) {
            if (at(plus)) {
                m_pos += plus.size();
                return;
            }
        }
    }

    bool readMantissa()
    {
        const QString decimal = m_locale.decimalPoint();
        const QString group = m_locale.groupSeparator();
        bool anyDigit = false;
        bool inFraction = false;
        while (m_pos < m_text.size()) {
            if (digitAt(m_pos)) {
                m_plain.append(char(m_text.at(m_pos++).unicode()));
                anyDigit = true;
            } else if (!inFraction && at(decimal)) {
                m_plain.append('.');
                m_pos += decimal.size();
                inFraction = true;
            } else if (!inFraction && anyDigit && at(group) && digitAt(m_pos + group.size())) {
                m_pos += group.size();
            } else {
                break;
            }
        }
        return anyDigit;
    }

    /** An exponent letter counts only with digits behind it; without them the text is no number. */
    bool readExponent()
    {
        if (m_pos >= m_text.size() || m_text.at(m_pos).toUpper() != u'E')
            return true;
        ++m_pos;
        m_plain.append('e');
        if (m_pos < m_text.size() && (m_text.at(m_pos) == u'+' || m_text.at(m_pos) == u'-'))
            m_plain.append(char(m_text.at(m_pos++).unicode()));
        if (!digitAt(m_pos))
            return false;
        while (digitAt(m_pos))
            m_plain.append(char(m_text.at(m_pos++).unicode()));
        return true;
    }

    const QString& m_text;
    const QLocale& m_locale;
    qsizetype m_pos = 0;
    QByteArray m_plain;
};

} // namespace

std::optional<double> localeNumber(const QString& text, const QLocale& locale)
{
    const std::optional<QByteArray> plain = NumberReader(text, locale).plain();
    if (!plain)
        return std::nullopt;
    // toDouble is independent of the locale and gives an infinity with "ok" false past the range.
    bool ok = false;
    const double value = QString::fromLatin1(*plain).toDouble(&ok);
    if (!ok && !qIsInf(value))
        return std::nullopt;
    return value;
}

} // namespace telvor
