#include "typeddictionary.h"

#include "platform/doublevalue.h"
#include "textlib/construction.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <limits>

namespace filelib {

namespace {

// What a value says about itself as a number; texts are read by each conversion on its own,
// since an integer stops at "." where a double does not.
struct Number {
    enum Kind { None, Signed, Unsigned, Floating, Text } kind = None;
    qint64 s = 0;
    quint64 u = 0;
    double d = 0;
    QString text;
};

Number numberOf(const QVariant &value) {
    Number n;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        n.kind = Number::Signed;
        n.s = value.toLongLong();
        break;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        n.kind = Number::Unsigned;
        n.u = value.toULongLong();
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        n.kind = Number::Floating;
        n.d = value.toDouble();
        break;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        n.kind = Number::Text;
        n.text = value.toString();
        break;
    default:
        break;
    }
    return n;
}

// The integer a text begins with, after white space and an optional sign; the magnitude
// saturates instead of overflowing.
void leadingInteger(QStringView text, bool *negative, quint64 *magnitude) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    *negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        *negative = text[i++] == u'-';
    quint64 m = 0;
    constexpr quint64 max = std::numeric_limits<quint64>::max();
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const unsigned digit = text[i].unicode() - u'0';
        m = m > (max - digit) / 10 ? max : m * 10 + digit;
    }
    *magnitude = m;
}

template<typename T> T clampedInteger(const Number &n) {
    using L = std::numeric_limits<T>;
    switch (n.kind) {
    case Number::Signed:
        if constexpr (L::is_signed)
            return n.s < qint64(L::min()) ? L::min() : n.s > qint64(L::max()) ? L::max() : T(n.s);
        else
            return n.s < 0 ? 0 : quint64(n.s) > quint64(L::max()) ? L::max() : T(n.s);
    case Number::Unsigned:
        return n.u > quint64(L::max()) ? L::max() : T(n.u);
    case Number::Floating: {
        if (std::isnan(n.d))
            return 0;
        // 2^digits is one past the largest value and exact as a double.
        const double past = std::ldexp(1.0, L::digits);
        if (n.d >= past)
            return L::max();
        if (n.d <= (L::is_signed ? -past : 0.0))
            return L::min();
        return T(n.d);
    }
    case Number::Text: {
        bool negative;
        quint64 magnitude;
        leadingInteger(n.text, &negative, &magnitude);
        if (!negative)
            return magnitude > quint64(L::max()) ? L::max() : T(magnitude);
        if constexpr (L::is_signed) {
            const quint64 limit = quint64(-(L::min() + 1)) + 1;
            return magnitude >= limit ? L::min() : T(-qint64(magnitude));
        } else {
            return 0;
        }
    }
    case Number::None:
        break;
    }
    return 0;
}

double doubleOf(const Number &n) {
    switch (n.kind) {
    case Number::Signed:
        return double(n.s);
    case Number::Unsigned:
        return double(n.u);
    case Number::Floating:
        return n.d;
    case Number::Text:
        return platform::doubleValue(QStringView(n.text));
    case Number::None:
        break;
    }
    return 0;
}

// The user's UI languages in the order a dictionary of localisations is searched: language by
// language, its regional tags ("de-DE", "de_DE") before its code ("de") and its English name
// ("German"), so that "de_DE" wins over "German" but not over an earlier language.
QStringList preferredLocalizations() {
    const QStringList tags = QLocale().uiLanguages();
    QStringList names;
    const auto add = [&names](const QString &name) {
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    };
    QList<QLocale::Language> done;
    for (const QString &tag : tags) {
        const QLocale::Language language = QLocale(tag).language();
        if (done.contains(language))
            continue;
        done.append(language);
        for (const QString &other : tags) {
            if (QLocale(other).language() == language) {
                add(other);
                add(QString(other).replace(u'-', u'_'));
            }
        }
        if (language != QLocale::C && language != QLocale::AnyLanguage) {
            add(QLocale::languageToCode(language));
            add(QLocale::languageToString(language));
        }
    }
    return names;
}

QString textEntry(const QVariant &map, const QString &name) {
    const QVariant entry = map.metaType().id() == QMetaType::QVariantHash ? map.toHash().value(name)
                                                                          : map.toMap().value(name);
    return entry.metaType().id() == QMetaType::QString ? entry.toString() : QString();
}

template<typename T>
T lookUp(const QVariantMap &d, const QString &key, T defaultValue, T (*convert)(const QVariant &)) {
    const auto it = d.constFind(key);
    return it == d.cend() ? defaultValue : convert(*it);
}

} // namespace

bool valueAsBool(const QVariant &value) {
    const Number n = numberOf(value);
    switch (n.kind) {
    case Number::Signed:
        return n.s != 0;
    case Number::Unsigned:
        return n.u != 0;
    case Number::Floating:
        return n.d != 0 && !std::isnan(n.d);
    case Number::Text:
        return textlib::boolValue(n.text);
    case Number::None:
        break;
    }
    return false;
}

int valueAsInt(const QVariant &value) {
    return clampedInteger<int>(numberOf(value));
}

qint64 valueAsInteger(const QVariant &value) {
    return clampedInteger<qint64>(numberOf(value));
}

uint valueAsUnsignedInt(const QVariant &value) {
    return clampedInteger<uint>(numberOf(value));
}

quint64 valueAsUnsignedInteger(const QVariant &value) {
    return clampedInteger<quint64>(numberOf(value));
}

unsigned long valueAsUnsignedLong(const QVariant &value) {
    return clampedInteger<unsigned long>(numberOf(value));
}

qint64 valueAsLongLong(const QVariant &value) {
    return clampedInteger<qint64>(numberOf(value));
}

