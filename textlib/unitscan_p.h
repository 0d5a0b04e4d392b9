// Scanning runs of code units for one unit, eight units per step where SSE2 is available.
// Private to textlib: callers pass valid [begin, end) ranges.
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <array>
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

/// Index of the first of the n positions where a and b differ, or n.
inline qsizetype firstDifference(const char16_t *a, const char16_t *b, qsizetype n) {
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; n - i >= 8; i += 8) {
        const std::uint32_t same =
            std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi16(loadUnits(a + i), loadUnits(b + i))));
        if (same != 0xFFFF)
            return i + std::countr_zero(~same) / 2;
    }
#endif
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

/// Up to four units, each of which counts as a match at one position (a unit and its case
/// partners). Slots past count repeat units[0], so all four can be compared blindly.
struct UnitChoice {
    std::array<char16_t, 4> units{};
    int count = 0;

    explicit UnitChoice(char16_t c)
        : units{c, c, c, c}
        , count(1) {}
    bool add(char16_t c) {
        if (contains(c))
            return true;
        if (count == 4)
            return false;
        units[count++] = c;
        return true;
    }
    bool contains(char16_t c) const {
        return std::find(units.begin(), units.begin() + count, c) != units.begin() + count;
    }
};

/// Returns the first q in [p, end) with q[0] in first, q[gap] in second and accept(q) true, or
/// null. q[gap] must be readable for every q before end. Eight positions are filtered per step
/// on both units, so accept() sees few candidates even when the first unit is common. Lanes is 1
/// when both choices hold one unit, else 4.
template<int Lanes, typename Accept>
const char16_t *findUnitPairs(const char16_t *p, const char16_t *end, const UnitChoice &first,
                              qsizetype gap, const UnitChoice &second, Accept accept) {
    static_assert(Lanes == 1 || Lanes == 4);
#if defined(__SSE2__)
    __m128i firsts[Lanes];
    __m128i seconds[Lanes];
    for (int i = 0; i < Lanes; ++i) {
        firsts[i] = _mm_set1_epi16(short(first.units[i]));
        seconds[i] = _mm_set1_epi16(short(second.units[i]));
    }
    for (; end - p >= 8; p += 8) {
        const __m128i here = loadUnits(p);
        const __m128i there = loadUnits(p + gap);
        __m128i atFirst = _mm_cmpeq_epi16(here, firsts[0]);
        __m128i atSecond = _mm_cmpeq_epi16(there, seconds[0]);
        for (int i = 1; i < Lanes; ++i) {
            atFirst = _mm_or_si128(atFirst, _mm_cmpeq_epi16(here, firsts[i]));
            atSecond = _mm_or_si128(atSecond, _mm_cmpeq_epi16(there, seconds[i]));
        }
        // One bit per lane: the low byte's.
        std::uint32_t mask =
            std::uint32_t(_mm_movemask_epi8(_mm_and_si128(atFirst, atSecond))) & 0x5555u;
        for (; mask; mask &= mask - 1) {
            const char16_t *q = p + std::countr_zero(mask) / 2;
            if (accept(q))
                return q;
        }
    }
#endif
    for (; p < end; ++p) {
        if (first.contains(p[0]) && second.contains(p[gap]) && accept(p))
            return p;
    }
    return nullptr;
}

} // namespace textlib::detail
