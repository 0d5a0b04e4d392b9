#include "lines.h"

#include <QList>

#if defined(__SSE2__)
#include <emmintrin.h>

#include <bit>
#include <cstdint>
#endif

namespace textlib {

namespace {

// First line break in [p, end), or end. Text is mostly not breaks, so eight units are tested
// at once for the exact set.
const char16_t *findFeed(const char16_t *p, const char16_t *end) {
#if defined(__SSE2__)
    const __m128i etx = _mm_set1_epi16(0x0003);
    const __m128i lf = _mm_set1_epi16(0x000A);
    const __m128i ffOrCr = _mm_set1_epi16(0x000C);
    const __m128i separators = _mm_set1_epi16(0x2028);
    const __m128i bom = _mm_set1_epi16(short(0xFEFF));
    const __m128i object = _mm_set1_epi16(short(0xFFFC));
    const __m128i pairMask = _mm_set1_epi16(short(0xFFFE));
    for (; end - p >= 8; p += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        // Clearing bit 0 folds FF with CR and U+2028 with U+2029.
        const __m128i even = _mm_and_si128(v, pairMask);
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(v, etx), _mm_cmpeq_epi16(v, lf));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(even, ffOrCr));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(even, separators));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, bom));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, object));
        if (const auto mask = std::uint32_t(_mm_movemask_epi8(hit)))
            return p + std::countr_zero(mask) / 2;
    }
#endif
    while (p != end && !isFeed(*p))
        ++p;
    return p;
}

// End of the line whose break is at p: one past it, or past the LF of a CR LF.
const char16_t *afterBreak(const char16_t *p, const char16_t *end) {
    return *p == u'\r' && p + 1 != end && p[1] == u'\n' ? p + 2 : p + 1;
}

} // namespace

QStringList lines(QStringView s) {
    QStringList result;
    const char16_t *start = s.utf16();
    const char16_t *const end = start + s.size();
    for (const char16_t *p = start; (p = findFeed(p, end)) != end; start = p) {
        p = afterBreak(p, end);
        result.append(QStringView(start, p).toString());
    }
    if (start != end)
        result.append(QStringView(start, end).toString());
    return result;
}

qsizetype numberOfLines(QStringView s) {
    const char16_t *start = s.utf16();
    const char16_t *const end = start + s.size();
    qsizetype n = 0;
    for (const char16_t *p = start; (p = findFeed(p, end)) != end; start = p, ++n)
        p = afterBreak(p, end);
    return n + (start != end);
}

QString firstLine(const QString &s) {
    // QString::utf16() may reallocate literal data; the view never does.
    const char16_t *begin = QStringView(s).utf16();
    const char16_t *feed = findFeed(begin, begin + s.size());
    return feed == begin + s.size() ? s : QStringView(begin, feed).toString();
}

QString feedOfLine(const QString &s) {
    qsizetype start = s.size();
    while (start > 0 && isFeed(s.at(start - 1).unicode()))
        --start;
    return start == 0 ? s : s.sliced(start);
}

bool hasFeedOfLine(QStringView s) {
    return !s.isEmpty() && isFeed(s.back().unicode());
}

} // namespace textlib
