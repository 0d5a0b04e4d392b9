// Property lists: XML and binary read, XML written.
#pragma once

#include "fileoperations.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace filelib {

// Read values map to QVariant as: dictionary -> QVariantMap, array -> QVariantList, string ->
// QString, integer -> qint64 (quint64 above the signed range), real -> double, boolean -> bool,
// date -> QDateTime (UTC), data -> QByteArray, and a keyed-archive UID -> QVariantMap with the
// single entry "CF$UID". Writing takes these back, plus the other integer types, float,
// QStringList and QVariantHash.

/// The property list in data, XML or binary, detected from its start. Invalid for empty data,
/// anything else, more than 64 MiB, nesting deeper than 256 containers, or a NUL in any string
/// or anywhere in XML (libplist cannot hand out such a key safely).
QVariant propertyListFromData(const QByteArray &data);
/// propertyListFromData() of the file's content; invalid when it cannot be read.
QVariant readPropertyList(const QString &path);
/// readPropertyList() when that is a dictionary; null (and ok false) otherwise. An empty
/// dictionary read from a file is not null (ok true).
QVariantMap readPropertyListDictionary(const QString &path, bool *ok = nullptr);

/// object as an XML property list. Null for an invalid object or one holding anything else: a
/// type property lists lack, an invalid or out-of-range date (property-list dates are 32-bit
/// seconds from 2001), or a string or key holding a NUL (libplist would cut it there).
QByteArray propertyListData(const QVariant &object);
/// The content of the regular file at path, "" when it is empty; null when it cannot be read,
/// is no regular file (a device or pipe) or holds more than maxBytes.
QByteArray readFileData(const QString &path, qsizetype maxBytes);
/// Writes data (from propertyListData(), or any other small file's bytes) to path in an existing
/// folder, replacing the file as a whole (QSaveFile) or in place. False for null data, an empty
/// path, a path holding a NUL, or when opening, writing or committing fails.
bool writeDataToPath(const QByteArray &data, const QString &path,
                     Atomically atomically = Atomically::Yes);
/// propertyListData() then writeDataToPath(); nothing is touched when object is rejected.
bool writePropertyList(const QVariant &object, const QString &path,
                       Atomically atomically = Atomically::Yes);

} // namespace filelib
