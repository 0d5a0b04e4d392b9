#include "styledtesting.h"

#include <QSizeF>

namespace {

// A document around a body, with a font and a colour table that the bodies below refer to.
std::optional<AttributedString> read(const QByteArray &body, QVariantMap *document = nullptr) {
    return AttributedString::fromRTF(
        R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Helvetica;}{\f1\froman Times New Roman;}})"
        R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
            + body + "}",
        document);
}

const TextAttributes helvetica = attrs().font("Helvetica");

// --- Documents that cannot be parsed ---

struct MalformedCase {
    const char *name;
    QByteArray rtf;
    friend void PrintTo(const MalformedCase &c, std::ostream *os) { *os << c.name; }
};

class MalformedTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedTest, CannotBeParsed) {
    QVariantMap document{{QStringLiteral("stale"), 1}};
    EXPECT_EQ(AttributedString::fromRTF(GetParam().rtf, &document), std::nullopt);
    EXPECT_TRUE(document.isEmpty());
    EXPECT_EQ(AttributedString::fromRTFD(GetParam().rtf), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedTest,
    testing::Values(MalformedCase{"Empty", ""}, MalformedCase{"PlainText", "hello"},
                    MalformedCase{"OtherWordFirst", R"({\ansi\rtf1 hello})"},
                    MalformedCase{"TextBeforeHeader", R"(x{\rtf1 hello})"},
                    MalformedCase{"GroupNeverClosed", R"({\rtf1 hello)"},
                    MalformedCase{"ExtraClosingBrace", R"({\rtf1 hello}})"},
                    MalformedCase{"BackslashAtTheEnd", "{\\rtf1 hello\\"},
                    MalformedCase{"HexEscapeCutOff", R"({\rtf1 hello\'4)"},
                    MalformedCase{"BinaryCountPastTheEnd",
                                  R"({\rtf1 {\pict\pngblip\bin999999999 abc}})"},
                    MalformedCase{"BinaryCountNegative", R"({\rtf1 \bin-4 abcd})"},
                    MalformedCase{"CutInsideAPicture", R"({\rtf1 {\pict\pngblip 89504e)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RtfReaderTest, AcceptsTheSmallestDocuments) {
    struct {
        const char *rtf;
        const char *text;
    } cases[] = {
        {R"({\rtf1})", ""},       {R"({\rtf})", ""},          {"  \r\n{\\rtf1 x}", "x"},
        {"{\\rtf1 x}\r\n ", "x"}, {R"({\rtf1{}{{}}x})", "x"},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s = AttributedString::fromRTF(c.rtf);
        ASSERT_TRUE(s) << c.rtf;
        EXPECT_EQ(s->string(), QString::fromUtf8(c.text)) << c.rtf;
    }
    // Some programs end their clipboard data with NULs.
    ASSERT_TRUE(AttributedString::fromRTF(bytesOf("{\\rtf1 x}\0\0")));
}

TEST(RtfReaderTest, NestingDepthIsCapped) {
    auto nested = [](int depth) {
        return "{\\rtf1 " + QByteArray(depth - 1, '{') + "x" + QByteArray(depth - 1, '}') + "}";
    };
    const std::optional<AttributedString> deepest =
        AttributedString::fromRTF(nested(AttributedString::MaximumGroupDepth));
    ASSERT_TRUE(deepest);
    EXPECT_EQ(deepest->string(), QStringLiteral("x"));
    EXPECT_EQ(AttributedString::fromRTF(nested(AttributedString::MaximumGroupDepth + 1)),
              std::nullopt);
    // Far deeper input ends early without using memory for every brace.
    EXPECT_EQ(AttributedString::fromRTF("{\\rtf1 " + QByteArray(5'000'000, '{')), std::nullopt);
}

// --- Characters ---

struct TextCase {
    const char *name;
    QByteArray body;
    QString expected;
    friend void PrintTo(const TextCase &c, std::ostream *os) { *os << c.name; }
};

class TextTest : public testing::TestWithParam<TextCase> {};

TEST_P(TextTest, ReadsTheCharacters) {
    const std::optional<AttributedString> s = read(GetParam().body);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->string(), GetParam().expected);
    EXPECT_TRUE(runsAreSound(*s));
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, TextTest,
    testing::Values(TextCase{"Braces", R"(\{a\}\\)", u16(u"{a}\\")},
                    TextCase{"Par", R"(one\par two)", u16(u"one\ntwo")},
                    TextCase{"LineTabPage", R"(a\line b\tab c\page d)", u16(u"a\u2028b\tc\u000Cd")},
                    TextCase{"ControlBytesDropped",
                             QByteArray("a\x01\x1f"
                                        "b"),
                             u16(u"ab")},
                    TextCase{"Symbols", R"(\~\-\_)", u16(u"\u00A0\u00AD\u2011")},
                    TextCase{"DelimiterSpaceIsNotText", R"(\b a\b0  b)", u16(u"a b")},
                    TextCase{"MinusWithoutDigitsIsText", R"(\foo-bar)", u16(u"-bar")},
                    TextCase{"UnknownWordsIgnored", R"(\foo \bar123 x\qux-5 y)", u16(u"xy")},
                    TextCase{"BrokenHexEscapeDropped", R"(a\'zzb\'4gc)", u16(u"azzb4gc")},
                    TextCase{"HexEscape", R"(caf\'e9)", u16(u"café")},
                    TextCase{"TablesAsTabsAndLines", R"(a\cell b\cell\row c)", u16(u"a\tb\t\nc")}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Unicode, TextTest,
    testing::Values(TextCase{"SkipsOneFallbackByDefault", R"(caf\u233?s)", u16(u"cafés")},
                    TextCase{"NegativeMeansAbove7FFF", R"(\u-3913?)", u16(u"\uF0B7")},
                    TextCase{"SurrogatePair", R"(\u-10179?\u-8694?)", u16(u"\U0001F60A")},
                    TextCase{"UcZeroSkipsNothing", R"(\uc0\u233 x)", u16(u"éx")},
                    TextCase{"UcTwoSkipsTwo", R"(\uc2\u26085\'93\'fax)", u16(u"日x")},
                    TextCase{"SkipCountsAControlWord", R"(\u233\par x)", u16(u"éx")},
                    TextCase{"SkipEndsAtGroupEnd", R"({\uc3\u233 a}b)", u16(u"éb")},
                    TextCase{"UcIsScopedToItsGroup", R"({\uc2 x}\u233 ab)", u16(u"xéb")},
                    TextCase{"HugeUcSkipsTheRestOfTheGroup", R"({\uc99999999\u233 abc}d)",
                             u16(u"éd")},
                    TextCase{"OutOfRangeIgnoredButSkips", R"(\u70000?x\u-40000?y)", u16(u"xy")},
                    TextCase{"NoParameter", R"(\u?x)", u16(u"x")}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Destinations, TextTest,
    testing::Values(TextCase{"StylesheetSkipped", R"({\stylesheet{\s0 Normal;}}x)", u16(u"x")},
                    TextCase{"StarredUnknownSkipped", R"({\*\unknown a{b}c}x)", u16(u"x")},
                    TextCase{"UnstarredUnknownShown", R"({\unknown a}x)", u16(u"ax")},
                    TextCase{"BinaryDataInTextIgnored", "a\\bin3 {}\\b", u16(u"ab")},
                    TextCase{"ListTextShown", R"({\listtext\'b7\tab}item)", u16(u"·\titem")},
                    TextCase{"UprTakesTheUnicodeHalf", R"({\upr{caf\'e9}{\*\ud{caf\u233?}}})",
                             u16(u"café")}),
    [](const auto &info) { return std::string(info.param.name); });

// --- Code pages ---

struct CodePageCase {
    const char *name;
    QByteArray rtf;
    QString expected;
    friend void PrintTo(const CodePageCase &c, std::ostream *os) { *os << c.name; }
};

class CodePageTest : public testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, DecodesEscapedBytes) {
    const std::optional<AttributedString> s = AttributedString::fromRTF(GetParam().rtf);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->string(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CodePageTest,
    testing::Values(
        CodePageCase{"AnsiIs1252", R"({\rtf1\ansi \'80\'93\'e9\'9f})", u16(u"€“éŸ")},
        CodePageCase{"RawHighBytes", "{\\rtf1\\ansi caf\xe9}", u16(u"café")},
        CodePageCase{"Ansicpg1251", R"({\rtf1\ansi\ansicpg1251 \'c0\'e1\'e2})", u16(u"Абв")},
        CodePageCase{"MacRoman", R"({\rtf1\mac \'8e\'a5})", u16(u"é•")},
        CodePageCase{"Pc437", R"({\rtf1\pc \'82\'9b\'e1})", u16(u"é¢ß")},
        CodePageCase{"Utf8CodePage", R"({\rtf1\ansi\ansicpg65001 \'e2\'82\'ac})", u16(u"€")},
        CodePageCase{"UnknownCodePageFallsBackTo1252", R"({\rtf1\ansi\ansicpg99999 \'80})",
                     u16(u"€")},
        CodePageCase{"ShiftJisFont",
                     R"({\rtf1\ansi{\fonttbl{\f0 Helvetica;}{\f1\fcharset128 MS Mincho;}})"
                     R"(\f1 \'93\'fa\'96\'7b\f0  \'e9})",
                     u16(u"日本 é")},
        CodePageCase{"CyrillicFont",
                     R"({\rtf1\ansi{\fonttbl{\f1\fcharset204 Arial Cyr;}}\f1 \'c0 {\f0 \'c0}})",
                     u16(u"А À")},
        CodePageCase{"CpgOverridesCharset",
                     R"({\rtf1\ansi{\fonttbl{\f1\fcharset0\cpg1251 X;}}\f1 \'c0})", u16(u"А")},
        CodePageCase{"PlainReturnsToTheDefaultFont",
                     R"({\rtf1\ansi\deff0{\fonttbl{\f0 A;}{\f1\fcharset204 B;}}\f1\'c0\plain\'c0})",
                     u16(u"АÀ")},
        CodePageCase{"LeadByteAloneIsReplaced",
                     R"({\rtf1\ansi{\fonttbl{\f1\fcharset128 M;}}\f1 \'93\par x})",
                     u16(u"\uFFFD\nx")}),
    [](const auto &info) { return std::string(info.param.name); });

// --- Attributes ---

struct AttributesCase {
    const char *name;
    QByteArray body;
    AttributedString expected;
    friend void PrintTo(const AttributesCase &c, std::ostream *os) { *os << c.name; }
};

class AttributesTest : public testing::TestWithParam<AttributesCase> {};

TEST_P(AttributesTest, ReadsTheRuns) {
    const std::optional<AttributedString> s = read(GetParam().body);
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, GetParam().expected);
    EXPECT_TRUE(runsAreSound(*s));
}

INSTANTIATE_TEST_SUITE_P(
    Character, AttributesTest,
    testing::Values(
        AttributesCase{"DefaultFontWithoutF", "x", styled({{"x", helvetica}})},
        AttributesCase{"FontByNumber", R"(a\f1 b)",
                       styled({{"a", helvetica}, {"b", attrs().font("Times New Roman")}})},
        AttributesCase{"BoldOnOff", R"(\b a\b0 b\b1 c)",
                       styled({{"a", attrs().font("Helvetica").bolded()},
                               {"b", helvetica},
                               {"c", attrs().font("Helvetica").bolded()}})},
        AttributesCase{"UnderlineVariants", R"(\ul a\ulnone b\uldb c\ul0 d\ulwave e\ulc5 f)",
                       styled({{"a", attrs().font("Helvetica").underlined()},
                               {"b", helvetica},
                               {"c", attrs().font("Helvetica").underlined()},
                               {"d", helvetica},
                               {"ef", attrs().font("Helvetica").underlined()}})},
        AttributesCase{"SizeInHalfPoints", R"(\fs21 a\fs b\fs0 c\fs-4 d)",
                       styled({{"a", attrs().font("Helvetica").size(10.5)},
                               {"bcd", attrs().font("Helvetica").size(12)}})},
        AttributesCase{"Colours", R"(\cf1 a\cf0 b\cf2\cb1 c\cf9 d)",
                       styled({{"a", attrs().font("Helvetica").fg(0xff0000)},
                               {"b", helvetica},
                               {"c", attrs().font("Helvetica").fg(0x0000ff).bg(0xff0000)},
                               {"d", attrs().font("Helvetica").bg(0xff0000)}})},
        AttributesCase{"GroupsRestore", R"({\b\f1 a{\i b}c}d)",
                       styled({{"a", attrs().font("Times New Roman").bolded()},
                               {"b", attrs().font("Times New Roman").bolded().italics()},
                               {"c", attrs().font("Times New Roman").bolded()},
                               {"d", helvetica}})},
        AttributesCase{"PlainResets", R"(\f1\fs30\b\i\ul\cf1\cb2 a\plain b)",
                       styled({{"a", attrs()
                                         .font("Times New Roman")
                                         .size(15)
                                         .bolded()
                                         .italics()
                                         .underlined()
                                         .fg(0xff0000)
                                         .bg(0x0000ff)},
                               {"b", helvetica}})}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Paragraph, AttributesTest,
    testing::Values(AttributesCase{"SpacingInTwips", R"(\sb240\sa90 a\par\pard b)",
                                   styled({{"a\n", attrs().font("Helvetica").before(12).after(4.5)},
                                           {"b", helvetica}})},
                    AttributesCase{"PlainKeepsParagraph", R"(\sb20\b a\plain b)",
                                   styled({{"a", attrs().font("Helvetica").before(1).bolded()},
                                           {"b", attrs().font("Helvetica").before(1)}})},
                    AttributesCase{"PardKeepsCharacter", R"(\b\sa20 a\pard b)",
                                   styled({{"a", attrs().font("Helvetica").after(1).bolded()},
                                           {"b", attrs().font("Helvetica").bolded()}})}),
    [](const auto &info) { return std::string(info.param.name); });

// Helvetica in a paragraph style, or with an underline colour.
TextAttributes inParagraph(const ParagraphStyle &p) {
    TextAttributes a = helvetica;
    a.paragraphStyle = p;
    return a;
}
TextAttributes underlineColour(TextAttributes a, QRgb rgb) {
    a.underlineColor = QColor::fromRgb(rgb);
    return a;
}
using LBM = LineBreakMode;

// Line heights, tab stops and underline colours as word processors write them.
INSTANTIATE_TEST_SUITE_P(
    LayoutWords, AttributesTest,
    testing::Values(
        AttributesCase{"AtLeast", R"(\sl300\slmult0 a)",
                       styled({{"a", inParagraph({.minimumLineHeight = 15})}})},
        AttributesCase{
            "Exactly", R"(\sl-300\slmult0 a)",
            styled({{"a", inParagraph({.minimumLineHeight = 15, .maximumLineHeight = 15})}})},
        AttributesCase{"MultipleOfSingleIsNoHeight", R"(\sl276\slmult1 a)",
                       styled({{"a", helvetica}})},
        AttributesCase{"MultipleKeepsTheOtherWords",
                       R"(\sl276\sa40\slmult1 a\pard\sb20\sl-200\slmult1 b)",
                       styled({{"a", inParagraph({.paragraphSpacing = 2})},
                               {"b", inParagraph({.paragraphSpacingBefore = 1})}})},
        AttributesCase{
            "AutomaticAfterAtLeast", R"(\sl300 a\par\sl0 b)",
            styled({{"a\n", inParagraph({.minimumLineHeight = 15})}, {"b", inParagraph({})}})},
        AttributesCase{
            "Maximum", R"(\slmaximum400 a\slmaximum-5 b)",
            styled({{"a", inParagraph({.maximumLineHeight = 20})}, {"b", inParagraph({})}})},
        AttributesCase{"TabStopsReplaceTheDefaults", R"(\tx720\tqr\tx1440\tldot\tx90 a)",
                       styled({{"a", inParagraph({.tabStops = {4.5, 36, 72}})}})},
        AttributesCase{"TabStopsSortedWithoutRepeats", R"(\tx1440\tx720\tx1440\tx0 a)",
                       styled({{"a", inParagraph({.tabStops = {0, 36, 72}})}})},
        AttributesCase{"TabStopsAddUpUntilPard", R"(\pard\tx720 a\par\tx1440 b\par\pard\tx100 c)",
                       styled({{"a\n", inParagraph({.tabStops = {36}})},
                               {"b\n", inParagraph({.tabStops = {36, 72}})},
                               {"c", inParagraph({.tabStops = {5}})}})},
        AttributesCase{"TabStopsEndWithTheGroup", R"({\tx720 a}b)",
                       styled({{"a", inParagraph({.tabStops = {36}})}, {"b", helvetica}})},
        AttributesCase{"BadTabStopsAreIgnored", R"(\tx-5\tx a)", styled({{"a", helvetica}})},
        AttributesCase{"TextEditDefaults",
                       R"(\pard\tx560\tx1120\tx1680\tx2240\tx2800\tx3360\tx3920\tx4480)"
                       R"(\tx5040\tx5600\tx6160\tx6720\pardirnatural\partightenfactor0 a)",
                       styled({{"a", inParagraph({})}})},
        AttributesCase{
            "UnderlineColour", R"(\ul\ulc2 a\ulc0 b\ulc1\plain c\ulc1 d\ulc7 e)",
            styled({{"a", underlineColour(attrs().font("Helvetica").underlined(), 0x0000ff)},
                    {"b", attrs().font("Helvetica").underlined()},
                    {"c", helvetica},
                    {"d", underlineColour(helvetica, 0xff0000)},
                    {"e", helvetica}})},
        AttributesCase{"OwnGroupsSetTheParagraph",
                       R"(a{\*\sumwiselinebreak4}{\*\sumwisetightening}b\par{\*\sumwisenotabs}c)",
                       styled({{"a", helvetica},
                               {"b\n", inParagraph({.lineBreakMode = LBM::TruncatingTail,
                                                    .allowsDefaultTighteningForTruncation = true})},
                               {"c", inParagraph({.lineBreakMode = LBM::TruncatingTail,
                                                  .allowsDefaultTighteningForTruncation = true,
                                                  .tabStops = {}})}})},
        AttributesCase{"OwnGroupsWithBadValues",
                       R"({\*\sumwiselinebreak6}{\*\sumwiselinebreak-1}{\*\sumwiselinebreak})"
                       R"({\*\sumwisetightening0}a{\*\sumwisenotabs}\tx200 b)",
                       styled({{"a", inParagraph({})}, {"b", inParagraph({.tabStops = {10}})}})},
        AttributesCase{"OwnGroupsInsideOtherDestinationsDoNothing",
                       R"({\*\generator x{\*\sumwisetightening}}{\info{\*\sumwisenotabs}}a)",
                       styled({{"a", helvetica}})}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Links, AttributesTest,
    testing::Values(
        AttributesCase{
            "PandocStyle",
            R"(a {\field{\*\fldinst{HYPERLINK "https://example.com/x?y=1"}})"
            R"({\fldrslt{\ul link}}} b)",
            styled({{"a ", helvetica},
                    {"link",
                     attrs().font("Helvetica").underlined().linkTo("https://example.com/x?y=1")},
                    {" b", helvetica}})},
        AttributesCase{"UnquotedAndSwitches",
                       R"({\field{\*\fldinst HYPERLINK http://a.org/ \\o "tip" \\h}{\fldrslt t}})",
                       styled({{"t", attrs().font("Helvetica").linkTo("http://a.org/")}})},
        AttributesCase{"BookmarkOnly", R"({\field{\*\fldinst HYPERLINK \\l "top"}{\fldrslt t}})",
                       styled({{"t", attrs().font("Helvetica").linkTo("#top")}})},
        AttributesCase{
            "AddressAndBookmark",
            R"({\field{\*\fldinst {\b HYPERLINK} "http://a.org/p" \\l "s"}{\fldrslt t}})",
            styled({{"t", attrs().font("Helvetica").linkTo("http://a.org/p#s")}})},
        AttributesCase{"OtherFieldsGiveNoLink", R"({\field{\*\fldinst PAGE}{\fldrslt 3}})",
                       styled({{"3", helvetica}})},
        AttributesCase{"PlainInsideResultKeepsLink",
                       R"({\field{\*\fldinst HYPERLINK "http://a.org/"}{\fldrslt \b a\plain b}})",
                       styled({{"a", attrs().font("Helvetica").bolded().linkTo("http://a.org/")},
                               {"b", attrs().font("Helvetica").linkTo("http://a.org/")}})}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RtfReaderTest, FontTables) {
    struct {
        const char *name;
        QByteArray rtf;
        std::optional<QString> family;
    } cases[] = {
        {"without entry groups", R"({\rtf1{\fonttbl\f0\fswiss Arial;\f1 Times;}\f1 x})",
         QStringLiteral("Times")},
        {"alternates and panose skipped",
         R"({\rtf1{\fonttbl{\f0{\*\panose 020b0604}Arial{\*\falt Helv};}}\f0 x})",
         QStringLiteral("Arial")},
        {"name in a code page", R"({\rtf1{\fonttbl{\f1\fcharset204 \'c0rial;}}\f1 x})",
         u16(u"Аrial")},
        {"name with unicode", R"({\rtf1{\fonttbl{\f1 M\u246?bius;}}\f1 x})", u16(u"Möbius")},
        {"empty name", R"({\rtf1{\fonttbl{\f1 ;}}\f1 x})", std::nullopt},
        {"no table", R"({\rtf1\deff0\f0 x})", std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s = AttributedString::fromRTF(c.rtf);
        ASSERT_TRUE(s) << c.name;
        EXPECT_EQ(s->string(), QStringLiteral("x")) << c.name;
        EXPECT_EQ(s->attributesAtIndex(0).fontFamily, c.family) << c.name;
    }
}

TEST(RtfReaderTest, ColourTables) {
    struct {
        const char *name;
        QByteArray rtf;
        std::optional<QColor> colour;
    } cases[] = {
        {"first entry auto", R"({\rtf1{\colortbl;\red1\green2\blue3;}\cf0 x})", std::nullopt},
        {"first entry real", R"({\rtf1{\colortbl\red1\green2\blue3;}\cf0 x})", QColor(1, 2, 3)},
        {"components clamped", R"({\rtf1{\colortbl;\red999\green-5\blue3;}\cf1 x})",
         QColor(255, 0, 3)},
        {"index past the table", R"({\rtf1{\colortbl;\red9\green9\blue9;}\cf2 x})", std::nullopt},
        {"no table", R"({\rtf1\cf1 x})", std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s = AttributedString::fromRTF(c.rtf);
        ASSERT_TRUE(s) << c.name;
        EXPECT_EQ(s->attributesAtIndex(0).foregroundColor, c.colour) << c.name;
    }
}

// --- Pictures ---

const QByteArray pngBytes = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");

struct PictureCase {
    const char *name;
    QByteArray body;
    QString text;
    std::optional<TextAttachment> attachment; // of the first U+FFFC
    friend void PrintTo(const PictureCase &c, std::ostream *os) { *os << c.name; }
};

class PictureTest : public testing::TestWithParam<PictureCase> {};

TEST_P(PictureTest, BecomesAnAttachment) {
    const std::optional<AttributedString> s = read(GetParam().body);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->string(), GetParam().text);
    EXPECT_EQ(s->containsAttachments(), GetParam().attachment.has_value());
    const qsizetype anchor = s->string().indexOf(QChar(0xFFFC));
    if (GetParam().attachment) {
        ASSERT_GE(anchor, 0);
        EXPECT_EQ(s->attributesAtIndex(anchor).attachment, GetParam().attachment);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PictureTest,
    testing::Values(
        PictureCase{"PngHex",
                    "a{\\pict\\pngblip\\picw4\\pich3\\picwgoal60\\pichgoal45\n"
                    "89504e470d0a1a0a\r\n0000000d49484452}b",
                    u16(u"a\uFFFCb"), TextAttachment{"image.png", "image/png", pngBytes}},
        PictureCase{"OddNibbleDropped", "{\\pict\\jpegblip ffd8f}", u16(u"\uFFFC"),
                    TextAttachment{"image.jpg", "image/jpeg", QByteArray::fromHex("ffd8")}},
        PictureCase{"BinaryData", bytesOf("{\\pict\\pngblip\\bin4 \x00{}\\}"), u16(u"\uFFFC"),
                    TextAttachment{"image.png", "image/png", QByteArray("\x00{}\\", 4)}},
        PictureCase{"NamedByPicprop",
                    "{\\pict{\\*\\picprop{\\sp{\\sn wzDescription}{\\sv A dot}}"
                    "{\\sp{\\sn wzName}{\\sv dot \\u246?.png}}}\\pngblip 89}",
                    u16(u"\uFFFC"),
                    TextAttachment{u16(u"dot ö.png"), "image/png", QByteArray::fromHex("89")}},
        PictureCase{"ShapePictureWinsOverFallback",
                    "a{\\*\\shppict{\\pict\\pngblip 89}}{\\nonshppict{\\pict\\wmetafile8 0100}}b",
                    u16(u"a\uFFFCb"),
                    TextAttachment{"image.png", "image/png", QByteArray::fromHex("89")}},
        PictureCase{"ShapeInstanceSkippedResultRead",
                    "{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\pngblip 01}}}}"
                    "{\\shprslt{\\pict\\pngblip 02}}}",
                    u16(u"\uFFFC"),
                    TextAttachment{"image.png", "image/png", QByteArray::fromHex("02")}},
        PictureCase{"UnknownTypeDropped", "a{\\pict\\pmmetafile 0100}b", u16(u"ab"), std::nullopt},
        PictureCase{"NoDataDropped", "a{\\pict\\pngblip}b", u16(u"ab"), std::nullopt},
        PictureCase{"NestedPictureIgnored", "{\\pict\\pngblip 89{\\pict\\jpegblip ff}50}",
                    u16(u"\uFFFC"),
                    TextAttachment{"image.png", "image/png", QByteArray::fromHex("8950")}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RtfReaderTest, PictureTakesTheSurroundingAttributes) {
    const std::optional<AttributedString> s =
        read(R"({\field{\*\fldinst HYPERLINK "http://a.org/"}{\fldrslt \b {\pict\pngblip 89}}})");
    ASSERT_TRUE(s);
    TextAttributes expected = attrs().font("Helvetica").bolded().linkTo("http://a.org/");
    expected.attachment = TextAttachment{"image.png", "image/png", QByteArray::fromHex("89")};
    EXPECT_EQ(*s, styled({{u16(u"\uFFFC"), expected}}));
}

TEST(RtfReaderTest, PicturesPastTheSizeLimitAreLeftOut) {
    const qsizetype limit = AttributedString::MaximumPictureSize;
    auto document = [](qsizetype bytes) {
        return "{\\rtf1 a{\\pict\\pngblip\\bin" + QByteArray::number(bytes) + " "
               + QByteArray(bytes, 'x') + "}b}";
    };
    const std::optional<AttributedString> atLimit = AttributedString::fromRTF(document(limit));
    ASSERT_TRUE(atLimit);
    ASSERT_EQ(atLimit->string(), u16(u"a\uFFFCb"));
    EXPECT_EQ(atLimit->attributesAtIndex(1).attachment->contents.size(), limit);
    const std::optional<AttributedString> over = AttributedString::fromRTF(document(limit + 1));
    ASSERT_TRUE(over);
    EXPECT_EQ(over->string(), QStringLiteral("ab"));
}

// --- Document attributes ---

TEST(RtfReaderTest, DocumentAttributes) {
    QVariantMap document;
    const std::optional<AttributedString> s = AttributedString::fromRTF(
        R"({\rtf1\ansi\deftab720\paperw11906\paperh16838\margl1134\margr567\margt1440\margb0)"
        R"({\info{\title Caf\'e9 {\b list}}{\author A \u-3913?}{\*\company C}{\creatim\yr2024}})"
        R"({\info{\subject S}{\keywords k1 k2}{\doccomm c}}x})",
        &document);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->string(), QStringLiteral("x"));
    const QVariantMap expected{
        {DocumentAttribute::PaperSize, QSizeF(595.3, 841.9)},
        {DocumentAttribute::LeftMargin, 56.7},
        {DocumentAttribute::RightMargin, 28.35},
        {DocumentAttribute::TopMargin, 72.0},
        {DocumentAttribute::BottomMargin, 0.0},
        {DocumentAttribute::DefaultTabInterval, 36.0},
        {DocumentAttribute::Title, u16(u"Café list")},
        {DocumentAttribute::Author, u16(u"A \uF0B7")},
        {DocumentAttribute::Subject, QStringLiteral("S")},
        {DocumentAttribute::Keywords, QStringLiteral("k1 k2")},
        {DocumentAttribute::Comment, QStringLiteral("c")},
    };
    EXPECT_EQ(document.keys(), expected.keys());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(document.value(it.key()), it.value()) << it.key().toStdString();
}

TEST(RtfReaderTest, PaperSizeWithOneSideTakesLetterForTheOther) {
    QVariantMap document;
    ASSERT_TRUE(AttributedString::fromRTF(R"({\rtf1\paperw1440 x})", &document));
    EXPECT_EQ(document.value(DocumentAttribute::PaperSize).toSizeF(), QSizeF(72, 792));
    ASSERT_TRUE(AttributedString::fromRTF(R"({\rtf1 x})", &document));
    EXPECT_TRUE(document.isEmpty());
}

} // namespace
