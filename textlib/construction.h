// Strings from bytes, data and files in numbered encodings; writing files; small helpers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <initializer_list>
#include <span>

namespace textlib {

/// Text encodings by their well-known platform numbers. UnicodeStringEncoding (UTF-16) and
/// UTF32StringEncoding read a byte-order mark and take big-endian without one; they write a mark
/// and the host's byte order. UTF-8 reading drops a leading mark. Symbol is the Mac Symbol
/// font encoding; non-lossy ASCII writes "\\" as "\\\\", U+0080-U+00FF as "\ooo" (octal) and
/// the rest above ASCII as "\uxxxx".
enum : quint64 {
    ASCIIStringEncoding = 1,
    NEXTSTEPStringEncoding = 2,
    JapaneseEUCStringEncoding = 3,
    UTF8StringEncoding = 4,
    ISOLatin1StringEncoding = 5,
    SymbolStringEncoding = 6,
    NonLossyASCIIStringEncoding = 7,
    ShiftJISStringEncoding = 8,
    ISOLatin2StringEncoding = 9,
    UnicodeStringEncoding = 10,
    UTF16StringEncoding = UnicodeStringEncoding,
    WindowsCP1251StringEncoding = 11,
    WindowsCP1252StringEncoding = 12,
    WindowsCP1253StringEncoding = 13,
    WindowsCP1254StringEncoding = 14,
    WindowsCP1250StringEncoding = 15,
    ISO2022JPStringEncoding = 21,
    MacOSRomanStringEncoding = 30,
    UTF16BigEndianStringEncoding = 0x90000100,
    UTF16LittleEndianStringEncoding = 0x94000100,
    UTF32StringEncoding = 0x8c000100,
    UTF32BigEndianStringEncoding = 0x98000100,
    UTF32LittleEndianStringEncoding = 0x9c000100,
    /// For reading files only: 0, or any number from 0xFFFFFFF0 on, detects the encoding.
    DetectStringEncoding = 0,
};

/// Whether encoding asks stringWithContentsOfFile() to detect the encoding itself.
constexpr bool isDetectEncoding(quint64 encoding) noexcept {
    return encoding == 0 || encoding >= 0xFFFFFFF0u;
}
/// Whether encoding is one of the numbered encodings above (detect markers are not).
bool isKnownEncoding(quint64 encoding);

/// bytes decoded in encoding; null for an unknown encoding or bytes that are not valid in it
/// (ASCII takes no byte from 0x80 on). Zero bytes give the empty string.
QString stringWithData(const QByteArray &data, quint64 encoding);
/// length bytes at bytes decoded as by stringWithData(); null for a negative length or a null
/// pointer with a non-zero length.
QString stringWithBytes(const char *bytes, qsizetype length, quint64 encoding);
inline QString stringWithCString(const char *bytes, qsizetype length, quint64 encoding) {
    return stringWithBytes(bytes, length, encoding);
}
/// The bytes before the first zero byte decoded in encoding (so no UTF-16 or UTF-32 text beyond
/// its first zero byte); null for a null pointer.
QString stringWithNullTerminatedCString(const char *cstring, quint64 encoding);
/// s encoded in encoding; null when the encoding is unknown or cannot represent s (an unpaired
/// surrogate fits only non-lossy ASCII). UTF-16 and UTF-32 start with a byte-order mark.
QByteArray dataUsingEncoding(QStringView s, quint64 encoding);

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

/// The process-wide default encoding, UTF-8 at start.
quint64 defaultEncoding();
void setDefaultEncoding(quint64 encoding);

/// The encoding that needs the least work from QString's UTF-16: ASCII when every unit is below
/// 0x80, ISO Latin-1 when every unit is below 0x100 (a byte per unit either way), else UTF-16.
quint64 fastestEncoding(QStringView s);
/// Of ASCII, ISO Latin-1, UTF-8 and UTF-16 (2 bytes a unit plus the mark), the one that holds s
/// in the fewest bytes, the first of them on a tie. UTF-16 for a text with an unpaired surrogate,
/// which none of them can write.
quint64 smallestEncoding(QStringView s);

/// True when the integer at the start of s (after blanks, with an optional sign) is not 0, or
/// when the whole of s is "yes", "on" or "true" ignoring case.
bool boolValue(QStringView s);

} // namespace textlib
