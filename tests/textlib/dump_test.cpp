#include "textlib/dump.h"

#include "textlib/systemlog.h"

#include "texttesting.h"

#include <QStringList>

namespace {

QStringList logged;

// Each dump returns what it logged, as one entry; nothing for an empty text.
void expectLogged(QString (*dumper)(QStringView), std::u16string_view text,
                  std::u16string_view expected) {
    SCOPED_TRACE(quoted(text));
    logged.clear();
    const LogHandler previous = setLogHandler([](const QString &s) { logged.append(s); });
    const QString result = dumper(makeText(text));
    setLogHandler(previous);
    expectText(result, expected);
    EXPECT_EQ(logged, expected.data() ? QStringList{result} : QStringList());
}

} // namespace

TEST(Dump, LogsRowsOfTwelveUnits) {
    // More than one row: the second is padded and the whole is framed by line breaks. Units go
    // in as they are, even breaks, NULs and surrogate halves.
    expectLogged(dump, u"abcdefghijkl",
                 u"abcdefghijkl: 0061 0062 0063 0064 0065 0066 0067 0068 0069 006a 006b 006c \n");
    expectLogged(dump, u"abcdefghijklm",
                 u"\nabcdefghijkl: 0061 0062 0063 0064 0065 0066 0067 0068 0069 006a 006b 006c "
                 u"\nm           : 006d \n\n");
    expectLogged(dump, u"\n\0\xD83D\uFFFF"sv,
                 u"\n\0\xD83D\uFFFF        : 000a 0000 d83d ffff \n"sv);
}

TEST(Dump, LogsArrayInitialiserEightValuesALine) {
    expectLogged(dumpAsArray, u"abcdefgh\0"sv,
                 u"\nabcdefgh\0:\nunichar string[] = {\n\t0x0061, 0x0062, 0x0063, 0x0064, "
                 u"0x0065, 0x0066, 0x0067, 0x0068,\n\t0x0000\n};\n "sv);
    expectLogged(dumpAsArray, u"", {});
}
