// Strings from characters, components and files; writing files; small helpers. The numbered
// encodings they read and write are in encodings.h.
#pragma once

#include "encodings.h"

#include <QString>
#include <QStringView>

#include <initializer_list>
#include <span>

namespace textlib {

/// A string of the one unit c.
QString stringWithCharacter(char16_t c);

/// Whether s is null or empty.
inline bool isStringEmpty(QStringView s) {
    return s.isEmpty();
}
/// Whether s has at least one unit.
inline bool isStringNotEmpty(QStringView s) {
    return !s.isEmpty();
}

/// A new random UUID as 36 upper-case hex digits and hyphens, without braces; null if none could
/// be made.
QString uniqueString();

/// The components joined by "."; a null component ends the list, so a null first one (or none)
/// gives null.
QString stringWithComponents(std::span<const QString> components);
QString stringWithComponents(std::initializer_list<QString> components);

/// The file at path decoded in encoding, or null when it cannot be read or is not valid in it.
/// A detect marker (isDetectEncoding) lets the bytes decide: ICU's detection, taken when it is
/// confident (at least 50 of 100) and names a numbered encoding in which the whole file is
/// valid; bytes all below 0x80 count as classified only as ISO-2022-JP, UTF-16 or UTF-32. When
/// detection fails the file is read as ASCII. *usedEncoding (when given) gets the encoding read
/// with: the one found, ASCIIStringEncoding after a failed detection, else encoding itself.
QString stringWithContentsOfFile(const QString &path, quint64 encoding,
                                 quint64 *usedEncoding = nullptr);

/// Whether writeToFile() replaces the file through a temporary one (QSaveFile).
enum class Atomically : bool { No, Yes };

/// Writes s in encoding to path; true on success. Nothing is written or changed when s is null,
/// the encoding is unknown or cannot represent s. A failed atomic write leaves the old file and
/// no temporary file; a failed direct write may leave a truncated file.
bool writeToFile(const QString &s, const QString &path, Atomically atomically, quint64 encoding);
/// writeToFile() in defaultEncoding(), which is stored in *usedEncoding when given.
bool writeToFileUsingDefaultEncoding(const QString &s, const QString &path, Atomically atomically,
                                     quint64 *usedEncoding = nullptr);
/// writeToFile() in fastestEncoding(s), which is stored in *usedEncoding when given.
bool writeToFileUsingFastestEncoding(const QString &s, const QString &path, Atomically atomically,
                                     quint64 *usedEncoding = nullptr);
/// writeToFile() in smallestEncoding(s), which is stored in *usedEncoding when given.
bool writeToFileUsingSmallestEncoding(const QString &s, const QString &path, Atomically atomically,
                                      quint64 *usedEncoding = nullptr);

/// True when the integer at the start of s (after blanks, with an optional sign) is not 0, or
/// when the whole of s is "yes", "on" or "true" ignoring case.
bool boolValue(QStringView s);

} // namespace textlib
