// The batched 2-D noise: the SSE2 kernel (every x86-64 processor has it) and
// the choice of the kernel at run time.
//
// Each lane repeats sample2's operations in sample2's order, so results are
// bit for bit those of sample2. The one operation that differs is the float
// to int conversion: the instruction gives INT_MIN for NaN and out-of-range
// values where latticeFloor saturates. Lanes whose lattice coordinates are
// not well inside the int range (or NaN) are therefore recomputed by sample2
// itself; the rest have coordinate sums that fit an int, as the lanes need.
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"

#include <emmintrin.h>

namespace GradientNoise {

namespace noisetables {
namespace {

constexpr std::uint8_t permutationValues[256] = {GRADIENTNOISE_PERMUTATION_VALUES};

struct LatticeHashTable {
    std::uint8_t entries[latticeHashSize + 4] = {};
    constexpr LatticeHashTable()
    {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) entries[a * 256 + b] = permutationValues[(a + permutationValues[b]) & 255];
    }
};

constexpr LatticeHashTable latticeHashTable;

} // namespace

const std::uint8_t (&latticeHash)[latticeHashSize + 4] = latticeHashTable.entries;

} // namespace noisetables

namespace {

using noisetables::F2;
using noisetables::G2;

inline __m128 select(__m128 mask, __m128 a, __m128 b)
{
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

inline __m128 flipSignWhere(__m128i mask, __m128 v)
{
    return _mm_xor_ps(v, _mm_castsi128_ps(_mm_and_si128(mask, _mm_set1_epi32(INT32_MIN))));
}

// latticeFloor for lanes well inside the int range: trunc(v) for v > 0, else
// trunc(v) - 1. The comparison mask is -1 where v > 0.
inline __m128i latticeFloor4(__m128 v)
{
    const __m128i positive = _mm_castps_si128(_mm_cmpgt_ps(v, _mm_setzero_ps()));
    return _mm_sub_epi32(_mm_sub_epi32(_mm_cvttps_epi32(v), _mm_set1_epi32(1)), positive);
}

inline __m128 contribution4(__m128i hash, __m128 dx, __m128 dy)
{
    __m128 a = _mm_sub_ps(_mm_sub_ps(_mm_set1_ps(0.5f), _mm_mul_ps(dx, dx)), _mm_mul_ps(dy, dy));
    const __m128 outside = _mm_cmplt_ps(a, _mm_setzero_ps());
    a = _mm_mul_ps(a, a);

    const __m128i h = _mm_and_si128(hash, _mm_set1_epi32(7));
    const __m128 low = _mm_castsi128_ps(_mm_cmplt_epi32(h, _mm_set1_epi32(4)));
    const __m128 u = select(low, dx, dy);
    const __m128 v = select(low, dy, dx);
    const __m128i one = _mm_set1_epi32(1), two = _mm_set1_epi32(2);
    const __m128 su = flipSignWhere(_mm_cmpeq_epi32(_mm_and_si128(h, one), one), u);
    const __m128 sv = flipSignWhere(_mm_cmpeq_epi32(_mm_and_si128(h, two), two), _mm_mul_ps(_mm_set1_ps(2.0f), v));
    const __m128 gradient = _mm_add_ps(su, sv);

    return _mm_andnot_ps(outside, _mm_mul_ps(_mm_mul_ps(a, a), gradient));
}

// Four points from xs and ys (ys read as one value when yStep is 0).
void block4(const float* xs, const float* ys, int yStep, float* out)
{
    const __m128 x = _mm_loadu_ps(xs);
    const __m128 y = yStep ? _mm_loadu_ps(ys) : _mm_set1_ps(*ys);
    const __m128 s = _mm_mul_ps(_mm_add_ps(x, y), _mm_set1_ps(F2));
    const __m128 vx = _mm_add_ps(x, s);
    const __m128 vy = _mm_add_ps(y, s);

    // |v| < 2^30 keeps i, j and i + j inside the int range; NaN fails it.
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 limit = _mm_set1_ps(1073741824.0f);
    const int inRange = _mm_movemask_ps(
        _mm_and_ps(_mm_cmplt_ps(_mm_and_ps(vx, absMask), limit), _mm_cmplt_ps(_mm_and_ps(vy, absMask), limit)));

    const __m128i i = latticeFloor4(vx);
    const __m128i j = latticeFloor4(vy);
    const __m128 t = _mm_mul_ps(_mm_cvtepi32_ps(_mm_add_epi32(i, j)), _mm_set1_ps(G2));
    const __m128 x0 = _mm_sub_ps(x, _mm_sub_ps(_mm_cvtepi32_ps(i), t));
    const __m128 y0 = _mm_sub_ps(y, _mm_sub_ps(_mm_cvtepi32_ps(j), t));

    const __m128 upper = _mm_cmpgt_ps(x0, y0);   // middle corner (1, 0)
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 g = _mm_set1_ps(G2);
    const __m128 x1 = _mm_add_ps(_mm_sub_ps(x0, _mm_and_ps(upper, one)), g);
    const __m128 y1 = _mm_add_ps(_mm_sub_ps(y0, _mm_andnot_ps(upper, one)), g);
    const __m128 g2 = _mm_set1_ps(2.0f * G2);
    const __m128 x2 = _mm_add_ps(_mm_sub_ps(x0, one), g2);
    const __m128 y2 = _mm_add_ps(_mm_sub_ps(y0, one), g2);

    // Corner hashes: one look-up each in latticeHash, at a * 256 + b.
    const __m128i byteMask = _mm_set1_epi32(255);
    const __m128i ii = _mm_and_si128(i, byteMask);
    const __m128i jj = _mm_and_si128(j, byteMask);
    const __m128i i1 = _mm_and_si128(_mm_castps_si128(upper), _mm_set1_epi32(1));
    const __m128i j1 = _mm_xor_si128(i1, _mm_set1_epi32(1));
    const __m128i step = _mm_set1_epi32(1);
    auto at = [&](__m128i a, __m128i b) {
        return _mm_or_si128(_mm_slli_epi32(_mm_and_si128(a, byteMask), 8), _mm_and_si128(b, byteMask));
    };
    alignas(16) std::int32_t k0[4], k1[4], k2[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(k0), at(ii, jj));
    _mm_store_si128(reinterpret_cast<__m128i*>(k1), at(_mm_add_epi32(ii, i1), _mm_add_epi32(jj, j1)));
    _mm_store_si128(reinterpret_cast<__m128i*>(k2), at(_mm_add_epi32(ii, step), _mm_add_epi32(jj, step)));
    const std::uint8_t* hash = noisetables::latticeHash;
    alignas(16) std::int32_t h0[4], h1[4], h2[4];
    for (int l = 0; l < 4; ++l) {
        h0[l] = hash[k0[l]];
        h1[l] = hash[k1[l]];
        h2[l] = hash[k2[l]];
    }
    const __m128 n0 = contribution4(_mm_load_si128(reinterpret_cast<const __m128i*>(h0)), x0, y0);
    const __m128 n1 = contribution4(_mm_load_si128(reinterpret_cast<const __m128i*>(h1)), x1, y1);
    const __m128 n2 = contribution4(_mm_load_si128(reinterpret_cast<const __m128i*>(h2)), x2, y2);
    const __m128 result = _mm_mul_ps(_mm_set1_ps(noisetables::scale2), _mm_add_ps(_mm_add_ps(n0, n1), n2));

    if (inRange == 0xf) {
        _mm_storeu_ps(out, result);
        return;
    }
    alignas(16) float px[4], py[4], r[4];
    _mm_store_ps(px, x);
    _mm_store_ps(py, y);
    _mm_store_ps(r, result);
    for (int l = 0; l < 4; ++l)
        if (!(inRange & (1 << l))) r[l] = sample2(px[l], py[l]);
    _mm_storeu_ps(out, _mm_load_ps(r));
}

} // namespace

kernels::Sample2 kernels::sample2Avx2()
{
#ifdef PATTERNLENS_AVX2_KERNEL
    // Asked here, in code built for the baseline processor.
    if (__builtin_cpu_supports("avx2")) return &noisetables::sample2Avx2Lanes;
#endif
    return nullptr;
}

namespace {

kernels::Sample2 chosenKernel()
{
    if (kernels::Sample2 avx2 = kernels::sample2Avx2()) return avx2;
    return &kernels::sample2Sse2;
}

} // namespace

void kernels::sample2Sse2(const float* xs, const float* ys, int yStep, int count, float* out)
{
    int k = 0;
    for (; k + 4 <= count; k += 4) block4(xs + k, ys + k * yStep, yStep, out + k);
    if (k == count) return;
    // The last few points go through the same lanes, padded with zeros.
    float tx[4] = {}, ty[4] = {}, to[4];
    const int rest = count - k;
    for (int l = 0; l < rest; ++l) {
        tx[l] = xs[k + l];
        ty[l] = ys[(k + l) * yStep];
    }
    block4(tx, ty, 1, to);
    for (int l = 0; l < rest; ++l) out[k + l] = to[l];
}

void sample2Batch(const float* xs, const float* ys, int count, float* out)
{
    static const kernels::Sample2 kernel = chosenKernel();
    kernel(xs, ys, 1, count, out);
}

void sample2Row(const float* xs, float y, int count, float* out)
{
    static const kernels::Sample2 kernel = chosenKernel();
    kernel(xs, &y, 0, count, out);
}

} // namespace GradientNoise
