// Unicode normal forms, ligatures, and accent-free or ASCII forms of whole strings.
#pragma once

#include <QString>

namespace textlib {

/// The four Unicode normalization forms, numbered as the stored settings number them.
enum class NormalForm {
    D = 0,  ///< canonical decomposition
    KD = 1, ///< compatibility decomposition
    C = 2,  ///< canonical decomposition, then canonical composition
    KC = 3, ///< compatibility decomposition, then canonical composition
};

// The in-place forms keep s (and its sharing) when nothing changes; the copying forms then
// return s itself, as they do for a null or empty s.

/// Brings s into the given normal form.
void normalizeString(QString &s, NormalForm form = NormalForm::C);
/// Whether a text may be cut before c and the parts brought into the form each on its own, with
/// the same result as the whole: c never combines with what precedes it.
bool hasNormalizationBoundaryBefore(char32_t c, NormalForm form = NormalForm::C);
QString normalizedString(const QString &s, NormalForm form = NormalForm::C);
/// Form C, then the full lowercase mapping without a locale.
void normalizeLowercaseString(QString &s);
QString normalizedLowercaseString(const QString &s);
/// Form C, then the full uppercase mapping without a locale.
void normalizeUppercaseString(QString &s);
QString normalizedUppercaseString(const QString &s);

/// Turns NUL, every surrogate half (paired or not) and U+F400-U+F8FF into spaces, then brings
/// s into form C: text that later code can show and compare unit by unit.
void fixAndNormalizeString(QString &s);
QString fixedAndNormalizedString(const QString &s);

/// Spells out the Latin ligatures U+FB00-U+FB06 and U+0132/U+0133 ("ffi", "IJ"...). U+FB05, the
/// long s-t ligature, deliberately becomes "ft" (its long s read as f), not "st".
void convertLigaturesToCharacters(QString &s);

// Every unit mapped through one of the folding tables (conversiontables.h); the "Normalized"
// and ASCII forms bring s into form C first, so that decomposed accents fold too.
QString nonUmlautedString(const QString &s);
QString lowercaseNonUmlautedString(const QString &s);
QString uppercaseNonUmlautedString(const QString &s);
QString nonUmlautedNormalizedString(const QString &s);
QString lowercaseNonUmlautedNormalizedString(const QString &s);
QString uppercaseNonUmlautedNormalizedString(const QString &s);
/// Form C, then every unit through toAscii(): what has no ASCII form becomes a space.
QString asciiString(const QString &s);
QString lowercaseAsciiString(const QString &s);
QString uppercaseAsciiString(const QString &s);

} // namespace textlib
