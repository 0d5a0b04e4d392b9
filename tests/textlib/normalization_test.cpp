#include "textlib/normalization.h"

#include "texttesting.h"

#include <gtest/gtest.h>

using namespace std::literals;
using namespace textlib;

namespace {

template<NormalForm Form> void normalize(QString &s) {
    normalizeString(s, Form);
}
template<NormalForm Form> QString normalized(const QString &s) {
    return normalizedString(s, Form);
}
const TextOp formC{"C", [](QString &s) { normalizeString(s); },
                   [](const QString &s) { return normalizedString(s); }};
const TextOp formD{"D", normalize<NormalForm::D>, normalized<NormalForm::D>};
const TextOp formKD{"KD", normalize<NormalForm::KD>, normalized<NormalForm::KD>};
const TextOp formKC{"KC", normalize<NormalForm::KC>, normalized<NormalForm::KC>};
const TextOp lower{"lower", normalizeLowercaseString, normalizedLowercaseString};
const TextOp upper{"upper", normalizeUppercaseString, normalizedUppercaseString};
const TextOp fixed{"fixed", fixAndNormalizeString, fixedAndNormalizedString};
const TextOp ligatures{"ligatures", convertLigaturesToCharacters, nullptr};
const TextOp plain{"nonUmlauted", nullptr, nonUmlautedString};
const TextOp plainLower{"lowercaseNonUmlauted", nullptr, lowercaseNonUmlautedString};
const TextOp plainUpper{"uppercaseNonUmlauted", nullptr, uppercaseNonUmlautedString};
const TextOp plainC{"nonUmlautedNormalized", nullptr, nonUmlautedNormalizedString};
const TextOp plainLowerC{"lower...Normalized", nullptr, lowercaseNonUmlautedNormalizedString};
const TextOp plainUpperC{"upper...Normalized", nullptr, uppercaseNonUmlautedNormalizedString};
const TextOp ascii{"ascii", nullptr, asciiString};
const TextOp asciiLower{"lowercaseAscii", nullptr, lowercaseAsciiString};
const TextOp asciiUpper{"uppercaseAscii", nullptr, uppercaseAsciiString};

using C = TextOpCase;
TEST(Normalize, ConvertsEveryUnit) {
    expectTextOps({
        C{formC, u"a\u0308"sv, u"\u00E4"sv},
        // Marks are reordered by combining class before composing.
        C{formC, u"e\u0301\u0327"sv, u"\u0229\u0301"sv},
        // Forms C and D keep compatibility characters; the K forms do not.
        C{formKC, u"\uFB01\u00E4"sv, u"fi\u00E4"sv},
        C{formKD, u"\uFB01\u00E4"sv, u"fia\u0308"sv},
        C{formD, u"\uFB01\u00E4"sv, u"\uFB01a\u0308"sv},
        C{formC,
          u"\xDC00"
          u"e\u0301\xD800"sv,
          u"\xDC00\u00E9\xD800"sv},
        // One unit growing to 18 outgrows any first guess at the size.
        C{formKD, u"\uFDFA\uFDFA"sv,
          u"\u0635\u0644\u0649 \u0627\u0644\u0644\u0647 \u0639\u0644\u064A\u0647 "
          u"\u0648\u0633\u0644\u0645\u0635\u0644\u0649 \u0627\u0644\u0644\u0647 "
          u"\u0639\u0644\u064A\u0647 \u0648\u0633\u0644\u0645"sv},
        C{formD, {}, {}},
        C{lower, u"A\u0308BC\u0130"sv, u"\u00E4bci\u0307"sv},
        C{upper, u"stra\u00DFe"sv, u"STRASSE"sv},
        // Each half of a pair becomes a space, and only the private block F400-F8FF does.
        C{fixed, u"\U0001F600a\u0308\0"sv, u"  \u00E4 "sv},
        C{fixed, u"\uF3FF\uF400\uF8FF\xDC00"sv, u"\uF3FF   "sv},
        C{ligatures, u"\uFB00\uFB01\uFB02\uFB03\uFB04"sv, u"fffiflffiffl"sv},
        C{ligatures, u"\uFB05\uFB06 \u0132\u0133"sv, u"ftst IJij"sv},
        C{plain, u"\u00C4rger"sv, u"Arger"sv},
        // Without form C a combining mark is no letter and stays.
        C{plain, u"A\u0308"sv, u"A\u0308"sv},
        C{plainC, u"A\u0308"sv, u"A"sv},
        C{plainLower, u"\u00C4\u00DF"sv, u"a\u00DF"sv},
        C{plainUpper, u"\u00E4\u00DF"sv, u"A\u00DF"sv},
        C{plainLowerC, u"E\u0301"sv, u"e"sv},
        C{plainUpperC, u"e\u0301"sv, u"E"sv},
        C{ascii, u"a\u0308\u00DF\u20AC\U0001F600"sv, u"a    "sv},
        C{asciiLower, u"\u00C9COLE"sv, u"ecole"sv},
        C{asciiUpper, u"\u00E9t\u00E9"sv, u"ETE"sv},
        C{ascii, {}, {}},
    });
}

// Long runs of combining marks: every pair composes, whatever the length (Qt's own normalizer
// took quadratic time here).
TEST(NormalizeLongTest, ComposesLongRuns) {
    QString s;
    for (int i = 0; i < 100000; ++i)
        s += u"e\u0301";
    normalizeString(s);
    EXPECT_EQ(s, QString(100000, QChar(0x00E9)));
}

} // namespace
