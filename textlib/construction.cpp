#include "construction.h"

#include "charactersets.h"
#include "conversiontables.h"

#include <QFile>
#include <QSaveFile>
#include <QUuid>

#include <algorithm>
#include <string_view>

namespace textlib {

QString stringWithCharacter(char16_t c) {
    return QString(QChar(c));
}

QString uniqueString() {
    const QUuid uuid = QUuid::createUuid();
    return uuid.isNull() ? QString() : uuid.toString(QUuid::WithoutBraces).toUpper();
}

QString stringWithComponents(std::span<const QString> components) {
    if (components.empty() || components.front().isNull())
        return {};
    QString out = components.front();
    for (const QString &c : components.subspan(1)) {
        if (c.isNull())
            break;
        out += u'.';
        out += c;
    }
    return out;
}

QString stringWithComponents(std::initializer_list<QString> components) {
    return stringWithComponents(std::span<const QString>(components.begin(), components.size()));
}

QString stringWithContentsOfFile(const QString &path, quint64 encoding, quint64 *usedEncoding) {
    quint64 used = encoding;
    QString text;
    QFile file(path);
    const bool opened = !path.isEmpty() && file.open(QIODevice::ReadOnly);
    const QByteArray bytes = opened ? file.readAll() : QByteArray();
    const bool read = opened && file.error() == QFileDevice::NoError;
    if (!isDetectEncoding(encoding)) {
        if (read)
            text = stringWithData(bytes, encoding);
    } else {
        if (read)
            text = stringWithDetectedEncoding(bytes, &used);
        if (text.isNull()) {
            used = ASCIIStringEncoding;
            if (read)
                text = stringWithData(bytes, ASCIIStringEncoding);
        }
    }
    if (usedEncoding)
        *usedEncoding = used;
    return text;
}

bool writeToFile(const QString &s, const QString &path, Atomically atomically, quint64 encoding) {
    if (s.isNull() || path.isEmpty())
        return false;
    const QByteArray bytes = dataUsingEncoding(s, encoding);
    if (bytes.isNull())
        return false;
    if (atomically == Atomically::Yes) {
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
               && file.commit();
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size() && file.flush();
}

bool writeToFileUsingDefaultEncoding(const QString &s, const QString &path, Atomically atomically,
                                     quint64 *usedEncoding) {
    const quint64 encoding = defaultEncoding();
    if (usedEncoding)
        *usedEncoding = encoding;
    return writeToFile(s, path, atomically, encoding);
}

bool writeToFileUsingFastestEncoding(const QString &s, const QString &path, Atomically atomically,
                                     quint64 *usedEncoding) {
    const quint64 encoding = fastestEncoding(s);
    if (usedEncoding)
        *usedEncoding = encoding;
    return writeToFile(s, path, atomically, encoding);
}

bool writeToFileUsingSmallestEncoding(const QString &s, const QString &path, Atomically atomically,
                                      quint64 *usedEncoding) {
    const quint64 encoding = smallestEncoding(s);
    if (usedEncoding)
        *usedEncoding = encoding;
    return writeToFile(s, path, atomically, encoding);
}

bool boolValue(QStringView s) {
    qsizetype i = 0;
    const CharacterSetRep blanks = spaceCharacterSetRep();
    while (i < s.size() && isMember(blanks, s[i].unicode()))
        ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    // Any non-zero digit makes the value non-zero, so the digits need never be summed.
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
        if (s[i] != u'0')
            return true;
    const auto is = [s](std::u16string_view word) {
        return std::equal(s.begin(), s.end(), word.begin(), word.end(),
                          [](QChar a, char16_t b) { return equalIgnoringCase(a.unicode(), b); });
    };
    return is(u"yes") || is(u"on") || is(u"true");
}

} // namespace textlib
