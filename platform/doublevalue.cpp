#include "doublevalue.h"

#include <QByteArray>

#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace platform {

static bool startsWithNoCase(QStringView text, QLatin1StringView word) {
    return text.size() >= word.size()
           && text.first(word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

double doubleValue(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    const qsizetype begin = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const bool negative = i > begin && text[begin] == u'-';
    const QStringView rest = text.sliced(i);
    if (startsWithNoCase(rest, QLatin1StringView("inf")))
        return negative ? -HUGE_VAL : HUGE_VAL;
    if (startsWithNoCase(rest, QLatin1StringView("nan")))
        return negative ? -NAN : NAN;

    const auto isDigit = [&](qsizetype k) {
        return k < text.size() && text[k] >= u'0' && text[k] <= u'9';
    };
    qsizetype digits = 0;
    while (isDigit(i))
        ++i, ++digits;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (isDigit(i))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0.0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype k = i + 1;
        if (k < text.size() && (text[k] == u'+' || text[k] == u'-'))
            ++k;
        if (isDigit(k)) {
            while (isDigit(k))
                ++k;
            i = k;
        }
    }
    // Only ASCII digits, signs, "." and "e" are left, so the C locale's strtod reads it exactly.
    const QByteArray ascii = text.sliced(begin, i - begin).toLatin1();
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtod_l(ascii.constData(), nullptr, cLocale);
}

double doubleValue(const QVariant &object, bool *ok) {
    if (ok)
        *ok = true;
    switch (object.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = object.toString();
        return doubleValue(QStringView(text));
    }
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return object.toDouble();
    default:
        if (ok)
            *ok = false;
        return 0.0;
    }
}

} // namespace platform
