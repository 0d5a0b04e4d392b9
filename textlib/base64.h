// Base64 coding with the standard alphabet, no line breaks.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace textlib {

// Decoding reads each unit by its low eight bits: the alphabet gives 0-63, every other unit
// ("=" included) gives 0, and a group cut short by the end takes 0 for its missing units.

/// Base64 of length bytes. A last group of one or two bytes ends with two or one padding units,
/// or with none when padding is 0. Null for a null buffer, a length below 1 or one too large to
/// encode.
QString encodeBase64Bytes(const void *bytes, qsizetype length, char16_t padding = 0);
/// Base64 of the UTF-8 form of s, without padding; null when s is empty or holds a lone
/// surrogate (it has no UTF-8 form).
QString encodebase64(QStringView s);
/// Base64 of data, padded with "="; null for empty data.
QString encodedBase64Data(const QByteArray &data);

/// The decoded bytes read as text in a numbered encoding (see construction.h). Decoding stops
/// before the first zero byte. s itself when empty; null when no byte comes before a zero one,
/// when the bytes are not valid in the encoding, or for an unknown encoding number.
QString decodebase64UsingEncoding(const QString &s, quint64 encoding);
/// decodebase64UsingEncoding() with UTF-8.
QString decodebase64(const QString &s);
/// Every decoded byte, zeros included, less one byte from the end per "=" that s ends with; null
/// when s is empty or no byte is left.
QByteArray decodedBase64Data(QStringView s);

/// Whether s, without its trailing white space, is not empty and holds only alphabet units
/// (by their low eight bits). "=" is not accepted, so padded Base64 is not recognised.
bool isBase64String(QStringView s);
/// Whether no byte of data has its top bit set; true for empty data.
bool isAsciiData(const QByteArray &data);

} // namespace textlib
