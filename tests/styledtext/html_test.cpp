#include "styledtesting.h"
#include "styledtext/editing.h"
#include "styledtext/html.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

std::optional<AttributedString> read(const QByteArray &html, const QUrl &base = {}) {
    return attributedStringWithHTML(html, base);
}

// The attributes inside a paragraph of the spacing given, with line heights.
TextAttributes inParagraph(TextAttributes a, double before, double after, double minimum = 0,
                           double maximum = 0) {
    a.paragraphStyle = ParagraphStyle{.paragraphSpacingBefore = before,
                                      .paragraphSpacing = after,
                                      .minimumLineHeight = minimum,
                                      .maximumLineHeight = maximum};
    return a;
}

TEST(HtmlTest, ReadsTheRuns) {
    const std::pair<QByteArray, AttributedString> cases[] = {
        {R"(a<b>b</b><strong>c</strong><span style="font-weight:600">d</span>)"
         R"(<span style="font-weight:500">e</span>)",
         styled({{"a", {}}, {"bcd", attrs().bolded()}, {"e", {}}})},
        {"<i>i</i><em>e</em><u>u</u>",
         styled({{"ie", attrs().italics()}, {"u", attrs().underlined()}})},
        {R"(<font face=" Times , serif">t</font><span style="font-size:16px">p</span>)"
         R"(<span style="font-size:9pt">q</span><font size=5>f</font>)"
         R"(<span style="font-size:0px">z</span>)",
         styled({{"t", attrs().font("Times")},
                 {"p", attrs().size(12)},
                 {"q", attrs().size(9)},
                 {"f", attrs().size(18)},
                 {"z", {}}})},
        {R"(<span style="color:#ff0000;background-color:#00ff00">c</span>)"
         R"(<font color="#0000ff">f</font>)",
         styled({{"c", attrs().fg(0xff0000).bg(0x00ff00)}, {"f", attrs().fg(0x0000ff)}})},
        // <p> has 12 pixel margins above and below, 9 points.
        {"<h1>H</h1>x",
         styled({{"H\n", inParagraph(attrs().bolded().size(24), 13.5, 9)}, {"x", {}}})},
        {R"(<p>a</p><p style="margin-top:4px;margin-bottom:0">b</p>)",
         styled({{"a\n", inParagraph({}, 9, 9)}, {"b", inParagraph({}, 3, 0)}})},
        {R"(<p style="line-height:20px">a</p>)"
         R"(<p style="line-height:16px;-qt-line-height-type:fixed">b</p>)",
         styled({{"a\n", inParagraph({}, 9, 9, 15)}, {"b", inParagraph({}, 9, 9, 12, 12)}})},
        // Block separators leave the link behind.
        {"<p><a href='https://a.org/'>l</a></p>x",
         styled({{"l", inParagraph(linkAttributes(QUrl("https://a.org/")), 9, 9)},
                 {"\n", inParagraph(attrs().fg(0x0000ee).underlined(), 9, 9)},
                 {"x", {}}})},
        // Links take the link colour wherever their tag hides.
        {"< A HREF=\"x\">t", styled({{"t", linkAttributes(QUrl("x"))}})},
        {"<!-- <a> --><i><a\nhref=x>t</a></i>",
         styled({{"t", attrs{linkAttributes(QUrl("x"))}.italics()}})},
    };
    for (const auto &[html, expected] : cases) {
        const std::optional<AttributedString> s = read(html);
        EXPECT_EQ(s, expected) << html.constData();
        EXPECT_TRUE(s && runsAreSound(*s));
    }
}

