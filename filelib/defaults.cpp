#include "defaults.h"

#include "paths.h"
#include "typeddictionary.h"

#include "platform/doublevalue.h"

#include <cmath>

namespace filelib {

namespace {

bool isAbsent(const QVariant &value) {
    return !value.isValid()
           || (value.metaType().id() == QMetaType::QString && value.toString().isNull());
}

} // namespace

void setValue(UserDefaults &defaults, const QVariant &value, const QString &key) {
    if (isAbsent(value))
        defaults.removeObjectForKey(key);
    else
        defaults.setObject(value, key);
}

void setString(UserDefaults &defaults, const QString &value, const QString &key) {
    setValue(defaults, value, key);
}

void setBool(UserDefaults &defaults, bool value, const QString &key) {
    defaults.setObject(value, key);
}

bool boolForKey(const UserDefaults &defaults, const QString &key, bool defaultValue) {
    const QVariant object = defaults.objectForKey(key);
    return object.isValid() ? valueAsBool(object) : defaultValue;
}

qint64 integerForKey(const UserDefaults &defaults, const QString &key, qint64 defaultValue) {
    return defaults.objectForKey(key).isValid() ? defaults.integerForKey(key, 0) : defaultValue;
}

float floatForKey(const UserDefaults &defaults, const QString &key, float defaultValue) {
    const QVariant object = defaults.objectForKey(key);
    if (!object.isValid())
        return defaultValue;
    const float value = valueAsFloat(object);
    return std::isnan(value) ? defaultValue : value;
}

double doubleForKey(const UserDefaults &defaults, const QString &key, double defaultValue) {
    const QVariant object = defaults.objectForKey(key);
    if (!object.isValid())
        return defaultValue;
    bool ok = false;
    const double value = platform::doubleValue(object, &ok);
    return !ok || std::isnan(value) ? defaultValue : value;
}

QString stringForKey(const UserDefaults &defaults, const QString &key,
                     const QString &defaultValue) {
    const QString text = valueAsString(defaults.objectForKey(key));
    return text.isNull() ? defaultValue : text;
}

QVariant objectForKey(const UserDefaults &defaults, const QString &key,
                      const QVariant &defaultValue) {
    const QVariant object = defaults.objectForKey(key);
    return object.isValid() ? object : defaultValue;
}

bool shouldInstallItemForKey(UserDefaults &defaults, const QString &key) {
    if (!boolForKey(defaults, key, true))
        return false;
    setShouldInstallItem(defaults, false, key);
    return true;
}

void setShouldInstallItem(UserDefaults &defaults, bool value, const QString &key) {
    setBool(defaults, value, key);
}

QStringList pathExtensionsForKey(const UserDefaults &defaults, const QString &key) {
    QStringList extensions;
    extensions.reserve(4);
    const QVariant object = defaults.objectForKey(key);
    QVariantList candidates;
    switch (object.metaType().id()) {
    case QMetaType::QString:
        for (const QString &part : object.toString().split(u'.'))
            candidates.append(part);
        break;
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        candidates = object.toList();
        break;
    default:
        break;
    }
    for (const QVariant &candidate : std::as_const(candidates)) {
        if (candidate.metaType().id() != QMetaType::QString)
            continue;
        const QString extension = candidate.toString();
        if (isValidPathExtension(extension))
            extensions.append(extension);
    }
    return extensions;
}

} // namespace filelib
