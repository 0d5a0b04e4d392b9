#include "textlib/dump.h"

#include "textlib/systemlog.h"

#include "texttesting.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace std::literals;
using namespace textlib;

namespace {

QStringList logged;
void capture(const QString &message) {
    logged.append(message);
}

struct Row {
    std::u16string_view text, expected;
};

void expectLogged(QString (*dumper)(QStringView), const Row &row) {
    SCOPED_TRACE(quoted(row.text));
    logged.clear();
    const LogHandler previous = setLogHandler(capture);
    const QString result = dumper(makeText(row.text));
    setLogHandler(previous);
    EXPECT_EQ(result, makeText(row.expected));
    EXPECT_EQ(result.isNull(), row.expected.data() == nullptr);
    EXPECT_EQ(logged, row.expected.data() ? QStringList{result} : QStringList());
}

TEST(DumpTest, LogsRowsOfTwelveUnits) {
    const Row rows[] = {
        {u"ab"sv, u"ab          : 0061 0062 \n"sv},
        {u"abcdefghijkl"sv, u"abcdefghijkl: 0061 0062 0063 0064 0065 0066 0067 0068 0069 006a "
                            u"006b 006c \n"sv},
        // More than one row: the second is padded and the whole is framed by line breaks.
        {u"abcdefghijklm"sv, u"\nabcdefghijkl: 0061 0062 0063 0064 0065 0066 0067 0068 0069 "
                             u"006a 006b 006c \nm           : 006d \n\n"sv},
        // Units go in as they are, even breaks, NULs and surrogate halves.
        {u"\n\0\xD83D\uFFFF"sv, u"\n\0\xD83D\uFFFF        : 000a 0000 d83d ffff \n"sv},
        {u""sv, {}},
        {{}, {}},
    };
    for (const Row &row : rows)
        expectLogged(dump, row);
}

TEST(DumpTest, LogsArrayInitialiserEightValuesALine) {
    const Row rows[] = {
        {u"a"sv, u"\na:\nunichar string[] = {\n\t0x0061\n};\n "sv},
        {u"abcdefgh"sv, u"\nabcdefgh:\nunichar string[] = {\n\t0x0061, 0x0062, 0x0063, 0x0064, "
                        u"0x0065, 0x0066, 0x0067, 0x0068\n};\n "sv},
        {u"abcdefgh\u20AC"sv,
         u"\nabcdefgh\u20AC:\nunichar string[] = {\n\t0x0061, 0x0062, "
         u"0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068,\n\t0x20ac\n};\n "sv},
        {u"\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"sv,
         u"\n\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0:\nunichar string[] = {\n\t0x0000, 0x0000, 0x0000, "
         u"0x0000, 0x0000, 0x0000, 0x0000, 0x0000,\n\t0x0000, 0x0000, 0x0000, 0x0000, 0x0000, "
         u"0x0000, 0x0000, 0x0000\n};\n "sv},
        {u""sv, {}},
        {{}, {}},
    };
    for (const Row &row : rows)
        expectLogged(dumpAsArray, row);
}

} // namespace
