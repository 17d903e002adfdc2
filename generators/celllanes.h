#pragma once
// wrapPositive (cellmath.h) on four SIMD lanes, for the row evaluation of the
// tiling layer types.
//
// A lane is computed exactly as wrapPositive computes it when its quotient
// a / b is a number well inside the int range; then the truncation by the
// instruction and by saturatingTrunc agree. The other lanes (b = 0, NaN,
// huge quotients) are flagged, and the caller computes them with
// wrapPositive itself.
#if defined(__SSE2__)
#include <emmintrin.h>

namespace celllanes {

// Sets bit l of *exact when lane l was computed here.
inline __m128 wrapPositive4(__m128 a, __m128 b, int* exact)
{
    const __m128 q = _mm_div_ps(a, b);
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    *exact = _mm_movemask_ps(_mm_cmplt_ps(_mm_and_ps(q, absMask), _mm_set1_ps(1073741824.0f)));
    const __m128i qi = _mm_cvttps_epi32(q);
    const __m128i sign = _mm_srai_epi32(qi, 31);
    const __m128i k = _mm_sub_epi32(_mm_xor_si128(qi, sign), sign);   // |q|
    const __m128 down = _mm_sub_ps(a, _mm_mul_ps(b, _mm_cvtepi32_ps(k)));
    const __m128 up = _mm_add_ps(a, _mm_mul_ps(b, _mm_cvtepi32_ps(_mm_add_epi32(k, _mm_set1_epi32(1)))));
    const __m128 nonNegative = _mm_cmpge_ps(a, _mm_setzero_ps());
    return _mm_or_ps(_mm_and_ps(nonNegative, down), _mm_andnot_ps(nonNegative, up));
}

// 1.0 where mask is set, +0.0 elsewhere: the layer values of a test.
inline __m128 oneWhere(__m128 mask)
{
    return _mm_and_ps(mask, _mm_set1_ps(1.0f));
}

} // namespace celllanes
#endif
