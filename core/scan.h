#pragma once
// Byte scanning sixteen bytes at a time, for the loops that walk a whole
// library file: the reader spends most of its time looking for the few bytes
// that matter (braces, quotes, line ends) among ordinary text. Each helper
// has a plain loop for machines without SSE2 and for the last few bytes.

#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lorix::scan {

#if defined(__SSE2__)
inline __m128i Load16(const char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

template <char... Cs> inline __m128i MatchAny(__m128i v)
{
    return (_mm_cmpeq_epi8(v, _mm_set1_epi8(Cs)) | ...);
}
#endif

// Position of the first byte in [from, to) that is one of Cs; to when none is.
template <char... Cs> inline size_t FindFirstOf(const char* p, size_t from, size_t to)
{
    size_t i = from;
#if defined(__SSE2__)
    for (; i + 16 <= to; i += 16) {
        const int m = _mm_movemask_epi8(MatchAny<Cs...>(Load16(p + i)));
        if (m != 0)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(m)));
    }
#endif
    for (; i < to; ++i)
        if (((p[i] == Cs) || ...))
            return i;
    return to;
}

// Number of line ends among the positions [from, to) of buf: every LF, and
// every CR that is not followed by an LF (a CR at the very end of buf counts).
inline size_t CountLineEnds(std::string_view buf, size_t from, size_t to)
{
    const char* p = buf.data();
    const size_t n = buf.size();
    size_t count = 0, i = from;
#if defined(__SSE2__)
    // The byte after each one is needed too, so stop one short of the end.
    // Matches (0xff bytes) are subtracted into per-byte counters, which are
    // summed before any of them can overflow.
    while (i + 16 <= to && i + 17 <= n) {
        __m128i acc = _mm_setzero_si128();
        for (int round = 0; round < 255 && i + 16 <= to && i + 17 <= n; ++round, i += 16) {
            const __m128i v = Load16(p + i), next = Load16(p + i + 1);
            const __m128i lf = _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'));
            const __m128i cr = _mm_andnot_si128(_mm_cmpeq_epi8(next, _mm_set1_epi8('\n')),
                                                _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
            acc = _mm_sub_epi8(acc, lf | cr);
        }
        const __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128());
        count += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; i < to; ++i) {
        const char c = p[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= n || p[i + 1] != '\n')))
            ++count;
    }
    return count;
}

// Length of the leading run of bytes below 0x80.
inline size_t AsciiPrefix(const char* p, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const int m = _mm_movemask_epi8(Load16(p + i));
        if (m != 0)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(m)));
    }
#endif
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80)
        ++i;
    return i;
}

} // namespace lorix::scan
