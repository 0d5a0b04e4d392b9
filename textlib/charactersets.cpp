#include "charactersets.h"

#include <QChar>

#include <array>
#include <bit>

namespace textlib {

namespace {

using Bitmap = std::array<std::uint8_t, CharacterSetRepSize>;

// Sets the bit of every unit whose general category passes the filter. Surrogate units stand
// for no character, so they are never members.
template<typename Filter> Bitmap bitmapOfCategories(Filter inClass) {
    Bitmap bits{};
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (inClass(QChar::category(c)))
            bits[c >> 3] |= std::uint8_t(1u << (c & 7));
    }
    return bits;
}

bool isLetterOrMark(QChar::Category cat) {
    return (cat >= QChar::Mark_NonSpacing && cat <= QChar::Mark_Enclosing)
           || (cat >= QChar::Letter_Uppercase && cat <= QChar::Letter_Other);
}

bool isNumber(QChar::Category cat) {
    return cat >= QChar::Number_DecimalDigit && cat <= QChar::Number_Other;
}

// The separators of the Basic Multilingual Plane: space (Zs), then line and paragraph (Zl,
// Zp). Unchanged since Unicode 6.3; listed because scanning every unit's category costs the
// command a third of a millisecond at start. The tests hold them against Qt's categories.
constexpr char16_t SpaceSeparators[] = {0x0020, 0x00A0, 0x1680, 0x2000, 0x2001, 0x2002,
                                        0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
                                        0x2009, 0x200A, 0x202F, 0x205F, 0x3000};
constexpr char16_t LineAndParagraphSeparators[] = {0x2028, 0x2029};

void set(Bitmap &bits, char16_t c) {
    bits[c >> 3] |= std::uint8_t(1u << (c & 7));
}

} // namespace

CharacterSetRep emptyCharacterSetRep() {
    static constinit const Bitmap bits{};
    return bits.data();
}

CharacterSetRep spaceCharacterSetRep() {
    static const Bitmap bits = [] {
        Bitmap b{};
        for (char16_t c : SpaceSeparators)
            set(b, c);
        b[0] |= 0x01; // NUL
        b[1] |= 0x02; // TAB
        return b;
    }();
    return bits.data();
}

CharacterSetRep whiteCharacterSetRep() {
    static const Bitmap bits = [] {
        Bitmap b{};
        for (char16_t c : SpaceSeparators)
            set(b, c);
        for (char16_t c : LineAndParagraphSeparators)
            set(b, c);
        for (char16_t c : {u'\x0A', u'\x0B', u'\x0C', u'\x0D', u'\x85'})
            set(b, c);
        b[0] |= 0x09;    // NUL, U+0003
        b[1] |= 0x36;    // TAB, LF, FF, CR
        b[20] |= 0x01;   // U+00A0
        b[1029] |= 0x03; // U+2028, U+2029
        b[8159] |= 0x80; // U+FEFF
        b[8191] |= 0x10; // U+FFFC
        return b;
    }();
    return bits.data();
}

CharacterSetRep alphaCharacterSetRep() {
    static const Bitmap bits = bitmapOfCategories(isLetterOrMark);
    return bits.data();
}

CharacterSetRep alphaNumCharacterSetRep() {
    static const Bitmap bits = bitmapOfCategories(
        [](QChar::Category cat) { return isLetterOrMark(cat) || isNumber(cat); });
    return bits.data();
}

CharacterSetRep digitCharacterSetRep() {
    static const Bitmap bits =
        bitmapOfCategories([](QChar::Category cat) { return cat == QChar::Number_DecimalDigit; });
    return bits.data();
}

CharacterSetRep lowerCharacterSetRep() {
    static const Bitmap bits =
        bitmapOfCategories([](QChar::Category cat) { return cat == QChar::Letter_Lowercase; });
    return bits.data();
}

CharacterSetRep upperCharacterSetRep() {
    static const Bitmap bits = bitmapOfCategories([](QChar::Category cat) {
        return cat == QChar::Letter_Uppercase || cat == QChar::Letter_Titlecase;
    });
    return bits.data();
}

namespace {

// Bytes are walked in the given direction and, within a byte, its bits in the same direction.
char16_t extremeMember(CharacterSetRep rep, bool lowest) {
    for (int i = 0; i < CharacterSetRepSize; ++i) {
        const int byte = lowest ? i : CharacterSetRepSize - 1 - i;
        if (const unsigned bits = rep[byte]) {
            const int bit = lowest ? std::countr_zero(bits) : 31 - std::countl_zero(bits);
            return char16_t(byte * 8 + bit);
        }
    }
    return 0;
}

} // namespace

char16_t firstAlphaCharacter() {
    static const char16_t first = extremeMember(alphaCharacterSetRep(), true);
    return first;
}

char16_t lastAlphaCharacter() {
    static const char16_t last = extremeMember(alphaCharacterSetRep(), false);
    return last;
}

} // namespace textlib
