// The AVX2 kernel of the batched 2-D noise: eight lanes, the permutation
// looked up by gathers. Built with AVX2 (and without FMA, which would fuse
// sample2's separate roundings); run only on processors that have it.
//
// This file calls nothing inline from shared headers: an inline function
// built here with AVX2 could be the copy the linker keeps for every caller.
// The lanes repeat sample2 exactly as the SSE2 kernel does
// (gradientnoisebatch.cpp explains the out-of-range lanes).
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"

#include <immintrin.h>

namespace GradientNoise {
namespace noisetables {

namespace {

inline __m256i latticeFloor8(__m256 v)
{
    const __m256i positive = _mm256_castps_si256(_mm256_cmp_ps(v, _mm256_setzero_ps(), _CMP_GT_OQ));
    return _mm256_sub_epi32(_mm256_sub_epi32(_mm256_cvttps_epi32(v), _mm256_set1_epi32(1)), positive);
}

inline __m256 flipSignWhere(__m256i mask, __m256 v)
{
    return _mm256_xor_ps(v, _mm256_castsi256_ps(_mm256_and_si256(mask, _mm256_set1_epi32(INT32_MIN))));
}

// latticeHash at (a & 255, b & 255), from a 32-bit gather of which the low
// byte is the entry.
inline __m256i lookup(__m256i a, __m256i b)
{
    const __m256i byteMask = _mm256_set1_epi32(255);
    const __m256i index = _mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(a, byteMask), 8), _mm256_and_si256(b, byteMask));
    return _mm256_and_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(latticeHash), index, 1), byteMask);
}

inline __m256 contribution8(__m256i hash, __m256 dx, __m256 dy)
{
    __m256 a = _mm256_sub_ps(_mm256_sub_ps(_mm256_set1_ps(0.5f), _mm256_mul_ps(dx, dx)), _mm256_mul_ps(dy, dy));
    const __m256 outside = _mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_LT_OQ);
    a = _mm256_mul_ps(a, a);

    const __m256i h = _mm256_and_si256(hash, _mm256_set1_epi32(7));
    const __m256 low = _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_set1_epi32(4), h));
    const __m256 u = _mm256_blendv_ps(dy, dx, low);
    const __m256 v = _mm256_blendv_ps(dx, dy, low);
    const __m256i one = _mm256_set1_epi32(1), two = _mm256_set1_epi32(2);
    const __m256 su = flipSignWhere(_mm256_cmpeq_epi32(_mm256_and_si256(h, one), one), u);
    const __m256 sv =
        flipSignWhere(_mm256_cmpeq_epi32(_mm256_and_si256(h, two), two), _mm256_mul_ps(_mm256_set1_ps(2.0f), v));
    const __m256 gradient = _mm256_add_ps(su, sv);

    return _mm256_andnot_ps(outside, _mm256_mul_ps(_mm256_mul_ps(a, a), gradient));
}

void block8(const float* xs, const float* ys, int yStep, float* out)
{
    const __m256 x = _mm256_loadu_ps(xs);
    const __m256 y = yStep ? _mm256_loadu_ps(ys) : _mm256_set1_ps(*ys);
    const __m256 s = _mm256_mul_ps(_mm256_add_ps(x, y), _mm256_set1_ps(F2));
    const __m256 vx = _mm256_add_ps(x, s);
    const __m256 vy = _mm256_add_ps(y, s);

    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    const __m256 limit = _mm256_set1_ps(1073741824.0f);
    const int inRange = _mm256_movemask_ps(
        _mm256_and_ps(_mm256_cmp_ps(_mm256_and_ps(vx, absMask), limit, _CMP_LT_OQ),
                      _mm256_cmp_ps(_mm256_and_ps(vy, absMask), limit, _CMP_LT_OQ)));

    const __m256i i = latticeFloor8(vx);
    const __m256i j = latticeFloor8(vy);
    const __m256 t = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_add_epi32(i, j)), _mm256_set1_ps(G2));
    const __m256 x0 = _mm256_sub_ps(x, _mm256_sub_ps(_mm256_cvtepi32_ps(i), t));
    const __m256 y0 = _mm256_sub_ps(y, _mm256_sub_ps(_mm256_cvtepi32_ps(j), t));

    const __m256 upper = _mm256_cmp_ps(x0, y0, _CMP_GT_OQ);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 g = _mm256_set1_ps(G2);
    const __m256 x1 = _mm256_add_ps(_mm256_sub_ps(x0, _mm256_and_ps(upper, one)), g);
    const __m256 y1 = _mm256_add_ps(_mm256_sub_ps(y0, _mm256_andnot_ps(upper, one)), g);
    const __m256 g2 = _mm256_set1_ps(2.0f * G2);
    const __m256 x2 = _mm256_add_ps(_mm256_sub_ps(x0, one), g2);
    const __m256 y2 = _mm256_add_ps(_mm256_sub_ps(y0, one), g2);

    // Corner hashes: one gather each from latticeHash, at a * 256 + b. The
    // indices stay within the table in every lane, also the recomputed ones.
    const __m256i byteMask = _mm256_set1_epi32(255);
    const __m256i ii = _mm256_and_si256(i, byteMask);
    const __m256i jj = _mm256_and_si256(j, byteMask);
    const __m256i i1 = _mm256_and_si256(_mm256_castps_si256(upper), _mm256_set1_epi32(1));
    const __m256i j1 = _mm256_xor_si256(i1, _mm256_set1_epi32(1));
    const __m256i step = _mm256_set1_epi32(1);
    const __m256i h0 = lookup(ii, jj);
    const __m256i h1 = lookup(_mm256_add_epi32(ii, i1), _mm256_add_epi32(jj, j1));
    const __m256i h2 = lookup(_mm256_add_epi32(ii, step), _mm256_add_epi32(jj, step));

    const __m256 n0 = contribution8(h0, x0, y0);
    const __m256 n1 = contribution8(h1, x1, y1);
    const __m256 n2 = contribution8(h2, x2, y2);
    const __m256 result = _mm256_mul_ps(_mm256_set1_ps(scale2), _mm256_add_ps(_mm256_add_ps(n0, n1), n2));

    if (inRange == 0xff) {
        _mm256_storeu_ps(out, result);
        return;
    }
    alignas(32) float px[8], py[8], r[8];
    _mm256_store_ps(px, x);
    _mm256_store_ps(py, y);
    _mm256_store_ps(r, result);
    for (int l = 0; l < 8; ++l)
        if (!(inRange & (1 << l))) r[l] = sample2(px[l], py[l]);
    _mm256_storeu_ps(out, _mm256_load_ps(r));
}

} // namespace

void sample2Avx2Lanes(const float* xs, const float* ys, int yStep, int count, float* out)
{
    int k = 0;
    for (; k + 8 <= count; k += 8) block8(xs + k, ys + k * yStep, yStep, out + k);
    if (k < count) {
        alignas(32) float tx[8] = {}, ty[8] = {}, to[8];
        const int rest = count - k;
        for (int l = 0; l < rest; ++l) {
            tx[l] = xs[k + l];
            ty[l] = ys[(k + l) * yStep];
        }
        block8(tx, ty, 1, to);
        for (int l = 0; l < rest; ++l) out[k + l] = to[l];
    }
    _mm256_zeroupper();
}

} // namespace noisetables
} // namespace GradientNoise
