#include "styledtesting.h"
#include "styledtext/editing.h"
#include "styledtext/html.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <random>

namespace {

std::optional<AttributedString> read(const QByteArray &html, const QUrl &base = {}) {
    return attributedStringWithHTML(html, base);
}

TextAttributes withParagraph(TextAttributes a, double before, double after,
                             const std::function<void(ParagraphStyle &)> &change = {}) {
    a.paragraphStyle = ParagraphStyle{.paragraphSpacingBefore = before, .paragraphSpacing = after};
    if (change)
        change(*a.paragraphStyle);
    return a;
}

struct StyledCase {
    const char *name;
    QByteArray html;
    AttributedString expected;
    friend void PrintTo(const StyledCase &c, std::ostream *os) { *os << c.name; }
};

class HtmlAttributesTest : public testing::TestWithParam<StyledCase> {};

TEST_P(HtmlAttributesTest, ReadsTheRuns) {
    const std::optional<AttributedString> s = read(GetParam().html);
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, GetParam().expected);
    EXPECT_TRUE(runsAreSound(*s));
}

// <p> has 12 pixel margins above and below, 9 points.
INSTANTIATE_TEST_SUITE_P(
    Tags, HtmlAttributesTest,
    testing::Values(
        StyledCase{"Weights",
                   R"(a<b>b</b><strong>c</strong><span style="font-weight:600">d</span>)"
                   R"(<span style="font-weight:500">e</span>)",
                   styled({{"a", {}}, {"bcd", attrs().bolded()}, {"e", {}}})},
        StyledCase{"ItalicAndUnderline", "<i>i</i><em>e</em><u>u</u>",
                   styled({{"ie", attrs().italics()}, {"u", attrs().underlined()}})},
        StyledCase{"FamiliesAndSizes",
                   R"(<font face=" Times , serif">t</font><span style="font-size:16px">p</span>)"
                   R"(<span style="font-size:9pt">q</span><font size=5>f</font>)"
                   R"(<font size=1>g</font><span style="font-size:0px">z</span>)",
                   styled({{"t", attrs().font("Times")},
                           {"p", attrs().size(12)},
                           {"q", attrs().size(9)},
                           {"f", attrs().size(18)},
                           {"g", attrs().size(8.4)},
                           {"z", {}}})},
        StyledCase{"Colours",
                   R"(<span style="color:#ff0000;background-color:#00ff00">c</span>)"
                   R"(<font color="#0000ff">f</font>)",
                   styled({{"c", attrs().fg(0xff0000).bg(0x00ff00)}, {"f", attrs().fg(0x0000ff)}})},
        StyledCase{"StyleSheetsApply",
                   "<style>.r { color: #ff0000 }</style>a<span class=r>r</span>",
                   styled({{"a", {}}, {"r", attrs().fg(0xff0000)}})},
        StyledCase{"Heading", "<h1>H</h1>x",
                   styled({{"H\n", withParagraph(attrs().bolded().size(24), 13.5, 9)}, {"x", {}}})},
        StyledCase{"Paragraphs", R"(<p>a</p><p style="margin-top:4px;margin-bottom:0">b</p>)",
                   styled({{"a\n", withParagraph({}, 9, 9)}, {"b", withParagraph({}, 3, 0)}})},
        StyledCase{
            "LineHeights",
            R"(<p style="line-height:20px">a</p>)"
            R"(<p style="line-height:16px;-qt-line-height-type:fixed">b</p>)"
            R"(<p style="line-height:150%">c</p>)",
            styled({{"a\n", withParagraph({}, 9, 9, [](auto &p) { p.minimumLineHeight = 15; })},
                    {"b\n", withParagraph({}, 9, 9,
                                          [](auto &p) {
                                              p.minimumLineHeight = 12;
                                              p.maximumLineHeight = 12;
                                          })},
                    {"c", withParagraph({}, 9, 9)}})},
        StyledCase{"SeparatorsLeaveLinksBehind", "<p><a href='https://a.org/'>l</a></p>x",
                   styled({{"l", withParagraph(linkAttributes(QUrl("https://a.org/")), 9, 9)},
                           {"\n", withParagraph(attrs().fg(0x0000ee).underlined(), 9, 9)},
                           {"x", {}}})}),
    [](const auto &info) { return std::string(info.param.name); });

struct TextCase {
    const char *name;
    QByteArray html;
    QString expected;
    friend void PrintTo(const TextCase &c, std::ostream *os) { *os << c.name; }
};

class HtmlTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(HtmlTextTest, ReadsTheCharacters) {
    const std::optional<AttributedString> s = read(GetParam().html);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->string(), GetParam().expected);
    EXPECT_TRUE(runsAreSound(*s));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlTextTest,
    testing::Values(TextCase{"PlainText", "hello  world\n", u16(u"hello world ")},
                    TextCase{"Entities", "a&nbsp;&lt;&amp;&gt;&eacute;&#233;&#x1F60A;&quot;",
                             u16(u"a\u00A0<&>éé\U0001F60A\"")},
                    TextCase{"LineBreaks", "a<br>b<br/>c", u16(u"a\u2028b\u2028c")},
                    TextCase{"HiddenParts", "a<script>x</script><style>p{}</style><!-- c -->b",
                             u16(u"ab")},
                    TextCase{"Lists",
                             "<ul><li>one<ul><li>two</li></ul></li><li>three</li></ul>"
                             "<ol><li>x</li><li>y</li></ol><ul type=square><li>s</li></ul>",
                             u16(u"\u2022 one\n\t\u2022 two\n\u2022 three\n1. x\n2. y\n\u25AA s")},
                    TextCase{"Table",
                             "<table><tr><td>a</td><td>b</td></tr><tr><td>c<p>c2</p></td>"
                             "<td>d</td></tr></table>",
                             u16(u"a\tb\nc\nc2\td")},
                    TextCase{"NestedTable",
                             "<table><tr><td>a<table><tr><td>b</td><td>c</td></tr></table>"
                             "</td><td>d</td></tr></table>",
                             u16(u"a\nb\tc\td")},
                    TextCase{"EmbeddedNuls", bytesOf("a\0b<b>c\0</b>"), u16(u"abc")},
                    TextCase{"UnclosedTags", "<b>a<i>b<table><tr><td>c", u16(u"ab\nc")},
                    TextCase{"SpacedTags", "< b >x< /b>y", u16(u"xy")},
                    TextCase{"EmptyParagraphsVanish", "<p>a</p><p></p><p>b</p>", u16(u"a\nb")},
                    TextCase{"EmptyCells",
                             "x<table><tr><td></td><td>b</td></tr><tr><td>c</td><td></td></tr>"
                             "</table>y",
                             u16(u"x\n\tb\nc\t\ny")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HtmlTest, Encodings) {
    struct {
        const char *name;
        QByteArray html;
        QString expected;
    } cases[] = {
        {"Utf8WithoutDeclaration", "caf\xc3\xa9", u16(u"café")},
        {"NoUtf8IsWindows1252", "caf\xe9 \x80", u16(u"café €")},
        {"MetaCharset", "<meta charset=\"shift_jis\">\x93\xfa\x96\x7b", u16(u"日本")},
        {"HttpEquiv",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-15\">\xa4",
         u16(u"€")},
        {"UnknownCharsetFallsBack", "<meta charset=\"bogus\">caf\xc3\xa9", u16(u"café")},
        {"Utf16Bom", QByteArray::fromHex("fffe61003c0062003e0062003c002f0062003e00"), u16(u"ab")},
        {"Utf8Bom", "\xef\xbb\xbf<b>x</b>", u16(u"x")},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s = read(c.html);
        ASSERT_TRUE(s) << c.name;
        EXPECT_EQ(s->string(), c.expected) << c.name;
    }
}

TEST(HtmlTest, LinksResolveAgainstTheBase) {
    const QUrl base(QStringLiteral("https://example.com/a/b.html?q=1"));
    struct {
        const char *href;
        QUrl base;
        const char *expected; // nullptr: no link
    } cases[] = {
        {"x/y.html", base, "https://example.com/a/x/y.html"},
        {"/root", base, "https://example.com/root"},
        {"#frag", base, "https://example.com/a/b.html?q=1#frag"},
        {"https://other.org/p", base, "https://other.org/p"},
        {"mailto:a@b.org", base, "mailto:a@b.org"},
        {"x.html", QUrl(), "x.html"},
        {"x.html", QUrl(QStringLiteral("http://[bad")), "x.html"},
        {"", base, nullptr},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s =
            read(QByteArray("<a href=\"") + c.href + "\">t</a>", c.base);
        ASSERT_TRUE(s) << c.href;
        const TextAttributes a = s->attributesAtIndex(0);
        if (c.expected) {
            EXPECT_EQ(a.link, QUrl(QString::fromUtf8(c.expected))) << c.href;
            EXPECT_EQ(a.foregroundColor, linkColor()) << c.href;
            EXPECT_TRUE(a.underline) << c.href;
        } else {
            EXPECT_EQ(a.link, std::nullopt) << c.href;
        }
    }
    // The page's own link style wins.
    const std::optional<AttributedString> styledLink =
        read(R"(<style>a { color: #ff0000 }</style><a href="x">t</a>)");
    ASSERT_TRUE(styledLink);
    EXPECT_EQ(styledLink->attributesAtIndex(0).foregroundColor, QColor(255, 0, 0));
}

TEST(HtmlTest, BaseUrlForTheReader) {
    EXPECT_EQ(baseURLForWebKit(QUrl()), std::nullopt);
    EXPECT_EQ(baseURLForWebKit(QUrl(QStringLiteral("http://[bad"))), std::nullopt);
    EXPECT_EQ(baseURLForWebKit(QUrl(QStringLiteral("file:///tmp/"))),
              QUrl(QStringLiteral("file:///tmp/")));
}

TEST(HtmlTest, ImagesInThePageBecomeAttachments) {
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
    struct {
        const char *name;
        QByteArray source;
        std::optional<TextAttachment> expected;
    } cases[] = {
        {"Base64Png", "data:image/png;base64," + png.toBase64(),
         TextAttachment{"image.png", "image/png", png}},
        {"PercentEncodedSvg", "data:image/svg+xml,%3Csvg%2F%3E",
         TextAttachment{"image.svg", "image/svg+xml", "<svg/>"}},
        {"UnknownImageType", "DATA:Image/X-Thing;charset=x;base64,AAEC",
         TextAttachment{"image", "image/x-thing", QByteArray::fromHex("000102")}},
        {"NotAnImage", "data:text/plain,hello", std::nullopt},
        {"NoComma", "data:image/png;base64", std::nullopt},
        {"NoBytes", "data:image/png;base64,", std::nullopt},
        {"Remote", "https://example.com/a.png", std::nullopt},
        {"LocalFile", "/etc/hostname", std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s =
            read("a<a href=\"https://l.org/\"><img src=\"" + c.source + "\"></a>b");
        ASSERT_TRUE(s) << c.name;
        EXPECT_TRUE(runsAreSound(*s)) << c.name;
        if (!c.expected) {
            EXPECT_EQ(s->string(), QStringLiteral("ab")) << c.name;
            continue;
        }
        ASSERT_EQ(s->string(), u16(u"a\uFFFCb")) << c.name;
        const TextAttributes a = s->attributesAtIndex(1);
        EXPECT_EQ(a.attachment, c.expected) << c.name;
        EXPECT_EQ(a.link, QUrl(QStringLiteral("https://l.org/"))) << c.name;
    }
}

TEST(HtmlTest, ReadsNoFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile css(dir.filePath(QStringLiteral("s.css")));
    ASSERT_TRUE(css.open(QIODevice::WriteOnly));
    css.write("b { color: #ff0000 }");
    css.close();
    QFile picture(dir.filePath(QStringLiteral("p.png")));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write(QByteArray::fromHex("89504e470d0a1a0a"));
    picture.close();
    const QUrl base = QUrl::fromLocalFile(dir.path() + u'/');
    const std::optional<AttributedString> s =
        read(R"(<head><link rel="stylesheet" href="s.css"></head><b>x</b><img src="p.png">)", base);
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, styled({{"x", attrs().bolded()}}));
}

TEST(HtmlTest, DocumentAttributes) {
    QVariantMap document{{QStringLiteral("stale"), 1}};
    ASSERT_TRUE(attributedStringWithHTML("<title>A &amp; B</title>x", {}, &document));
    EXPECT_EQ(document, QVariantMap({{DocumentAttribute::Title, QStringLiteral("A & B")}}));
    ASSERT_TRUE(attributedStringWithHTML("x", {}, &document));
    EXPECT_TRUE(document.isEmpty());
    document.insert(QStringLiteral("stale"), 1);
    EXPECT_EQ(attributedStringWithHTML(QByteArray(), {}, &document), std::nullopt);
    EXPECT_TRUE(document.isEmpty());
}

TEST(HtmlTest, LimitsRefuseInsteadOfStalling) {
    auto repeated = [](const char *piece, qsizetype count) {
        return QByteArray(piece).repeated(count);
    };
    struct {
        const char *name;
        QByteArray html;
        bool read;
    } cases[] = {
        {"Empty", QByteArray(), false},
        {"NullByteOnly", QByteArray(1, '\0'), true},
        {"TooLarge", QByteArray(MaximumHTMLSize + 1, 'x'), false},
        {"TooManyTags", repeated("<b></b>", MaximumHTMLTags / 2 + 1), false},
        {"DeepestAllowed", repeated("<b>", MaximumHTMLDepth) + "x", true},
        {"TooDeep", repeated("<b>", MaximumHTMLDepth + 1) + "x", false},
        {"ClosedTagsDoNotAddUp", repeated("<b>x</b>", MaximumHTMLDepth * 2), true},
        {"SelfClosedAndVoidTags", repeated("<b/><br><img src=x><p>", MaximumHTMLDepth), true},
        {"TagsInCommentsDoNotCount", "<!--" + repeated("<b>", MaximumHTMLDepth * 2) + "-->x", true},
        {"SpacedTagsCount", repeated("< b >", MaximumHTMLDepth + 1), false},
        {"UnendedTag", "a<b" + repeated("<b", 10000), true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read(c.html).has_value(), c.read) << c.name;
}

TEST(HtmlTest, RandomBytesGiveSoundText) {
    std::mt19937 random(5);
    const char pieces[][12] = {"<b>",       "</b>", "<p>",  "<td>", "<a href=x>", "&amp;", "&#x",
                               "<img src=", "\xff", "\xc3", "\0",   "<table>",    "x",     "<li>"};
    for (int round = 0; round < 200; ++round) {
        QByteArray html;
        for (int n = int(random() % 40); n > 0; --n)
            html += random() % 2 ? QByteArray(pieces[random() % std::size(pieces)])
                                 : QByteArray(1, char(random()));
        const std::optional<AttributedString> s = read(html);
        if (html.isEmpty())
            continue;
        ASSERT_TRUE(s) << html.toHex().constData();
        ASSERT_TRUE(runsAreSound(*s)) << html.toHex().constData();
    }
}

} // namespace
