// Typed getters and setters on QVariantMap dictionaries.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <type_traits>

namespace filelib {

// A value answers for itself, as a number or a text would:
// - booleans and numbers convert as numbers (true is 1); a floating-point value becomes an
//   integer by truncation toward zero; anything outside the target's range is clamped to it
//   (so -1 gives 0 as an unsigned number) and NaN gives 0;
// - texts give the integer they begin with ("3.7" gives 3, " -12abc" gives -12, clamped),
//   textlib::boolValue() for booleans ("YES", "true", "on", "5") and doubleValue() of the
//   platform for floating-point values ("1e3" gives 1000);
// - booleans: a number is true when it is neither 0 nor NaN;
// - every other value (lists, maps, an invalid QVariant) gives false, 0 or 0.0.

bool valueAsBool(const QVariant &value);
int valueAsInt(const QVariant &value);
qint64 valueAsInteger(const QVariant &value);
uint valueAsUnsignedInt(const QVariant &value);
quint64 valueAsUnsignedInteger(const QVariant &value);
unsigned long valueAsUnsignedLong(const QVariant &value);
qint64 valueAsLongLong(const QVariant &value);
quint64 valueAsUnsignedLongLong(const QVariant &value);
float valueAsFloat(const QVariant &value);
double valueAsDouble(const QVariant &value);
/// Texts as they are, byte arrays as UTF-8, booleans as "true"/"false", numbers in their
/// shortest C-locale form; null for every other value.
QString valueAsString(const QVariant &value);

// Getters: defaultValue when the key is absent, else the stored value's conversion above.

bool boolForKey(const QVariantMap &d, const QString &key, bool defaultValue = false);
int intForKey(const QVariantMap &d, const QString &key, int defaultValue = 0);
qint64 integerForKey(const QVariantMap &d, const QString &key, qint64 defaultValue = 0);
uint unsignedIntForKey(const QVariantMap &d, const QString &key, uint defaultValue = 0);
quint64 unsignedIntegerForKey(const QVariantMap &d, const QString &key, quint64 defaultValue = 0);
unsigned long unsignedLongForKey(const QVariantMap &d, const QString &key,
                                 unsigned long defaultValue = 0);
qint64 longLongForKey(const QVariantMap &d, const QString &key, qint64 defaultValue = 0);
quint64 unsignedLongLongForKey(const QVariantMap &d, const QString &key, quint64 defaultValue = 0);
float floatForKey(const QVariantMap &d, const QString &key, float defaultValue = 0);
/// The default is a double and comes back unchanged (not rounded through a float).
double doubleForKey(const QVariantMap &d, const QString &key, double defaultValue = 0);
/// The stored value as valueAsString(); defaultValue when the key is absent or the value has
/// no text form (a list, a map).
QString stringForKey(const QVariantMap &d, const QString &key,
                     const QString &defaultValue = QString());
/// The stored value, or defaultValue when the key is absent.
QVariant objectForKey(const QVariantMap &d, const QString &key,
                      const QVariant &defaultValue = QVariant());

// A QVariantMap has text keys only: an integer code is stored under its decimal text, so code
// 42 and the key "42" are the same entry, and -7 is "-7".

/// The key that stands for code.
QString codeKey(qint32 code);
/// The value stored under code, or defaultValue.
QVariant objectForCode(const QVariantMap &d, qint32 code,
                       const QVariant &defaultValue = QVariant());
/// The value under code when there is one, else the value under key (invalid when neither).
QVariant objectForKeyOrCode(const QVariantMap &d, const QString &key, qint32 code);
/// objectForKeyOrCode() under its usual name: a 32-bit code as the third argument is a code,
/// never a default (write QVariant(4) for a number as the default).
inline QVariant objectForKey(const QVariantMap &d, const QString &key, qint32 code) {
    return objectForKeyOrCode(d, key, code);
}
/// Any other number there would be read as a code or a default by accident, so it is refused.
template<class T>
concept NumberButCode = std::is_arithmetic_v<T> && !std::is_same_v<T, qint32>;
QVariant objectForKey(const QVariantMap &d, const QString &key, NumberButCode auto value) = delete;

/// A text stored under key as is; for a map of localisation names to texts the entry of the
/// first preferred localisation that is a text, else the "English" entry if it is a text;
/// defaultValue otherwise (absent key, other kinds of value, no usable entry). Preferred
/// localisations are the user's UI languages (QLocale().uiLanguages()), each tried as written
/// ("de-DE"), with "_" ("de_DE"), as its language code ("de") and as the English name of its
/// language ("German").
QString localizedStringForKey(const QVariantMap &d, const QString &key,
                              const QString &defaultValue = QString());

/// The dictionary itself (shared, not copied).
inline QVariantMap dictionaryRepresentation(const QVariantMap &d) {
    return d;
}

// Setters store a value of exactly the named type.

void setBool(QVariantMap &d, bool value, const QString &key);
void setInt(QVariantMap &d, int value, const QString &key);
void setInteger(QVariantMap &d, qint64 value, const QString &key);
void setUnsignedInt(QVariantMap &d, uint value, const QString &key);
void setUnsignedInteger(QVariantMap &d, quint64 value, const QString &key);
void setUnsignedLong(QVariantMap &d, unsigned long value, const QString &key);
void setLongLong(QVariantMap &d, qint64 value, const QString &key);
void setUnsignedLongLong(QVariantMap &d, quint64 value, const QString &key);
void setFloat(QVariantMap &d, float value, const QString &key);
void setDouble(QVariantMap &d, double value, const QString &key);
/// Stores value; a null value removes the key, as the user defaults do.
void setString(QVariantMap &d, const QString &value, const QString &key);

} // namespace filelib
