// Scanning runs of code units for one unit, eight units per step where SSE2 is available.
// Private to textlib: callers pass valid [begin, end) ranges.
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace textlib::detail {

#if defined(__SSE2__)
inline __m128i loadUnits(const char16_t *p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// One bit pair per unit of the eight at p that equals the needle.
inline std::uint32_t matchMask(const char16_t *p, __m128i needle) {
    return std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi16(loadUnits(p), needle)));
}
#endif

inline qsizetype countUnit(const char16_t *p, const char16_t *end, char16_t c) {
    qsizetype n = 0;
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi16(short(c));
    const __m128i ones = _mm_set1_epi16(1);
    while (end - p >= 8) {
        // Lane counters are signed 16-bit for the final madd, so fold them in before 0x7FFF.
        const qsizetype steps = std::min<qsizetype>((end - p) / 8, 0x7FFF);
        __m128i lanes = _mm_setzero_si128();
        for (qsizetype i = 0; i < steps; ++i, p += 8)
            lanes = _mm_sub_epi16(lanes, _mm_cmpeq_epi16(loadUnits(p), needle));
        alignas(16) std::int32_t sums[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(sums), _mm_madd_epi16(lanes, ones));
        n += qsizetype(sums[0]) + sums[1] + sums[2] + sums[3];
    }
#endif
    for (; p != end; ++p)
        n += *p == c;
    return n;
}

inline const char16_t *findUnit(const char16_t *p, const char16_t *end, char16_t c) {
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi16(short(c));
    for (; end - p >= 8; p += 8) {
        if (const std::uint32_t mask = matchMask(p, needle))
            return p + std::countr_zero(mask) / 2;
    }
#endif
    for (; p != end; ++p) {
        if (*p == c)
            return p;
    }
    return nullptr;
}

inline const char16_t *findLastUnit(const char16_t *begin, const char16_t *end, char16_t c) {
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi16(short(c));
    while (end - begin >= 8) {
        end -= 8;
        if (const std::uint32_t mask = matchMask(end, needle))
            return end + (31 - std::countl_zero(mask)) / 2;
    }
#endif
    while (end != begin) {
        if (*--end == c)
            return end;
    }
    return nullptr;
}

} // namespace textlib::detail
