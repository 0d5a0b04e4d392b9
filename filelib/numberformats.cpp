#include "numberformats.h"

#include "platform/localization.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace filelib {

namespace {

using namespace Qt::StringLiterals;

bool isPatternCharacter(QChar c) {
    return c == u'#' || c == u'0' || c == u',' || c == u'.';
}

bool allZeros(const QString &digits) {
    for (QChar c : digits) {
        if (c != u'0')
            return false;
    }
    return true;
}

QString localizedLiteral(QString text, const QLocale &locale) {
    return text.replace(u'-', locale.negativeSign());
}

// ASCII digits in the locale's digits, for locales that do not write 0-9.
QString localizedDigits(const QString &digits, const QLocale &locale) {
    const QList<uint> zero = locale.zeroDigit().toUcs4();
    if (zero.isEmpty() || zero.first() == u'0')
        return digits;
    QString out;
    out.reserve(digits.size());
    for (QChar c : digits) {
        if (c >= u'0' && c <= u'9') {
            const char32_t digit = char32_t(zero.first() + (c.unicode() - u'0'));
            out += QString::fromUcs4(&digit, 1);
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

NumberFormatter::NumberFormatter(const QString &format, bool allowsFractions)
    : m_format(format)
    , m_allowsFractions(allowsFractions) {
    // With no pattern at all the digits still show.
    const QStringList sections = format.isEmpty() ? QStringList{u"#"_s} : format.split(u';');
    m_positive = parseSection(sections.value(0));
    switch (sections.size()) {
    case 1:
        m_zero = m_positive;
        m_negative = m_positive;
        m_negative.prefix.prepend(u'-');
        break;
    case 2:
        m_zero = m_positive;
        m_negative = parseSection(sections.at(1));
        break;
    default:
        m_zero = parseSection(sections.at(1));
        m_negative = parseSection(sections.at(2));
        break;
    }
    if (!allowsFractions) {
        for (Section *s : {&m_positive, &m_zero, &m_negative})
            s->minimumFractionDigits = s->maximumFractionDigits = 0;
    }
}

NumberFormatter::Section NumberFormatter::parseSection(const QString &text) {
    Section s;
    qsizetype begin = 0;
    while (begin < text.size() && !isPatternCharacter(text[begin]))
        ++begin;
    qsizetype end = begin;
    while (end < text.size() && isPatternCharacter(text[end]))
        ++end;
    s.prefix = text.first(begin);
    s.suffix = text.sliced(end);
    const QStringView number = QStringView(text).sliced(begin, end - begin);
    s.hasNumber = !number.isEmpty();
    const qsizetype point = number.indexOf(u'.');
    const QStringView integer = point < 0 ? number : number.first(point);
    const QStringView fraction = point < 0 ? QStringView() : number.sliced(point + 1);
    if (const qsizetype comma = integer.lastIndexOf(u','); comma >= 0)
        s.groupSize = int(integer.size() - comma - 1);
    s.minimumIntegerDigits = int(integer.count(u'0'));
    s.minimumFractionDigits = int(fraction.count(u'0'));
    s.maximumFractionDigits = int(fraction.count(u'0') + fraction.count(u'#'));
    return s;
}

QString NumberFormatter::render(const Section &section, QString integerDigits,
                                QString fractionDigits) const {
    const QLocale locale;
    if (!section.hasNumber)
        return localizedLiteral(section.prefix + section.suffix, locale);
    // One integer digit always stays, so 0.5 does not show as ".5".
    qsizetype lead = 0;
    while (lead < integerDigits.size() - 1 && integerDigits[lead] == u'0')
        ++lead;
    integerDigits.remove(0, lead);
    while (integerDigits.size() < section.minimumIntegerDigits)
        integerDigits.prepend(u'0');
    while (fractionDigits.size() < section.minimumFractionDigits)
        fractionDigits.append(u'0');
    while (fractionDigits.size() > section.minimumFractionDigits && fractionDigits.endsWith(u'0'))
        fractionDigits.chop(1);

    QString number;
    const bool grouping =
        section.groupSize > 0 && !(locale.numberOptions() & QLocale::OmitGroupSeparator);
    const QString group = locale.groupSeparator();
    for (qsizetype i = 0; i < integerDigits.size(); ++i) {
        const qsizetype left = integerDigits.size() - i;
        if (grouping && i > 0 && left % section.groupSize == 0)
            number += group;
        number += integerDigits[i];
    }
    number = localizedDigits(number, locale);
    if (!fractionDigits.isEmpty())
        number += locale.decimalPoint() + localizedDigits(fractionDigits, locale);
    return localizedLiteral(section.prefix, locale) + number
           + localizedLiteral(section.suffix, locale);
}

QString NumberFormatter::stringFromNumber(double value) const {
    if (!std::isfinite(value))
        return QLocale().toString(value);
    const bool negative = std::signbit(value);
    const Section &section = negative ? m_negative : m_positive;
    // to_chars rounds the exact binary value half to even, as number formatters do (2.5 gives
    // 2), and its text holds exactly the digits to show: at most 309 before the point.
    const int precision = std::min(section.maximumFractionDigits, 340);
    std::array<char, 320 + 340> buffer;
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                                   std::chars_format::fixed, precision)
                         .ptr;
    const QString text = QString::fromLatin1(buffer.data(), end - buffer.data());
    const qsizetype point = text.indexOf(u'.');
    const QString integer = point < 0 ? text : text.first(point);
    const QString fraction = point < 0 ? QString() : text.sliced(point + 1);
    if (allZeros(integer) && allZeros(fraction))
        return render(m_zero, QStringLiteral("0"), QString());
    return render(section, integer, fraction);
}

QString NumberFormatter::stringFromNumber(qint64 value) const {
    if (value == 0)
        return render(m_zero, QStringLiteral("0"), QString());
    // Unsigned arithmetic, so the most negative value has a magnitude too.
    const quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    return render(value < 0 ? m_negative : m_positive, QString::number(magnitude), QString());
}

QString NumberFormatter::stringFromNumber(quint64 value) const {
    if (value == 0)
        return render(m_zero, QStringLiteral("0"), QString());
    return render(m_positive, QString::number(value), QString());
}

const NumberFormatter &intFormatter() {
    static const NumberFormatter formatter(QStringLiteral("#,###;0;-#,###"), false);
    return formatter;
}

const NumberFormatter &integerFormatter() {
    return intFormatter();
}

const NumberFormatter &floatFormatter() {
    static const NumberFormatter formatter(QStringLiteral("#,###.##;0;-#,###.##"));
    return formatter;
}

QString stringForInt(int value) {
    return intFormatter().stringForInt(value);
}

QString stringForInteger(qint64 value) {
    return integerFormatter().stringForInteger(value);
}

QString stringForFloat(float value) {
    return floatFormatter().stringForFloat(value);
}

QString stringForSize(quint64 size) {
    static const NumberFormatter formatter(QStringLiteral("#,###.#;0;-#,###.#"));
    static constexpr struct {
        int shift;
        const char *format;
    } units[] = {{40, "%@ TB"}, {30, "%@ GB"}, {20, "%@ MB"}, {10, "%@ KB"}};
    for (const auto &unit : units) {
        if (size >= quint64(1) << unit.shift) {
            // Single precision on purpose: 2^40 - 1 bytes rounds up to 1,024 GB.
            const float scaled = std::ldexp(float(size), -unit.shift);
            return platform::localizedString(unit.format)
                .replace(QStringLiteral("%@"), formatter.stringFromNumber(double(scaled)));
        }
    }
    // Only the unit formats are looked up in the translations; the byte count reads the same in
    // every language.
    return QString::number(size) + QStringLiteral(" bytes");
}

} // namespace filelib
