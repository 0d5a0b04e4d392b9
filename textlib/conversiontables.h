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

inline char16_t toLower(char16_t c) {
    return initLowerCharsTable()[c];
}
inline char16_t toUpper(char16_t c) {
    return initUpperCharsTable()[c];
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
