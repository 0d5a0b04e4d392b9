#include "normalization.h"

#include "conversiontables.h"

#include <QStringView>

#include <algorithm>

namespace textlib {

namespace {

QString::NormalizationForm qtForm(NormalForm form) {
    switch (form) {
    case NormalForm::D:
        return QString::NormalizationForm_D;
    case NormalForm::KD:
        return QString::NormalizationForm_KD;
    case NormalForm::KC:
        return QString::NormalizationForm_KC;
    case NormalForm::C:
        break;
    }
    return QString::NormalizationForm_C;
}

// Every unit through map; s itself when no unit changes, else one copy written from the first
// change on.
template<typename Map> QString mapped(const QString &s, Map map) {
    const char16_t *units = QStringView(s).utf16();
    const qsizetype size = s.size();
    qsizetype i = 0;
    while (i < size && map(units[i]) == units[i])
        ++i;
    if (i == size)
        return s;
    QString result = s;
    char16_t *d = reinterpret_cast<char16_t *>(result.data());
    std::transform(d + i, d + size, d + i, map);
    return result;
}

QString mappedWithTable(const QString &s, ConversionTable table) {
    return mapped(s, [table](char16_t c) { return table[c]; });
}

QString composed(const QString &s) {
    return normalizedString(s, NormalForm::C);
}

bool isUnusable(char16_t c) {
    return c == 0 || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xF400 && c <= 0xF8FF);
}

// The spelled-out form of a ligature; empty for any other unit.
QStringView ligature(char16_t c) {
    switch (c) {
    case 0xFB00:
        return u"ff";
    case 0xFB01:
        return u"fi";
    case 0xFB02:
        return u"fl";
    case 0xFB03:
        return u"ffi";
    case 0xFB04:
        return u"ffl";
    case 0xFB05:
        return u"ft";
    case 0xFB06:
        return u"st";
    case 0x0132:
        return u"IJ";
    case 0x0133:
        return u"ij";
    default:
        return {};
    }
}

} // namespace

void normalizeString(QString &s, NormalForm form) {
    if (s.isEmpty())
        return;
    QString normal = s.normalized(qtForm(form));
    // Keep the original (and its sharing) when the form changed nothing.
    if (normal.constData() != s.constData() && normal != s)
        s = std::move(normal);
}

QString normalizedString(const QString &s, NormalForm form) {
    QString result = s;
    normalizeString(result, form);
    return result;
}

void normalizeLowercaseString(QString &s) {
    normalizeString(s);
    s = std::move(s).toLower();
}

QString normalizedLowercaseString(const QString &s) {
    return composed(s).toLower();
}

void normalizeUppercaseString(QString &s) {
    normalizeString(s);
    s = std::move(s).toUpper();
}

QString normalizedUppercaseString(const QString &s) {
    return composed(s).toUpper();
}

void fixAndNormalizeString(QString &s) {
    s = mapped(s, [](char16_t c) { return isUnusable(c) ? u' ' : c; });
    normalizeString(s);
}

QString fixedAndNormalizedString(const QString &s) {
    QString result = s;
    fixAndNormalizeString(result);
    return result;
}

void convertLigaturesToCharacters(QString &s) {
    // Every ligature grows, so the first pass can size the result exactly.
    qsizetype growth = 0;
    for (QChar c : std::as_const(s))
        growth += std::max<qsizetype>(ligature(c.unicode()).size() - 1, 0);
    if (growth == 0)
        return;
    QString result(s.size() + growth, Qt::Uninitialized);
    QChar *d = result.data();
    for (QChar c : std::as_const(s)) {
        const QStringView spelled = ligature(c.unicode());
        if (spelled.isEmpty())
            *d++ = c;
        else
            d = std::copy(spelled.begin(), spelled.end(), d);
    }
    s = std::move(result);
}

QString nonUmlautedString(const QString &s) {
    return mappedWithTable(s, initUmlautsCharsTable());
}

QString lowercaseNonUmlautedString(const QString &s) {
    return mappedWithTable(s, initLowerUmlautsCharsTable());
}

QString uppercaseNonUmlautedString(const QString &s) {
    return mappedWithTable(s, initUpperUmlautsCharsTable());
}

QString nonUmlautedNormalizedString(const QString &s) {
    return nonUmlautedString(composed(s));
}

QString lowercaseNonUmlautedNormalizedString(const QString &s) {
    return lowercaseNonUmlautedString(composed(s));
}

QString uppercaseNonUmlautedNormalizedString(const QString &s) {
    return uppercaseNonUmlautedString(composed(s));
}

QString asciiString(const QString &s) {
    return mapped(composed(s), [](char16_t c) { return toAscii(c); });
}

QString lowercaseAsciiString(const QString &s) {
    return mapped(composed(s), [](char16_t c) { return toLowerAscii(c); });
}

QString uppercaseAsciiString(const QString &s) {
    return mapped(composed(s), [](char16_t c) { return toUpperAscii(c); });
}

} // namespace textlib
