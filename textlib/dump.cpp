#include "dump.h"

#include "systemlog.h"

using namespace Qt::StringLiterals;

namespace textlib {

namespace {

constexpr qsizetype RowLength = 12;
constexpr qsizetype ArrayLineLength = 8;

QString hex4(char16_t c) {
    return QString::number(c, 16).rightJustified(4, u'0');
}

} // namespace

QString dump(QStringView s) {
    if (s.isEmpty())
        return {};
    QString output;
    for (qsizetype row = 0; row < s.size(); row += RowLength) {
        const QStringView units = s.sliced(row, std::min(RowLength, s.size() - row));
        QString hex;
        for (const QChar c : units)
            hex += hex4(c.unicode()) + u' ';
        output += units;
        output += QString(RowLength - units.size(), u' ');
        output += QStringView(u": ");
        output += hex;
        output += u'\n';
    }
    if (s.size() > RowLength)
        output = u'\n' + output + u'\n';
    systemLog(output);
    return output;
}

QString dumpAsArray(QStringView s) {
    if (s.isEmpty())
        return {};
    QString output = u'\n' + s.toString();
    output += QStringView(u":\nunichar string[] = {\n\t");
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        output += u"0x"_s + hex4(s[i].unicode());
        output += QStringView((i + 1) % ArrayLineLength ? u", " : u",\n\t");
    }
    output += u"0x"_s + hex4(s.back().unicode());
    output += QStringView(u"\n};\n ");
    systemLog(output);
    return output;
}

} // namespace textlib
