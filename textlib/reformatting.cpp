#include "reformatting.h"

#include "charactersets.h"
#include "lines.h"
#include "whitespace.h"

namespace textlib {

QString reformattedMailing(const QString &s) {
    if (s.isEmpty())
        return s;
    const CharacterSetRep blanks = spaceCharacterSetRep();
    const CharacterSetRep white = whiteCharacterSetRep();
    // Every rule writes at most what it has read, so the result can overwrite the units read.
    QString buffer = s;
    char16_t *const d = reinterpret_cast<char16_t *>(buffer.data());
    const qsizetype n = buffer.size();
    qsizetype r = 0;
    qsizetype w = 0;
    while (r < n) {
        qsizetype breaks = 0;
        while (r < n && isFeed(d[r])) {
            r += d[r] == u'\r' && r + 1 < n && d[r + 1] == u'\n' ? 2 : 1;
            ++breaks;
        }
        if (breaks >= 2) {
            d[w++] = u'\n';
            d[w++] = u'\n';
        } else if (breaks == 1 && r < n) {
            const char16_t next = d[r];
            if (next == u' ' || next == u'-' || next == u'/' || next == u'>' || next == u'}') {
                d[w++] = u'\n';
            } else if (w > 0 && !isMember(white, d[w - 1])) {
                const char16_t last = d[w - 1];
                d[w++] = last == u':' || last == u'>' ? u'\n' : u' ';
            }
        }
        if (r < n && isMember(blanks, d[r])) {
            while (r < n && isMember(blanks, d[r]))
                ++r;
            d[w++] = u' ';
        }
        if (r < n && !isFeed(d[r]))
            d[w++] = d[r++];
    }
    buffer.truncate(w);
    return buffer == s ? s : buffer;
}

QString reformattedStringByRemovingCharactersOfString(const QString &s, QStringView characters) {
    if (s.isNull())
        return s;
    const QStringList all = lines(s);
    QString result = QStringLiteral("");
    bool inParagraph = false;
    for (qsizetype k = 0; k < all.size(); ++k) {
        QString line = all[k];
        removeCharactersOfString(line, characters);
        trimWhiteSpaces(line);
        if (!line.isEmpty()) {
            if (inParagraph)
                result += u' ';
            result += line;
            inParagraph = true;
        } else if (inParagraph) {
            const QString feed = feedOfLine(all[k]);
            if (!feed.isEmpty()) {
                result += feed;
                if (k + 1 != all.size())
                    result += feed;
                inParagraph = false;
            }
        }
    }
    removeMultipleSpaces(result);
    return result;
}

} // namespace textlib
