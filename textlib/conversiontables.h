// Case and accent folding tables: one array load per code unit.
#pragma once

namespace textlib {

/// 65536 code units indexed by a code unit.
using ConversionTable = const char16_t *;

// Built on first use (thread-safe); the same pointer on every later call.
/// Maps each member of upperCharacterSetRep() to its full lowercase form when that is one unit;
/// every other unit (and every longer form, such as U+0130's) maps to itself.
ConversionTable initLowerCharsTable();
/// Maps each member of lowerCharacterSetRep() to its full uppercase form when that is one unit;
/// every other unit maps to itself, so U+00DF stays U+00DF.
ConversionTable initUpperCharsTable();

/// Maps each letter to its form without diacritics (canonical decomposition, combining marks
/// dropped) when that is one unit; case is kept, so U+00C4 gives "A".
ConversionTable initUmlautsCharsTable();
/// The lower table applied after the umlauts table.
ConversionTable initLowerUmlautsCharsTable();
/// The upper table applied after the umlauts table.
ConversionTable initUpperUmlautsCharsTable();

// One-unit mappings; each builds the table it reads on first use. Loops should fetch the table
// once and index it themselves.
inline char16_t toLower(char16_t c) {
    return initLowerCharsTable()[c];
}
inline char16_t toUpper(char16_t c) {
    return initUpperCharsTable()[c];
}
/// c without diacritics; not limited to ASCII despite the name (U+00DF stays U+00DF).
inline char16_t umlautsToAscii(char16_t c) {
    return initUmlautsCharsTable()[c];
}
/// c without diacritics, then uppercased; not limited to ASCII.
inline char16_t umlautsToUpperAscii(char16_t c) {
    return initUpperUmlautsCharsTable()[c];
}
/// c without diacritics, then lowercased; not limited to ASCII.
inline char16_t umlautsToLowerAscii(char16_t c) {
    return initLowerUmlautsCharsTable()[c];
}

/// The form of c without diacritics when that is ASCII, else a space.
inline char16_t toAscii(char16_t c) {
    const char16_t u = umlautsToAscii(c);
    return u <= 0x7F ? u : u' ';
}
/// toAscii() with a-z made A-Z.
inline char16_t toUpperAscii(char16_t c) {
    const char16_t u = toAscii(c);
    return u >= u'a' && u <= u'z' ? char16_t(u - 0x20) : u;
}
/// toAscii() with A-Z made a-z.
inline char16_t toLowerAscii(char16_t c) {
    const char16_t u = toAscii(c);
    return u >= u'A' && u <= u'Z' ? char16_t(u + 0x20) : u;
}

/// Whether a and b are the same unit once case is ignored (their upper-table forms agree).
inline bool equalIgnoringCase(char16_t a, char16_t b) {
    const ConversionTable upper = initUpperCharsTable();
    return upper[a] == upper[b];
}

/// Whether c has a different form in the two case tables. A unit without case matches only
/// itself when case is ignored, so callers may compare it exactly.
inline bool hasCase(char16_t c) {
    return toUpper(c) != toLower(c);
}

} // namespace textlib