TEST(HtmlTest, ReadsTheCharacters) {
    const std::pair<QByteArray, std::u16string_view> cases[] = {
        {"hello  world\n", u"hello world "},
        {"a&nbsp;&lt;&amp;&gt;&eacute;&#233;&#x1F60A;&quot;", u"a\u00A0<&>éé\U0001F60A\""},
        {"a<br>b<br/>c", u"a\u2028b\u2028c"},
        {"a<script>x</script><style>p{}</style><!-- c -->b", u"ab"},
        {"<ul><li>one<ul><li>two</li></ul></li><li>three</li></ul>"
         "<ol><li>x</li><li>y</li></ol><ul type=square><li>s</li></ul>",
         u"\u2022 one\n\t\u2022 two\n\u2022 three\n1. x\n2. y\n\u25AA s"},
        {"<table><tr><td>a</td><td>b</td></tr><tr><td>c<p>c2</p></td><td>d</td></tr></table>",
         u"a\tb\nc\nc2\td"},
        {bytesOf("a\0b<b>c\0</b>"), u"abc"}, // NULs dropped
        {"<b>a<i>b<table><tr><td>c", u"ab\nc"},
        {"< b >x< /b>y", u"xy"},
        // Encodings: UTF-8 unless declared (or unknown), Windows-1252 when it is no UTF-8.
        {"caf\xe9 \x80", u"café €"},
        {"<meta charset=\"shift_jis\">\x93\xfa\x96\x7b", u"日本"},
        {"<meta charset=\"bogus\">caf\xc3\xa9", u"café"},
        {QByteArray::fromHex("fffe61003c0062003e0062003c002f0062003e00"), u"ab"},
    };
    for (const auto &[html, expected] : cases) {
        const std::optional<AttributedString> s = read(html);
        ASSERT_TRUE(s) << html.constData();
        EXPECT_EQ(s->string(), u16(expected)) << html.constData();
        EXPECT_TRUE(runsAreSound(*s));
    }
}

TEST(HtmlTest, LinksResolveAgainstTheBase) {
    const QUrl base(QStringLiteral("https://example.com/a/b.html?q=1"));
    EXPECT_EQ(baseURLForWebKit(base), base);
    const struct {
        const char *href;
        QUrl base;
        const char *expected; // nullptr: no link
    } cases[] = {
        {"x/y.html", base, "https://example.com/a/x/y.html"},
        {"x.html", QUrl(QStringLiteral("http://[bad")), "x.html"},
        {"", base, nullptr},
    };
    for (const auto &c : cases) {
        const std::optional<AttributedString> s =
            read(QByteArray("<a href=\"") + c.href + "\">t</a>", c.base);
        ASSERT_TRUE(s) << c.href;
        if (c.expected)
            EXPECT_EQ(s->attributesAtIndex(0), linkAttributes(QUrl(QString::fromUtf8(c.expected))));
        else
            EXPECT_FALSE(s->attributesAtIndex(0).link);
        EXPECT_EQ(baseURLForWebKit(c.base),
                  c.base.isValid() ? std::optional(c.base) : std::nullopt);
    }
    // The page's own link style wins.
    const auto styledLink = read(R"(<style>a { color: #ff0000 }</style><a href="x">t</a>)");
    EXPECT_EQ(styledLink->attributesAtIndex(0).foregroundColor, QColor(255, 0, 0));
}

