#include "styledtesting.h"

#include "styledtext/editing.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <limits>
#include <string_view>

namespace {

using Edit = std::function<void(AttributedString &)>;
using namespace std::string_view_literals;
using namespace Qt::StringLiterals;

const TextAttributes plain;
const TextAttributes bold = attrs().bolded();
const TextAttributes red = attrs().fg(0xff0000);
const TextAttachment picture{"a.png", "image/png", "png"};
constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();

// Every unit its own attributes: unit k has font size k + 1, so where each unit of an edited
// text took its attributes from reads back as the letters 'a' + k ('-' for the defaults).
AttributedString tagged(const QString &text) {
    AttributedString s;
    for (qsizetype k = 0; k < text.size(); ++k)
        s.append(AttributedString(text.mid(k, 1), attrs().size(double(k + 1))));
    return s;
}

QString tags(const AttributedString &s) {
    QString result;
    for (qsizetype k = 0; k < s.length(); ++k) {
        const auto size = s.attributesAtIndex(k).fontSize;
        result += size ? QChar(u'a' + int(*size) - 1) : QChar(u'-');
    }
    return result;
}

AttributedString withPicture(const TextAttributes &attributes = {}) {
    return AttributedString::withAttachment(picture, attributes);
}

struct EditCase {
    const char *name;
    std::u16string_view text;
    Edit edit;
    std::u16string_view expected;
    const char *expectedTags;
};

TEST(StyledEditingTest, CharacterEditsKeepEachUnitsAttributes) {
    const EditCase cases[] = {
        {"removeSpaces", u"a b\tc", [](auto &s) { removeSpaces(s); }, u"abc", "ace"},
        {"removeWhiteSpaces", u"\na \u00A0b\n", [](auto &s) { removeWhiteSpaces(s); }, u"ab", "be"},
        {"removeFeeds CR LF", u"a\r\nb", [](auto &s) { removeFeeds(s); }, u"ab", "ad"},
        {"removeTabs", u"\ta\t", [](auto &s) { removeTabs(s); }, u"a", "b"},
        {"removeCharacters", u"xaxxb", [](auto &s) { removeCharacters(s, u'x'); }, u"ab", "be"},
        {"removeCharactersOfString", u"> a|b", [](auto &s) { removeCharactersOfString(s, u">|"); },
         u" ab", "bce"},
        {"removeCharactersOfString null", u"ab",
         [](auto &s) { removeCharactersOfString(s, QStringView()); }, u"ab", "ab"},
        {"deleteString", u"xabyab", [](auto &s) { EXPECT_EQ(deleteString(s, "ab"), 2); }, u"xy",
         "ad"},
        {"removeCharacterAtIndex", u"abc", [](auto &s) { removeCharacterAtIndex(s, 1); }, u"ac",
         "ac"},
        {"removeCharacterAtIndex past end", u"abc", [](auto &s) { removeCharacterAtIndex(s, 3); },
         u"abc", "abc"},
        {"removeCharacterAtIndex negative", u"abc", [](auto &s) { removeCharacterAtIndex(s, -1); },
         u"abc", "abc"},
        {"trimCharacter", u"--a-b--", [](auto &s) { trimCharacter(s, u'-'); }, u"a-b", "cde"},
        {"trimPrefixCharacter", u"--a-", [](auto &s) { trimPrefixCharacter(s, u'-'); }, u"a-",
         "cd"},
        {"trimSuffixCharacter", u"-a--", [](auto &s) { trimSuffixCharacter(s, u'-'); }, u"-a",
         "ab"},
        {"trimFeeds", u"\na\n\r\n", [](auto &s) { trimFeeds(s); }, u"\na", "ab"},
        {"insertCharacter middle", u"ab", [](auto &s) { insertCharacter(s, u'x', 1); }, u"axb",
         "aab"},
        {"insertCharacter start takes the unit after", u"ab",
         [](auto &s) { insertCharacter(s, u'x', 0); }, u"xab", "aab"},
        {"insertCharacter end", u"ab", [](auto &s) { insertCharacter(s, u'x', 2); }, u"abx", "abb"},
        {"insertCharacter out of range", u"ab", [](auto &s) { insertCharacter(s, u'x', 3); }, u"ab",
         "ab"},
        {"insertCharacter into empty", u"", [](auto &s) { insertCharacter(s, u'x', 0); }, u"x",
         "-"},
        {"appendUnichar", u"ab", [](auto &s) { appendUnichar(s, u'z'); }, u"abz", "abb"},
        {"appendUnichar NUL", u"a", [](auto &s) { appendUnichar(s, u'\0'); }, u"a\0"sv, "aa"},
        {"appendUnichars", u"ab", [](auto &s) { appendUnichars(s, u"xy", 2); }, u"abxy", "abbb"},
        {"appendUnichars null", u"ab", [](auto &s) { appendUnichars(s, nullptr, 2); }, u"ab", "ab"},
        {"appendUnichars count 0", u"ab", [](auto &s) { appendUnichars(s, u"xy", 0); }, u"ab",
         "ab"},
        {"appendUnichar surrogates", u"a", [](auto &s) { appendUnichars(s, u"\U0001F600", 2); },
         u"a\U0001F600", "aaa"},
        {"appendSubstring", u"ab",
         [](auto &s) {
             appendSubstring(s, u"hello", {1, 3});
         },
         u"abell", "abbbb"},
        {"appendSubstring clipped", u"ab",
         [](auto &s) {
             appendSubstring(s, u"hello", {3, huge});
         },
         u"ablo", "abbb"},
        {"appendSubstring outside", u"ab",
         [](auto &s) {
             appendSubstring(s, u"hello", {9, 1});
         },
         u"ab", "ab"},
        {"appendTrimmedString", u"ab", [](auto &s) { appendTrimmedString(s, u" \tx y\n"); },
         u"abx y", "abbbb"},
        {"decodeTabs", u"a\tb", [](auto &s) { decodeTabs(s, 4); }, u"a   b", "abbbc"},
        {"decodeTabs several", u"a\tb\tc", [](auto &s) { decodeTabs(s, 4); }, u"a   b   c",
         "abbbcddde"},
        {"encodeTabs several", u"ab  cd  ef", [](auto &s) { encodeTabs(s, 4); }, u"ab\tcd\tef",
         "abcefgij"},
        {"normalizeString composes and maps", u"ae\u0301b\u212Bc",
         [](auto &s) { normalizeString(s); }, u"a\u00E9b\u00C5c", "abdef"},
        {"decodeTabs width 0", u"a\tb", [](auto &s) { decodeTabs(s, 0); }, u"a\tb", "abc"},
        {"encodeTabs", u"ab  c", [](auto &s) { encodeTabs(s, 4); }, u"ab\tc", "abce"},
        {"replaceCharacter", u"aba", [](auto &s) { EXPECT_EQ(replaceCharacter(s, u'a', u'b'), 2); },
         u"bbb", "abc"},
        {"replaceCharacter ignoring case", u"Aab",
         [](auto &s) { replaceCharacter(s, u'a', u'x', Qt::CaseInsensitive); }, u"xxb", "abc"},
        {"normalizeString composes", u"e\u0301x", [](auto &s) { normalizeString(s); }, u"\u00E9x",
         "ac"},
        {"normalizeString decomposes", u"\u00E9x",
         [](auto &s) { normalizeString(s, textlib::NormalForm::D); }, u"e\u0301x", "aab"},
        {"removeMultipleSpaces keeps the first unit", u"a\t  b",
         [](auto &s) { removeMultipleSpaces(s); }, u"a b", "abe"},
        {"removeMultipleSpaces lone tab", u"\ta", [](auto &s) { removeMultipleSpaces(s); }, u" a",
         "ab"},
        {"removeMultipleWhiteSpaces", u"a \n\u00A0b ",
         [](auto &s) { removeMultipleWhiteSpaces(s); }, u"a b ", "abef"},
        {"removeMultipleFeeds", u"a\r\n\r\nb\u2028", [](auto &s) { removeMultipleFeeds(s); },
         u"a\nb\n", "abfg"},
        {"removeMultipleFeeds leaves U+0003", u"a\u0003b", [](auto &s) { removeMultipleFeeds(s); },
         u"a\u0003b", "abc"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        AttributedString s = tagged(QString::fromUtf16(c.text.data(), c.text.size()));
        c.edit(s);
        EXPECT_EQ(s.string(), QString::fromUtf16(c.expected.data(), c.expected.size()));
        EXPECT_EQ(tags(s), QString::fromLatin1(c.expectedTags));
        EXPECT_TRUE(runsAreSound(s));
    }
}

TEST(StyledEditingTest, LongEditsKeepTheAttributesAfterThem) {
    // Differences longer than the full search still line up with the text after them.
    AttributedString s = styled({{QString(300, u'x'), bold}, {"ab", red}});
    removeCharacters(s, u'x');
    EXPECT_EQ(s, styled({{"ab", red}}));
    s = styled({{"\t", bold}, {"z", red}});
    decodeTabs(s, 1000);
    EXPECT_EQ(s, styled({{QString(1000, u' '), bold}, {"z", red}}));
    s = styled({{"a", bold}, {QString(500, u' ') + u'\t', plain}, {"b", red}});
    removeMultipleSpaces(s);
    EXPECT_EQ(s, styled({{"a", bold}, {" ", plain}, {"b", red}}));
}

TEST(StyledEditingTest, AttachmentsNeverSpreadToOtherUnits) {
    const Edit edits[] = {
        [](auto &s) { appendUnichar(s, u'x'); },
        [](auto &s) { insertCharacter(s, u'x', 1); },
        [](auto &s) { insertCharacter(s, u'x', 0); },
        [](auto &s) { appendString(s, QStringLiteral("x")); },
        [](auto &s) { insertString(s, QStringLiteral("x"), 0); },
        [](auto &s) { replaceCharacter(s, u'\uFFFC', u'x'); },
        [](auto &s) { removeMultipleWhiteSpaces(s); },
        [](auto &s) { replaceString(s, QString(QChar(0xFFFC)), QStringLiteral("x")); },
    };
    for (const Edit &edit : edits) {
        AttributedString s = withPicture(bold);
        edit(s);
        qsizetype carriers = 0;
        for (qsizetype k = 0; k < s.length(); ++k) {
            if (s.attributesAtIndex(k).attachment) {
                EXPECT_EQ(s.string()[k], QChar(0xFFFC)) << k;
                ++carriers;
            }
            EXPECT_TRUE(s.attributesAtIndex(k).bold);
        }
        EXPECT_LE(carriers, 1);
        EXPECT_TRUE(runsAreSound(s));
    }
}

TEST(StyledEditingTest, SetAttributeWorksRunByRun) {
    const QVariant blue = QVariant::fromValue(QColor(Qt::blue));
    const TextAttributes boldBlue = attrs().bolded().fg(0xff0000ff);
    const TextAttributes redBlue = attrs().fg(0xff0000ff);
    const TextAttributes blueOnly = attrs().fg(0xff0000ff);
    struct {
        qsizetype location, length;
        QVariant value;
        AttributedString expected;
    } cases[] = {
        {1, 3, blue, styled({{"a", bold}, {"bc", boldBlue}, {"d", redBlue}, {"e", red}})},
        {0, huge, blue, styled({{"abc", boldBlue}, {"de", blueOnly}})},
        {-5, 6, blue, styled({{"a", boldBlue}, {"bc", bold}, {"de", red}})},
        {4, -1, blue, styled({{"abc", bold}, {"de", red}})},
        {5, 2, blue, styled({{"abc", bold}, {"de", red}})},
        {huge, huge, blue, styled({{"abc", bold}, {"de", red}})},
        // removing: bold stays, only the colour goes; a value of another type removes too
        {2, 2, QVariant(), styled({{"abc", bold}, {"d", plain}, {"e", red}})},
        {2, 2, QVariant(7), styled({{"abc", bold}, {"d", plain}, {"e", red}})},
    };
    for (const auto &c : cases) {
        AttributedString s = styled({{"abc", bold}, {"de", red}});
        setAttribute(s, Attribute::ForegroundColor, c.value, c.location, c.length);
        EXPECT_EQ(s, c.expected) << c.location << "," << c.length;
        EXPECT_TRUE(runsAreSound(s));
    }
    AttributedString empty;
    setAttribute(empty, Attribute::Link, QVariant::fromValue(QUrl("http://x")), 0, 5);
    EXPECT_TRUE(empty.runs().isEmpty());
}

TEST(StyledEditingTest, OverrideAndRemoveAttributes) {
    const AttributeDictionary dictionary{
        {Attribute::UnderlineStyle, 1}, {Attribute::ForegroundColor, QVariant()}, // removes
    };
    AttributedString s = styled({{"ab", bold}, {"cd", red}});
    overrideAttributes(s, dictionary, 1, 2);
    EXPECT_EQ(s, styled({{"a", bold},
                         {"b", attrs().bolded().underlined()},
                         {"c", attrs().underlined()},
                         {"d", red}}));
    overrideAttributes(s, {});
    EXPECT_EQ(s.runs().size(), 4);
    overrideAttributes(s, {{Attribute::Font, QVariant()}});
    EXPECT_EQ(s, styled({{"a", plain}, {"bc", attrs().underlined()}, {"d", red}}));
    removeAttribute(s, Attribute::UnderlineStyle);
    removeAttribute(s, Attribute::Cursor); // never held: nothing
    EXPECT_EQ(s, styled({{"abc", plain}, {"d", red}}));
}

TEST(StyledEditingTest, LinesKeepTheirTerminatorsAndAttributes) {
    struct {
        AttributedString text;
        QList<AttributedString> expected;
    } cases[] = {
        {AttributedString(), {}},
        {styled({{"a\r", bold}, {"\nb\n", red}}),
         {styled({{"a\r", bold}, {"\n", red}}), styled({{"b\n", red}})}},
        {styled({{"a\rb", plain}}), {styled({{"a\r", plain}}), styled({{"b", plain}})}},
        {styled({{"\n\n", plain}}), {styled({{"\n", plain}}), styled({{"\n", plain}})}},
        {styled({{u16(u"a\uFFFCb\u0003c\u2028"), bold}}),
         {styled({{u16(u"a\uFFFCb\u0003"), bold}}), styled({{u16(u"c\u2028"), bold}})}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lines(c.text), c.expected);
}

TEST(StyledEditingTest, FirstLineAndFeedOfLine) {
    using Maybe = std::optional<AttributedString>;
    struct {
        AttributedString text;
        Maybe first, feed;
    } cases[] = {
        {AttributedString(), std::nullopt, std::nullopt},
        {styled({{"\nx", bold}}), std::nullopt, std::nullopt},
        {styled({{"abc", bold}}), styled({{"abc", bold}}), std::nullopt},
        {styled({{"ab", bold}, {"c\r", red}, {"\n", plain}}), styled({{"ab", bold}, {"c", red}}),
         styled({{"\r", red}, {"\n", plain}})},
        {styled({{"\r\n", red}}), std::nullopt, styled({{"\r\n", red}})},
        {styled({{u16(u"a\u0003b\uFFFC"), red}}), styled({{u16(u"a\u0003b\uFFFC"), red}}),
         std::nullopt},
        {styled({{u"x\uFEFF"_s, red}}), styled({{"x", red}}),
         styled({{QString(QChar(0xFEFF)), red}})},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(firstLine(c.text), c.first);
        EXPECT_EQ(feedOfLine(c.text), c.feed);
        EXPECT_EQ(hasFeedOfLine(c.text), c.feed.has_value());
    }
    EXPECT_EQ(lastCharacter(AttributedString()), u'\0');
    EXPECT_EQ(lastCharacter(styled({{"ab", red}})), u'b');
}

TEST(StyledEditingTest, LinksAndAttachmentsAreMade) {
    const QUrl url("http://example.com/a b");
    const auto link = attributedStringWithLink(url);
    ASSERT_TRUE(link);
    EXPECT_EQ(*link, AttributedString("http://example.com/a%20b", linkAttributes(url)));
    EXPECT_EQ(link->attributesAtIndex(0).foregroundColor, linkColor());
    EXPECT_TRUE(link->attributesAtIndex(0).underline);
    QFont font("Helvetica", 14);
    const auto described = attributedStringWithLink(QStringLiteral("http://x.org"), "X", font);
    ASSERT_TRUE(described);
    EXPECT_EQ(described->string(), "X");
    EXPECT_EQ(described->attributesAtIndex(0).fontSize, 14);
    EXPECT_EQ(attributedStringWithLink(QStringLiteral("mail.org"))->string(), "mail.org");
    for (const QVariant &bad : {QVariant(), QVariant(QString()), QVariant(QUrl()), QVariant(42)})
        EXPECT_FALSE(attributedStringWithLink(bad, "shown"));

    EXPECT_FALSE(attributedStringWithAttachmentContents({}, "a.png"));
    EXPECT_FALSE(attributedStringWithAttachmentContents("x", QString()));
    const auto card = attributedStringWithAttachmentContents("BEGIN:VCARD", "Ann.VCF");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->string(), u16(u"\uFFFC"));
    EXPECT_EQ(card->attributesAtIndex(0).attachment->preferredFilename, "Ann.VCF");

    QTemporaryDir dir;
    QFile file(dir.filePath("note.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();
    const auto attached = attributedStringWithAttachmentAtPath(file.fileName());
    ASSERT_TRUE(attached);
    EXPECT_EQ(*attached->attributesAtIndex(0).attachment,
              (TextAttachment{"note.txt", "text/plain", "hello"}));
    for (const QString &bad : {QString(), QString(""), dir.path(), dir.filePath("missing")})
        EXPECT_FALSE(attributedStringWithAttachmentAtPath(bad)) << bad.toStdString();
}

TEST(StyledEditingTest, NumberOfAttachmentsLeavesOutContactCards) {
    struct {
        TextAttachment attachment;
        bool isCard;
    } cases[] = {
        {{"a.png", "image/png", "x"}, false}, {{"b", "text/vcard", "x"}, true},
        {{"c", "TEXT/X-VCARD", "x"}, true},   {{"d.VCF", "", "x"}, true},
        {{"e.vcf.txt", "", "x"}, false},
    };
    AttributedString s;
    for (const auto &c : cases) {
        EXPECT_EQ(isEmailContactCard(c.attachment), c.isCard)
            << c.attachment.preferredFilename.toStdString();
        s.append(AttributedString::withAttachment(c.attachment));
    }
    s.append(withPicture()); // equal to its neighbour: one run, two attachments
    s.append(withPicture());
    s.append(styled({{u16(u"\uFFFC"), plain}})); // no attachment behind it
    EXPECT_EQ(numberOfAttachments(s), 4);
    EXPECT_EQ(numberOfAttachments(AttributedString()), 0);
}

TEST(StyledEditingTest, ContainsSubstring) {
    const AttributedString s = styled({{"ab", bold}, {QString::fromUtf16(u"c\0d", 3), red}});
    EXPECT_TRUE(containsSubstring(s, u"bc"));
    EXPECT_TRUE(containsSubstring(s, u"\0d"sv));
    EXPECT_FALSE(containsSubstring(s, u"\0e"sv));
    EXPECT_FALSE(containsSubstring(s, u"BC"));
    EXPECT_FALSE(containsSubstring(s, QStringView()));
    EXPECT_FALSE(containsSubstring(s, u""));
    EXPECT_FALSE(containsSubstring(AttributedString(), u"a"));
}

TEST(StyledEditingTest, InsertAppendAndSet) {
    struct {
        const char *name;
        Edit edit;
        AttributedString expected;
    } cases[] = {
        {"insert plain", [](auto &s) { insertString(s, QStringLiteral("x"), 2); },
         styled({{"abx", bold}, {"c", red}})},
        {"insert plain at -1", [](auto &s) { insertString(s, QStringLiteral("x"), -1); },
         styled({{"xab", bold}, {"c", red}})},
        {"insert plain past the end", [](auto &s) { insertString(s, QStringLiteral("x"), huge); },
         styled({{"ab", bold}, {"cx", red}})},
        {"insert null", [](auto &s) { insertString(s, QString(), 1); },
         styled({{"ab", bold}, {"c", red}})},
        {"insert styled",
         [](auto &s) {
             insertString(s, styled({{"x", plain}}), 1);
         },
         styled({{"a", bold}, {"x", plain}, {"b", bold}, {"c", red}})},
        {"insert with attributes", [](auto &s) { insertString(s, QStringLiteral("x"), 0, red); },
         styled({{"x", red}, {"ab", bold}, {"c", red}})},
        {"append plain", [](auto &s) { appendString(s, QStringLiteral("x")); },
         styled({{"ab", bold}, {"cx", red}})},
        {"append null", [](auto &s) { appendString(s, QString()); },
         styled({{"ab", bold}, {"c", red}})},
        {"append with attributes", [](auto &s) { appendString(s, QStringLiteral("x"), bold); },
         styled({{"ab", bold}, {"c", red}, {"x", bold}})},
        {"append format", [](auto &s) { appendFormat(s, QStringLiteral("=%1").arg(5)); },
         styled({{"ab", bold}, {"c=5", red}})},
        {"append format with attributes", [](auto &s) { appendFormat(s, plain, QString("")); },
         styled({{"ab", bold}, {"c", red}})},
        {"set plain", [](auto &s) { setString(s, QStringLiteral("xy")); }, styled({{"xy", bold}})},
        {"set styled",
         [](auto &s) {
             setString(s, styled({{"q", red}}));
         },
         styled({{"q", red}})},
        {"set with attributes", [](auto &s) { setString(s, QStringLiteral("q"), plain); },
         styled({{"q", plain}})},
        {"insert as link", [](auto &s) { insertStringAsLink(s, QStringLiteral("http://x"), 1); },
         styled({{"a", bold},
                 {"http://x", linkAttributes(QUrl("http://x"))},
                 {"b", bold},
                 {"c", red}})},
        {"append as link on colour",
         [](auto &s) { appendStringAsLink(s, QStringLiteral("http://x"), QColor(Qt::yellow)); },
         [] {
             TextAttributes a = linkAttributes(QUrl("http://x"));
             a.backgroundColor = QColor(Qt::yellow);
             return styled({{"ab", bold}, {"c", red}, {"http://x", a}});
         }()},
        {"append empty as link", [](auto &s) { appendStringAsLink(s, QString()); },
         styled({{"ab", bold}, {"c", red}})},
        {"append with link",
         [](auto &s) {
             appendString(s, QStringLiteral("go"), QUrl("http://x"), std::nullopt, QColor(Qt::red),
                          Underline::No, std::nullopt);
         },
         styled({{"ab", bold}, {"c", red}, {"go", attrs().fg(0xffff0000).linkTo("http://x")}})},
        {"insert with link",
         [](auto &s) {
             insertString(s, QStringLiteral("go"), QUrl(), QFont("Courier", 9), std::nullopt,
                          Underline::Yes, std::nullopt, 0);
         },
         styled({{"go", attrs().font("Courier").size(9).underlined()}, {"ab", bold}, {"c", red}})},
    };
    for (const auto &c : cases) {
        AttributedString s = styled({{"ab", bold}, {"c", red}});
        c.edit(s);
        EXPECT_EQ(s, c.expected) << c.name;
        EXPECT_TRUE(runsAreSound(s)) << c.name;
    }
    AttributedString empty;
    setString(empty, QStringLiteral("x"));
    EXPECT_EQ(empty, styled({{"x", plain}}));
}

TEST(StyledEditingTest, RemoveAttachmentsAndLinks) {
    AttributedString s = withPicture(bold);
    s.append(styled({{" two ", red}}));
    s.append(withPicture());
    s.append(styled({{"!", bold}, {u16(u"\uFFFC"), plain}}));
    removeAttachments(s);
    EXPECT_EQ(s, styled({{" two ", red}, {"!", bold}, {u16(u"\uFFFC"), plain}}));

    TextAttributes link = linkAttributes(QUrl("http://x"));
    link.bold = true;
    s = styled({{"see ", red}, {"here", link}, {".", red}});
    removeLinks(s);
    EXPECT_EQ(s, styled({{"see ", red}, {"here", bold}, {".", red}}));
}

TEST(StyledEditingTest, CaseChangesRunByRun) {
    struct {
        void (*change)(AttributedString &);
        AttributedString expected;
    } cases[] = {
        {uppercase, styled({{"ONE TW", plain}, {"O THREE", bold}, {"SS", red}})},
        {lowercase, styled({{"one tw", plain}, {"o three", bold}, {u16(u"\u00DF"), red}})},
        // capitalisation starts anew in every run: "tW" + "O thREE" gives "Tw" + "O Three"
        {capitalize, styled({{"One Tw", plain}, {"O Three", bold}, {u16(u"\u00DF"), red}})},
    };
    for (const auto &c : cases) {
        AttributedString s = styled({{"oNe tW", plain}, {"O thREE", bold}, {u16(u"\u00DF"), red}});
        c.change(s);
        EXPECT_EQ(s, c.expected);
    }
    AttributedString empty;
    capitalize(empty);
    EXPECT_TRUE(empty.runs().isEmpty());
}

TEST(StyledEditingTest, ReplaceString) {
    struct {
        const char *name;
        QString target, replacement;
        Qt::CaseSensitivity cs;
        qsizetype count;
        AttributedString expected;
    } cases[] = {
        {"ignoring case", "ab", "x", Qt::CaseInsensitive, 3,
         styled({{"x-x", bold}, {"-x", plain}})},
        {"case-sensitive", "ab", "x", Qt::CaseSensitive, 1,
         styled({{"x-A", bold}, {"b", red}, {"-aB", plain}})},
        {"replacement holding the target", "ab", "abab", Qt::CaseSensitive, 1,
         styled({{"abab-A", bold}, {"b", red}, {"-aB", plain}})},
        {"null replacement deletes", "-", QString(), Qt::CaseSensitive, 2,
         styled({{"abA", bold}, {"b", red}, {"aB", plain}})},
        {"null target", QString(), "x", Qt::CaseSensitive, 0,
         styled({{"ab-A", bold}, {"b", red}, {"-aB", plain}})},
        {"absent", "zz", "x", Qt::CaseInsensitive, 0,
         styled({{"ab-A", bold}, {"b", red}, {"-aB", plain}})},
    };
    for (const auto &c : cases) {
        AttributedString s = styled({{"ab-A", bold}, {"b", red}, {"-aB", plain}});
        EXPECT_EQ(replaceString(s, c.target, c.replacement, c.cs), c.count) << c.name;
        EXPECT_EQ(s, c.expected) << c.name;
        EXPECT_TRUE(runsAreSound(s)) << c.name;
    }
}

TEST(StyledEditingTest, ReplaceStringWithLinkOrStyledText) {
    const TextAttributes linked = attrs().bolded().linkTo("http://x.org");
    struct {
        QVariant link;
        QString description;
        qsizetype count;
        AttributedString expected;
    } cases[] = {
        {QUrl("http://x.org"), "X", 2, styled({{"X", linked}, {" and ", bold}, {"X", linked}})},
        {QStringLiteral("http://x.org"), QString(), 2,
         styled({{"http://x.org", linked}, {" and ", bold}, {"http://x.org", linked}})},
        {QVariant(), "X", 0, styled({{"[x] and [X]", bold}})},
    };
    for (const auto &c : cases) {
        AttributedString s = styled({{"[x] and [X]", bold}});
        EXPECT_EQ(replaceString(s, "[x]", c.link, c.description, Qt::CaseInsensitive), c.count);
        EXPECT_EQ(s, c.expected);
    }

    const TextAttributes spaced = attrs().after(12);
    AttributedString s = styled({{"a ", plain}, {"$v", spaced}, {" $v", bold}});
    EXPECT_EQ(replaceString(s, "$v", styled({{"1", red}, {"2", plain}})), 2);
    TextAttributes redSpaced = spaced;
    redSpaced.foregroundColor = QColor(Qt::red);
    EXPECT_EQ(s, styled({{"a ", plain},
                         {"1", redSpaced},
                         {"2", spaced},
                         {" ", bold},
                         {"1", red},
                         {"2", plain}}));
    EXPECT_EQ(replaceString(s, QString(), styled({{"x", plain}})), 0);
}

TEST(StyledEditingTest, TrimWhiteSpacesAndAttachments) {
    const AttributedString middle = styled({{"a b", red}});
    struct {
        AttributedString text;
        Attachments attachments;
        AttributedString expected;
    } cases[] = {
        {AttributedString(), Attachments::Trim, AttributedString()},
        {styled({{" \n", bold}, {"a b", red}, {"\t\u00A0", bold}}), Attachments::Trim, middle},
        {[] {
             AttributedString s = withPicture();
             s.append(styled({{" a b ", red}}));
             s.append(withPicture());
             return s;
         }(),
         Attachments::Trim, middle},
        {[] {
             AttributedString s = styled({{" ", red}});
             s.append(withPicture());
             s.append(styled({{" a b", red}}));
             return s;
         }(),
         Attachments::Keep,
         [] {
             AttributedString s = withPicture();
             s.append(styled({{" a b", red}}));
             return s;
         }()},
        {styled({{" \n ", bold}}), Attachments::Trim, AttributedString()},
    };
    for (const auto &c : cases) {
        AttributedString s = c.text;
        trimWhiteSpacesAndAttachments(s, c.attachments);
        EXPECT_EQ(s, c.expected);
    }
    AttributedString s = styled({{u16(u"\uFFFC x"), red}}); // no attachment behind the U+FFFC
    trimWhiteSpaces(s);
    EXPECT_EQ(s, styled({{"x", red}}));
}

} // namespace
