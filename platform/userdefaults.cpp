#include "userdefaults.h"

#include "doublevalue.h"

#include <cstring>

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

void UserDefaults::removeObjectForKey(const QString &key) {
    m_settings.remove(key);
}

bool UserDefaults::synchronize() {
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}
