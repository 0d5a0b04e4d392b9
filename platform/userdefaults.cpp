#include "userdefaults.h"

#include "doublevalue.h"

#include <QLocale>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

std::optional<qint64> integerFromDouble(double value) {
    if (std::isnan(value))
        return std::nullopt;
    // 2^63 is exact as a double; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value < -limit)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

std::optional<qint64> integerFromText(const QString &raw) {
    const QString text = raw.trimmed();
    if (text == u"true")
        return 1;
    if (text == u"false")
        return 0;
    bool ok = false;
    const qint64 whole = text.toLongLong(&ok);
    if (ok)
        return whole;
    // Locale-independent, and "1,5" or "1,000" are not numbers here.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    const double value = c.toDouble(text, &ok);
    return ok ? integerFromDouble(value) : std::nullopt;
}

std::optional<qint64> integerValue(const QVariant &object) {
    switch (object.metaType().id()) {
    case QMetaType::Bool:
        return object.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return object.toLongLong();
    case QMetaType::ULongLong: {
        const qulonglong value = object.toULongLong();
        return value > qulonglong(std::numeric_limits<qint64>::max())
                   ? std::numeric_limits<qint64>::max()
                   : qint64(value);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return integerFromDouble(object.toDouble());
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return integerFromText(object.toString());
    default:
        return std::nullopt;
    }
}

} // namespace

UserDefaults &UserDefaults::standardUserDefaults() {
    static UserDefaults defaults(QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Sumwise"), QStringLiteral("Sumwise"))
                                     .fileName());
    return defaults;
}

UserDefaults::UserDefaults(const QString &fileName)
    : m_settings(fileName, QSettings::IniFormat) {
}

QVariant UserDefaults::objectForKey(const QString &key) const {
    return m_settings.value(key);
}

void UserDefaults::setObject(const QVariant &value, const QString &key) {
    m_settings.setValue(key, value);
}

void UserDefaults::setDouble(double value, const QString &key) {
    // Pick up other processes' writes first, so an unchanged value really is unchanged on
    // disk; repeating an assignment then costs a stat instead of a rewrite.
    m_settings.sync();
    const QVariant current = m_settings.value(key);
    if (current.isValid()) {
        bool ok = false;
        const double held = doubleValue(current, &ok);
        if (ok && std::memcmp(&held, &value, sizeof value) == 0)
            return;
    }
    m_settings.setValue(key, value);
}

void UserDefaults::setInteger(qint64 value, const QString &key) {
    m_settings.setValue(key, value);
}

qint64 UserDefaults::integerForKey(const QString &key, qint64 defaultValue) const {
    return integerValue(m_settings.value(key)).value_or(defaultValue);
}

QStringList UserDefaults::allKeys() const {
    return m_settings.allKeys();
}

void UserDefaults::removeObjectForKey(const QString &key) {
    m_settings.remove(key);
}

bool UserDefaults::synchronize() {
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}
