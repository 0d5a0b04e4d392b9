// Character classes as flat membership bitmaps over the 65536 UTF-16 code units.
#pragma once

#include <QtGlobal>

#include <cstdint>
#include <limits>

namespace textlib {

/// Answer of the finding functions when nothing is found.
inline constexpr qsizetype NotFound = std::numeric_limits<qsizetype>::max();

/// 8192 bytes, one bit per code unit: unit c is a member when bit (c & 7) of byte (c >> 3) is set.
using CharacterSetRep = const std::uint8_t *;
inline constexpr qsizetype CharacterSetRepSize = 8192;

inline bool isMember(CharacterSetRep rep, char16_t c) {
    return (rep[c >> 3] >> (c & 7)) & 1u;
}

// Each rep is built on first use (thread-safe) and kept for the life of the process.
CharacterSetRep emptyCharacterSetRep();
/// Category Zs and TAB, plus NUL: blanks inside a line.
CharacterSetRep spaceCharacterSetRep();
/// Categories Z*, U+000A-U+000D and U+0085, plus NUL, U+0003, U+00A0, U+2028, U+2029, U+FEFF,
/// U+FFFC.
CharacterSetRep whiteCharacterSetRep();
/// Categories L* and M*.
CharacterSetRep alphaCharacterSetRep();
/// Categories L*, M* and N*.
CharacterSetRep alphaNumCharacterSetRep();
/// Category Nd.
CharacterSetRep digitCharacterSetRep();
/// Category Ll.
CharacterSetRep lowerCharacterSetRep();
/// Categories Lu and Lt.
CharacterSetRep upperCharacterSetRep();

/// Lowest member of alphaCharacterSetRep(), or 0 when it has none; computed once.
char16_t firstAlphaCharacter();
/// Highest member of alphaCharacterSetRep(), or 0 when it has none; computed once.
char16_t lastAlphaCharacter();

} // namespace textlib
