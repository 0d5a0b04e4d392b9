#include "textlib/conversiontables.h"

#include "texttesting.h"

// A unit maps only to a one-unit full form (U+0130 lowers to two units, U+00DF uppers to two);
// titlecase lowers but never uppers; diacritics go only through canonical decompositions, to
// one unit (Hangul gives two, the fi ligature is compatibility only).
TEST(ConversionTables, RepresentativeUnits) {
    for (auto [c, lower, upper, plain, ascii] :
         {std::tuple{u'\u00C4', u'\u00E4', u'\u00C4', u'A', u'A'},
          {u'\u0130', u'\u0130', u'\u0130', u'I', u'I'},
          {u'\u01C5', u'\u01C6', u'\u01C5', u'\u01C5', u' '},
          {u'\u00DF', u'\u00DF', u'\u00DF', u'\u00DF', u' '},
          {u'\u017F', u'\u017F', u'S', u'\u017F', u' '},
          {u'\xD800', u'\xD800', u'\xD800', u'\xD800', u' '}}) {
        SCOPED_TRACE(unsigned(c));
        EXPECT_EQ(unsigned(toLower(c)), unsigned(lower));
        EXPECT_EQ(unsigned(toUpper(c)), unsigned(upper));
        EXPECT_EQ(unsigned(umlautsToAscii(c)), unsigned(plain));
        EXPECT_EQ(unsigned(umlautsToLowerAscii(c)), unsigned(toLower(plain)));
        EXPECT_EQ(unsigned(toAscii(c)), unsigned(ascii));
        EXPECT_EQ(QChar(toLowerAscii(c)), QChar(ascii).toLower());
    }
    EXPECT_TRUE(equalIgnoringCase(0x017F, u's') && hasCase(0x1E9E));
    EXPECT_FALSE(equalIgnoringCase(0x00DF, 0x1E9E) || hasCase(0x00DF));
}