// Pictures in data: addresses or beside the page, read through the base or asked of the caller's
// loader, keep the link around them; one that is not read leaves its alt text. Style sheets are
// never read.
TEST(HtmlTest, PicturesByAddressAreReadOrLeaveTheirAltText) {
    QTemporaryDir dir;
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
    for (const auto &[name, contents] :
         {std::pair("s.css", QByteArray("b { color: #ff0000 }")), std::pair("p.png", png)}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
    }
    const QUrl base = QUrl::fromLocalFile(dir.filePath("page.html"));
    QList<QUrl> asked;
    const HTMLResourceLoader web = [&](const QUrl &address) -> std::optional<QByteArray> {
        asked.append(address);
        if (address.host() == u"example.com")
            return png;
        return std::nullopt;
    };
    const TextAttachment local{"p.png", "image/png", png}, remote{"a.png", "image/png", png};
    const struct {
        QByteArray source;
        QUrl base;
        const HTMLResourceLoader *loader;
        std::optional<TextAttachment> attachment; // else the alt text "A"
    } rows[] = {
        {"data:image/png;base64," + png.toBase64(),
         {},
         nullptr,
         TextAttachment{"image.png", "image/png", png}},
        {"DATA:Image/X-Thing;charset=x;base64,AAEC",
         {},
         nullptr,
         TextAttachment{"image", "image/x-thing", QByteArray::fromHex("000102")}},
        {"data:text/plain,hello", {}, nullptr, std::nullopt},
        {"data:image/png;base64,", {}, nullptr, std::nullopt},
        {"p.png", base, nullptr, local},
        {"none.png", base, nullptr, std::nullopt},
        {"https://example.com/a.png", base, nullptr, std::nullopt},
        {"https://example.com/a.png", base, &web, remote},
        {"p.png", base, &web, std::nullopt}, // the caller's loader decides alone
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.source.constData());
        const QByteArray html =
            "x<a href=\"https://l.org/\"><img src=\"" + row.source + "\" alt=\"A\"></a>y";
        const auto s =
            attributedStringWithHTML(html, row.base, nullptr, row.loader ? *row.loader : nullptr);
        ASSERT_TRUE(s && runsAreSound(*s));
        EXPECT_EQ(s->string(), row.attachment ? u16(u"x\uFFFCy") : QStringLiteral("xAy"));
        EXPECT_EQ(s->attributesAtIndex(1).attachment, row.attachment);
        EXPECT_TRUE(s->attributesAtIndex(1).link);
    }
    EXPECT_EQ(asked,
              QList<QUrl>({QUrl("https://example.com/a.png"), base.resolved(QUrl("p.png"))}));

    const auto s = read(
        R"(<head><link rel="stylesheet" href="s.css"></head><b>x</b><img src="p.png"><img src="p.png">)",
        base);
    ASSERT_TRUE(s && s->string() == u16(u"x\uFFFC\uFFFC"));
    EXPECT_EQ(s->attributesAtIndex(0), attrs().bolded());
    EXPECT_EQ(s->attributesAtIndex(2).attachment, local);
}

TEST(HtmlTest, DocumentAttributes) {
    QVariantMap document{{QStringLiteral("stale"), 1}};
    ASSERT_TRUE(attributedStringWithHTML("<title>A &amp; B</title>x", {}, &document));
    EXPECT_EQ(document, QVariantMap({{DocumentAttribute::Title, QStringLiteral("A & B")}}));
    EXPECT_EQ(attributedStringWithHTML(QByteArray(), {}, &document), std::nullopt);
    EXPECT_TRUE(document.isEmpty());
}

TEST(HtmlTest, LimitsRefuseInsteadOfStalling) {
    const auto repeated = [](const char *piece, qsizetype count) {
        return QByteArray(piece).repeated(count);
    };
    const std::pair<QByteArray, bool> cases[] = {
        {QByteArray(), false},
        {QByteArray(1, '\0'), true},
        {QByteArray(MaximumHTMLSize + 1, 'x'), false},
        {repeated("<b></b>", MaximumHTMLTags / 2 + 1), false},
        {repeated("<b>", MaximumHTMLDepth) + "x", true},
        {repeated("<b>", MaximumHTMLDepth + 1) + "x", false},
        {"<!--" + repeated("<b>", MaximumHTMLDepth * 2) + "-->x", true}, // in comments
        {"a<b" + repeated("<b", 10000), true},                           // an unended tag
        {repeated("x <= y >= z ", MaximumHTMLDepth + 1), true},          // comparisons are no tags
    };
    for (const auto &[html, readable] : cases)
        EXPECT_EQ(read(html).has_value(), readable) << html.left(40).constData();
}

} // namespace
