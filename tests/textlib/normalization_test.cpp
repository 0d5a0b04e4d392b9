#include "textlib/normalization.h"

#include "texttesting.h"

TEST(Normalization, ConvertsEveryUnit) {
    const TextOp formC{"C", [](QString &s) { normalizeString(s); },
                       [](const QString &s) { return normalizedString(s); }};
    const TextOp formKD{"KD", [](QString &s) { normalizeString(s, NormalForm::KD); },
                        [](const QString &s) { return normalizedString(s, NormalForm::KD); }};
    const TextOp fixed{"fixed", fixAndNormalizeString, fixedAndNormalizedString};
    const TextOp ascii{"ascii", nullptr, asciiString};
    using C = TextOpCase;
    expectTextOps({
        // Marks are reordered by combining class before composing.
        C{formC, u"e\u0301\u0327", u"\u0229\u0301"},
        C{formC, u"\xDC00o\u0301\xD800", u"\xDC00\u00F3\xD800"},
        // A compatibility form: one unit growing to 18 outgrows any first guess at the size.
        C{formKD, u"\uFDFA",
          u"\u0635\u0644\u0649 \u0627\u0644\u0644\u0647 \u0639\u0644\u064A\u0647 "
          u"\u0648\u0633\u0644\u0645"},
        // Each half of a pair becomes a space, and only the private block F400-F8FF does.
        C{fixed, u"\U0001F600a\u0308\0\uF3FF\uF400\uF8FF\xDC00"sv, u"  \u00E4 \uF3FF   "},
        C{{"ligatures", convertLigaturesToCharacters, nullptr},
          u"\uFB00\uFB01\uFB02\uFB03\uFB04\uFB05\uFB06 \u0132\u0133",
          u"fffiflffifflftst IJij"},
        // Without form C a combining mark is no letter and stays.
        C{ascii, u"a\u0308\u00DF\u20AC\U0001F600", u"a    "},
    });
}

// Long runs of combining marks: every pair composes, whatever the length (Qt's own normalizer
// took quadratic time here).
TEST(Normalization, ComposesLongRuns) {
    QString s;
    for (int i = 0; i < 100000; ++i)
        s += u"e\u0301";
    normalizeString(s);
    EXPECT_EQ(s, QString(100000, QChar(0x00E9)));
}