quint64 valueAsUnsignedLongLong(const QVariant &value) {
    return clampedInteger<quint64>(numberOf(value));
}

float valueAsFloat(const QVariant &value) {
    const double d = doubleOf(numberOf(value));
    // Beyond the float range the narrowing is not defined by the language; infinity is what
    // IEEE arithmetic would give.
    if (std::isfinite(d) && std::fabs(d) > double(std::numeric_limits<float>::max()))
        return d < 0 ? -std::numeric_limits<float>::infinity()
                     : std::numeric_limits<float>::infinity();
    return float(d);
}

double valueAsDouble(const QVariant &value) {
    return doubleOf(numberOf(value));
}

QString valueAsString(const QVariant &value) {
    switch (numberOf(value).kind) {
    case Number::Text:
        return value.metaType().id() == QMetaType::QString ? value.toString()
                                                           : QString::fromUtf8(value.toByteArray());
    case Number::Signed:
    case Number::Unsigned:
    case Number::Floating:
        return value.toString();
    case Number::None:
        break;
    }
    return QString();
}

bool boolForKey(const QVariantMap &d, const QString &key, bool defaultValue) {
    return lookUp(d, key, defaultValue, valueAsBool);
}

int intForKey(const QVariantMap &d, const QString &key, int defaultValue) {
    return lookUp(d, key, defaultValue, valueAsInt);
}

qint64 integerForKey(const QVariantMap &d, const QString &key, qint64 defaultValue) {
    return lookUp(d, key, defaultValue, valueAsInteger);
}

uint unsignedIntForKey(const QVariantMap &d, const QString &key, uint defaultValue) {
    return lookUp(d, key, defaultValue, valueAsUnsignedInt);
}

quint64 unsignedIntegerForKey(const QVariantMap &d, const QString &key, quint64 defaultValue) {
    return lookUp(d, key, defaultValue, valueAsUnsignedInteger);
}

unsigned long unsignedLongForKey(const QVariantMap &d, const QString &key,
                                 unsigned long defaultValue) {
    return lookUp(d, key, defaultValue, valueAsUnsignedLong);
}

qint64 longLongForKey(const QVariantMap &d, const QString &key, qint64 defaultValue) {
    return lookUp(d, key, defaultValue, valueAsLongLong);
}

quint64 unsignedLongLongForKey(const QVariantMap &d, const QString &key, quint64 defaultValue) {
    return lookUp(d, key, defaultValue, valueAsUnsignedLongLong);
}

float floatForKey(const QVariantMap &d, const QString &key, float defaultValue) {
    return lookUp(d, key, defaultValue, valueAsFloat);
}

double doubleForKey(const QVariantMap &d, const QString &key, double defaultValue) {
    return lookUp(d, key, defaultValue, valueAsDouble);
}

QString stringForKey(const QVariantMap &d, const QString &key, const QString &defaultValue) {
    const auto it = d.constFind(key);
    if (it == d.cend())
        return defaultValue;
    const QString text = valueAsString(*it);
    return text.isNull() ? defaultValue : text;
}

QVariant objectForKey(const QVariantMap &d, const QString &key, const QVariant &defaultValue) {
    const auto it = d.constFind(key);
    return it == d.cend() ? defaultValue : *it;
}

QString codeKey(qint32 code) {
    return QString::number(code);
}

QVariant objectForCode(const QVariantMap &d, qint32 code, const QVariant &defaultValue) {
    return objectForKey(d, codeKey(code), defaultValue);
}

QVariant objectForKeyOrCode(const QVariantMap &d, const QString &key, qint32 code) {
    const auto it = d.constFind(codeKey(code));
    return it != d.cend() ? *it : d.value(key);
}

QString localizedStringForKey(const QVariantMap &d, const QString &key,
                              const QString &defaultValue) {
    const auto it = d.constFind(key);
    if (it == d.cend())
        return defaultValue;
    switch (it->metaType().id()) {
    case QMetaType::QString:
        return it->toString();
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        for (const QString &name : preferredLocalizations()) {
            const QString text = textEntry(*it, name);
            if (!text.isNull())
                return text;
        }
        if (const QString english = textEntry(*it, QStringLiteral("English")); !english.isNull())
            return english;
        break;
    default:
        break;
    }
    return defaultValue;
}

void setBool(QVariantMap &d, bool value, const QString &key) {
    d.insert(key, value);
}

void setInt(QVariantMap &d, int value, const QString &key) {
    d.insert(key, value);
}

void setInteger(QVariantMap &d, qint64 value, const QString &key) {
    d.insert(key, QVariant::fromValue(value));
}

void setUnsignedInt(QVariantMap &d, uint value, const QString &key) {
    d.insert(key, value);
}

void setUnsignedInteger(QVariantMap &d, quint64 value, const QString &key) {
    d.insert(key, QVariant::fromValue(value));
}

void setUnsignedLong(QVariantMap &d, unsigned long value, const QString &key) {
    d.insert(key, QVariant::fromValue(value));
}

void setLongLong(QVariantMap &d, qint64 value, const QString &key) {
    d.insert(key, QVariant::fromValue(value));
}

void setUnsignedLongLong(QVariantMap &d, quint64 value, const QString &key) {
    d.insert(key, QVariant::fromValue(value));
}

void setFloat(QVariantMap &d, float value, const QString &key) {
    d.insert(key, value);
}

void setDouble(QVariantMap &d, double value, const QString &key) {
    d.insert(key, value);
}

void setString(QVariantMap &d, const QString &value, const QString &key) {
    if (value.isNull())
        d.remove(key);
    else
        d.insert(key, value);
}

} // namespace filelib
