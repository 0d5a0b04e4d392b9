#include "normalization.h"

#include "conversiontables.h"

#include <QStringView>

#include <unicode/unorm2.h>

#include <algorithm>
#include <limits>

namespace textlib {

namespace {

// ICU rather than QString::normalized: Qt 6.4 takes time quadratic in a run of combining
// marks (a 1 MB selection of "e" and U+0301 took over a minute), ICU stays linear.
const UNormalizer2 *normalizer(NormalForm form, UErrorCode *error) {
    switch (form) {
    case NormalForm::D:
        return unorm2_getNFDInstance(error);
    case NormalForm::KD:
        return unorm2_getNFKDInstance(error);
    case NormalForm::KC:
        return unorm2_getNFKCInstance(error);
    case NormalForm::C:
        break;
    }
    return unorm2_getNFCInstance(error);
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
    if (s.isEmpty() || s.size() > std::numeric_limits<int32_t>::max() / 4)
        return;
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2 *n = normalizer(form, &error);
    const auto *units = reinterpret_cast<const UChar *>(s.utf16());
    const auto length = int32_t(s.size());
    // Keep the original (and its sharing) when it is already in the form.
    if (U_FAILURE(error) || unorm2_spanQuickCheckYes(n, units, length, &error) == length
        || U_FAILURE(error))
        return;
    QString normal(s.size() + s.size() / 2 + 16, Qt::Uninitialized);
    for (int attempt = 0; attempt < 2; ++attempt) {
        error = U_ZERO_ERROR;
        const int32_t written =
            unorm2_normalize(n, units, length, reinterpret_cast<UChar *>(normal.data()),
                             int32_t(normal.size()), &error);
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            normal.resize(written);
            continue;
        }
        if (U_FAILURE(error))
            return;
        normal.truncate(written);
        if (normal != s)
            s = std::move(normal);
        return;
    }
}

bool hasNormalizationBoundaryBefore(char32_t c, NormalForm form) {
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2 *n = normalizer(form, &error);
    return U_FAILURE(error) || unorm2_hasBoundaryBefore(n, UChar32(c));
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
