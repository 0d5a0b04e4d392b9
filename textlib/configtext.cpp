#include "configtext.h"

#include "charactersets.h"
#include "fastcompare.h"
#include "lines.h"
#include "whitespace.h"

namespace textlib {

QStringList configLines(QStringView s) {
    QStringList result;
    const CharacterSetRep white = whiteCharacterSetRep();
    const char16_t *units = s.utf16();
    const qsizetype size = s.size();
    qsizetype i = 0;
    while (i < size) {
        // Every line break is white, so skipping white units also skips blank lines whole.
        while (i < size && isMember(white, units[i]))
            ++i;
        const qsizetype start = i;
        while (i < size && !isFeed(units[i]))
            ++i;
        if (start == i || units[start] == u'#')
            continue;
        qsizetype end = i;
        while (isMember(white, units[end - 1]))
            --end;
        if (end - start >= 2)
            result.append(QStringView(units + start, units + end).toString());
    }
    return result;
}

QString configValueForKey(QStringView line, QStringView key) {
    if (key.isEmpty() || line.size() <= key.size() || !hasPrefixNoCase(line, key)
        || !isMember(whiteCharacterSetRep(), line[key.size()].unicode()))
        return QString();
    QString value = line.sliced(key.size()).toString();
    trimWhiteSpaces(value);
    return value.isEmpty() ? QString() : value;
}

qsizetype typedValueForKeys(const QString &s, std::span<const QString> keys) {
    for (std::size_t i = 0; i < keys.size() && !keys[i].isNull(); ++i) {
        if (isEqualToStringNoCase(s, keys[i]))
            return qsizetype(i);
    }
    return NotFound;
}

} // namespace textlib
