// Typed access to the user defaults.
#pragma once

#include "platform/userdefaults.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace filelib {

// Values are read as typeddictionary.h describes (valueAsBool() and the rest). A store kept on
// disk gives back texts for what it wrote as numbers or booleans once it has been re-read, and
// a list of one element as that element; the readings below are the same either way, except
// that a number written under an extensions key reads back as a one-candidate text.

/// Does nothing: the store writes by itself, and UserDefaults::synchronize() forces it.
inline void flush(UserDefaults &) {
}

/// Stores value under key; an invalid value or a null text removes the key.
void setValue(UserDefaults &defaults, const QVariant &value, const QString &key);
/// As setValue(): a null value removes the key.
void setString(UserDefaults &defaults, const QString &value, const QString &key);
/// Stores a boolean.
void setBool(UserDefaults &defaults, bool value, const QString &key);

/// defaultValue when nothing is stored under key, else the stored object's valueAsBool().
bool boolForKey(const UserDefaults &defaults, const QString &key, bool defaultValue);
/// defaultValue when nothing is stored under key, else UserDefaults::integerForKey() (0 for an
/// object that is no number).
qint64 integerForKey(const UserDefaults &defaults, const QString &key, qint64 defaultValue);
/// defaultValue when nothing is stored under key or the object reads as NaN; otherwise its
/// valueAsFloat() (0 for an object that is no number, such as a list).
float floatForKey(const UserDefaults &defaults, const QString &key, float defaultValue);
/// defaultValue when nothing is stored under key, the object has no numeric reading (a list, a
/// map) or reads as NaN; otherwise the platform's doubleValue(), so an unreadable text gives 0.
double doubleForKey(const UserDefaults &defaults, const QString &key, double defaultValue);
/// The object's text form (valueAsString()), or defaultValue when it has none or is absent.
QString stringForKey(const UserDefaults &defaults, const QString &key,
                     const QString &defaultValue = QString());
/// The stored object, or defaultValue.
QVariant objectForKey(const UserDefaults &defaults, const QString &key,
                      const QVariant &defaultValue = QVariant());

/// A once-only flag: true the first time it is asked for a key (and stores false under it),
/// false once false is stored there.
bool shouldInstallItemForKey(UserDefaults &defaults, const QString &key);
/// Stores the flag that shouldInstallItemForKey() reads.
void setShouldInstallItem(UserDefaults &defaults, bool value, const QString &key);

/// The valid path extensions (1 to 17 letters and digits) stored under key, in order: from a
/// text split at every "." ("md.txt.log" gives three), or from the texts of a list; empty when
/// nothing is stored or nothing qualifies, never null.
QStringList pathExtensionsForKey(const UserDefaults &defaults, const QString &key);

} // namespace filelib
