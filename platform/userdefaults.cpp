#include "userdefaults.h"

#include "doublevalue.h"

#include <QFile>
#include <QLocale>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include <sys/stat.h>

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

// QSettings reads "/" as a group separator and drops empty groups, so "a//b", "/a/b" and "a/b"
// would share one key. A key holding "/" lives in a group of its own, "/" and "%" escaped.
const QString EscapedGroup = QStringLiteral("Escaped/");

QString escapedKey(const QString &key) {
    QString escaped = key;
    escaped.replace(u'%', QLatin1StringView("%25")).replace(u'/', QLatin1StringView("%2F"));
    return EscapedGroup + escaped;
}

QString unescapedKey(QStringView stored) {
    QString key = stored.sliced(EscapedGroup.size()).toString();
    key.replace(QLatin1StringView("%2F"), QLatin1StringView("/"));
    return key.replace(QLatin1StringView("%25"), QLatin1StringView("%"));
}

// Where a key is kept; a key without "/" as it is.
QString storedKey(const QString &key) {
    return key.contains(u'/') ? escapedKey(key) : key;
}

// A key with "/" that QSettings kept unchanged as a path, where stores written before the
// escaping may hold it.
bool hasPathForm(const QString &key) {
    return key.contains(u'/') && !key.startsWith(u'/') && !key.endsWith(u'/')
           && !key.contains(QLatin1StringView("//"));
}

} // namespace

UserDefaults &UserDefaults::standardUserDefaults() {
    static UserDefaults defaults(QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Sumwise"), QStringLiteral("Sumwise"))
                                     .fileName());
    return defaults;
}

UserDefaults::UserDefaults(const QString &fileName)
    : m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {
    noteFileState();
}

UserDefaults::UserDefaults(InMemory) {
}

UserDefaults::~UserDefaults() = default;

QVariant UserDefaults::objectForKey(const QString &key) const {
    if (!m_settings)
        return m_memory.value(key);
    const QVariant value = m_settings->value(storedKey(key));
    if (!value.isValid() && hasPathForm(key))
        return m_settings->value(key);
    return value;
}

void UserDefaults::setObject(const QVariant &value, const QString &key) {
    if (!m_settings) {
        m_memory.insert(key, value);
        return;
    }
    m_settings->setValue(storedKey(key), value);
    m_pending = true;
}

void UserDefaults::setDouble(double value, const QString &key) {
    // With nothing waiting to be written, pick up other processes' writes first, so an
    // unchanged value really is unchanged on disk; repeating an assignment then costs a stat
    // instead of a rewrite. With a write due anyway the value is set whatever the cache holds,
    // so it wins over another writer's when the file is merged.
    if (m_settings && !m_pending) {
        m_settings->sync();
        noteFileState();
        const QVariant current = objectForKey(key);
        if (current.isValid()) {
            bool ok = false;
            const double held = platform::doubleValue(current, &ok);
            if (ok && std::memcmp(&held, &value, sizeof value) == 0)
                return;
        }
    }
    // QSettings writes a negative zero as "0".
    if (m_settings && value == 0 && std::signbit(value))
        setObject(QStringLiteral("-0"), key);
    else
        setObject(value, key);
}

void UserDefaults::setInteger(qint64 value, const QString &key) {
    setObject(value, key);
}

qint64 UserDefaults::integerForKey(const QString &key, qint64 defaultValue) const {
    return integerValue(objectForKey(key)).value_or(defaultValue);
}

QStringList UserDefaults::allKeys() const {
    if (!m_settings)
        return m_memory.keys();
    QStringList keys = m_settings->allKeys();
    for (QString &key : keys) {
        if (key.startsWith(EscapedGroup))
            key = unescapedKey(key);
    }
    keys.removeDuplicates(); // a key held in both forms
    return keys;
}

void UserDefaults::removeObjectForKey(const QString &key) {
    if (!m_settings) {
        m_memory.remove(key);
        return;
    }
    m_settings->remove(storedKey(key));
    if (hasPathForm(key))
        m_settings->remove(key);
    m_pending = true;
}

bool UserDefaults::synchronize() {
    if (!m_settings)
        return true;
    m_settings->sync();
    noteFileState();
    // QSettings keeps what it failed to write for the next attempt.
    const bool ok = m_settings->status() == QSettings::NoError;
    if (ok)
        m_pending = false;
    return ok;
}

UserDefaults::FileState UserDefaults::fileState() const {
    struct stat info {};
    if (!m_settings || ::stat(QFile::encodeName(m_settings->fileName()).constData(), &info) != 0)
        return {};
    return {true, qint64(info.st_size), qint64(info.st_ino), qint64(info.st_mtim.tv_sec),
            qint64(info.st_mtim.tv_nsec)};
}

void UserDefaults::reloadIfChanged() {
    // The file is replaced whole by every writer, so a new inode, size or time tells.
    if (!m_settings || fileState() == m_seen)
        return;
    synchronize();
}
