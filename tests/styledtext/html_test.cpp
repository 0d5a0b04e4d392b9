#include "styledtesting.h"
#include "styledtext/editing.h"
#include "styledtext/html.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

std::optional<AttributedString> read(const QByteArray &html, const QUrl &base = {}) {
    return attributedStringWithHTML(html, base);
}

// The attributes inside a paragraph of the spacing given.
TextAttributes inParagraph(TextAttributes a, double before, double after) {
    return attrs{a}.before(before).after(after);
}

TEST(HtmlTest, ReadsTheRuns) {
    const std::pair<QByteArray, AttributedString> cases[] = {
        {R"(a<b>b</b><strong>c</strong><span style="font-weight:600">d</span>)"
         R"(<span style="font-weight:500">e</span>)",
         styled({{"a", {}}, {"bcd", attrs().bolded()}, {"e", {}}})},
        {R"(<font face=" Times , serif" size=5>t</font><span style="font-size:16px">p</span>)"
         R"(<span style="font-size:0px;color:#ff0000;background-color:#00ff00">z</span>)",
         styled({{"t", attrs().font("Times").size(18)},
                 {"p", attrs().size(12)},
                 {"z", attrs().fg(0xff0000).bg(0x00ff00)}})},
        // <p> has 12 pixel margins above and below, 9 points.
        {"<h1>H</h1>x",
         styled({{"H\n", inParagraph(attrs().bolded().size(24), 13.5, 9)}, {"x", {}}})},
        // Block separators leave the link behind.
        {"<p><a href='https://a.org/'>l</a></p>x",
         styled({{"l", inParagraph(linkAttributes(QUrl("https://a.org/")), 9, 9)},
                 {"\n", inParagraph(attrs().fg(0x0000ee).underlined(), 9, 9)},
                 {"x", {}}})},
        // Links take the link colour wherever their tag hides.
        {"<!-- <a> --><i><a\nhref=x>t</a></i>",
         styled({{"t", attrs{linkAttributes(QUrl("x"))}.italics()}})},
    };
    for (const auto &[html, expected] : cases) {
        const std::optional<AttributedString> s = read(html);
        EXPECT_EQ(s, expected) << html.constData();
    }
}

TEST(HtmlTest, ReadsTheCharacters) {
    const std::pair<QByteArray, std::u16string_view> cases[] = {
        {"a&nbsp;&lt;&amp;&gt;&eacute;&#233;&#x1F60A;&quot;", u"a\u00A0<&>éé\U0001F60A\""},
        {"a<br/>b", u"a\u2028b"},
        {"a<script>x</script><style>p{}</style><!-- c -->b", u"ab"},
        {"<ul><li>one<ul><li>two</li></ul></li><li>three</li></ul>"
         "<ol><li>x</li><li>y</li></ol><ul type=square><li>s</li></ul>",
         u"\u2022 one\n\t\u2022 two\n\u2022 three\n1. x\n2. y\n\u25AA s"},
        {"<table><tr><td>a</td><td>b</td></tr><tr><td>c<p>c2</p></td><td>d</td></tr></table>",
         u"a\tb\nc\nc2\td"},
        {bytesOf("a\0b<b>c\0</b>"), u"abc"}, // NULs dropped
        {"<b>a<i>b<table><tr><td>c", u"ab\nc"},
        // Encodings: UTF-8 unless declared, Windows-1252 when it is no UTF-8.
        {"caf\xe9 \x80", u"café €"},
        {"<meta charset=\"shift_jis\">\x93\xfa\x96\x7b", u"日本"},
    };
    for (const auto &[html, expected] : cases) {
        const std::optional<AttributedString> s = read(html);
        ASSERT_TRUE(s) << html.constData();
        EXPECT_EQ(s->string(), u16(expected)) << html.constData();
        EXPECT_TRUE(runsAreSound(*s));
    }
}

// Pictures in data: addresses or beside the page, read through the base or asked of the caller's
// loader, keep the link around them; one that is not read leaves its alt text. Style sheets are
// never read.
TEST(HtmlTest, PicturesByAddressAreReadOrLeaveTheirAltText) {
    QTemporaryDir dir;
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
    for (const auto &[name, contents] :
         {std::pair("s.css", QByteArray("b { color: #ff0000 }")), std::pair("p.png", png)})
        putFile(dir.filePath(QString::fromLatin1(name)), contents);
    const QUrl base = QUrl::fromLocalFile(dir.filePath("page.html"));
    EXPECT_TRUE(baseURLForWebKit(base) == base && !baseURLForWebKit(QUrl("http://[bad")));
    const HTMLResourceLoader web = [&](const QUrl &address) -> std::optional<QByteArray> {
        return address.host() == u"example.com" ? std::optional(png) : std::nullopt;
    };
    // The name of the attachment; else the alt text "A" stays.
    const std::tuple<QByteArray, bool, bool, const char *> rows[] = {
        {"data:image/png;base64," + png.toBase64(), false, false, "image.png"},
        {"p.png", true, false, "p.png"},
        {"https://example.com/a.png", true, false, nullptr},
        {"https://example.com/a.png", true, true, "a.png"},
        {"p.png", true, true, nullptr}, // the caller's loader decides alone
    };
    for (const auto &[source, withBase, withLoader, name] : rows) {
        SCOPED_TRACE(source.constData());
        const QByteArray html =
            "x<a href=\"https://l.org/\"><img src=\"" + source + "\" alt=\"A\"></a>y";
        const auto s = attributedStringWithHTML(html, withBase ? base : QUrl(), nullptr,
                                                withLoader ? web : nullptr);
        ASSERT_TRUE(s && runsAreSound(*s));
        EXPECT_EQ(s->string(), name ? u16(u"x\uFFFCy") : QStringLiteral("xAy"));
        EXPECT_EQ(s->attributesAtIndex(1).attachment,
                  name ? std::optional(TextAttachment{name, "image/png", png}) : std::nullopt);
        EXPECT_TRUE(s->attributesAtIndex(1).link);
    }

    const auto s = read(
        R"(<head><link rel="stylesheet" href="s.css"></head><b>x</b><img src="p.png"><img src="p.png">)",
        base);
    ASSERT_TRUE(s && s->string() == u16(u"x\uFFFC\uFFFC"));
    EXPECT_EQ(s->attributesAtIndex(0), attrs().bolded());
    EXPECT_EQ(s->attributesAtIndex(2).attachment, (TextAttachment{"p.png", "image/png", png}));
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
