// The batched 2-D noise, written once for every instruction set (Highway
// compiles this file once per target) and dispatched at run time.
//
// Each lane repeats sample2's operations in sample2's order, so results are
// bit for bit those of sample2: plain IEEE operations, never fused or
// approximated. The one operation that differs is the float to int
// conversion, which latticeFloor saturates. Lanes whose lattice coordinates
// are not well inside the int range (or NaN) are therefore converted as 0 and
// then recomputed by sample2 itself; the rest have coordinate sums that fit
// an int, as the lanes need.
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "generators/gradientnoisebatch.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

#ifndef PATTERNLENS_NOISE_LOOKUP
#define PATTERNLENS_NOISE_LOOKUP 1   // 1: one cellHash look-up per point; 3: three latticeHash look-ups
#endif

HWY_BEFORE_NAMESPACE();
namespace GradientNoise {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using noisetables::F2;
using noisetables::G2;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;

// latticeFloor of lanes already known to fit: trunc(v) for v > 0, else
// trunc(v) - 1. The comparison vector is -1 where v > 0.
HWY_INLINE VI LatticeFloor(VF v)
{
    const DF df;
    const DI di;
    const VI positive = hn::VecFromMask(di, hn::RebindMask(di, hn::Gt(v, hn::Zero(df))));
    return hn::Sub(hn::Sub(hn::ConvertTo(di, v), hn::Set(di, 1)), positive);
}

// (0.5 - dx^2 - dy^2)^4 times the gradient of hash h (its low three bits),
// or +0 outside the corner's reach. Bit 2 of h says which offset is doubled,
// bits 0 and 1 flip the signs of the two terms.
HWY_INLINE VF Contribution(VI h, VF dx, VF dy)
{
    const DF df;
    const DI di;
    VF a = hn::Sub(hn::Sub(hn::Set(df, 0.5f), hn::Mul(dx, dx)), hn::Mul(dy, dy));
    const auto outside = hn::Lt(a, hn::Zero(df));
    a = hn::Mul(a, a);

    // A full mask, not IfNegativeThenElse: on some targets that looks at
    // more than the sign bit, or compares the float (missing -0).
    const auto swap = hn::RebindMask(df, hn::TestBit(h, hn::Set(di, 4)));
    const VF u = hn::IfThenElse(swap, dy, dx);
    const VF v = hn::IfThenElse(swap, dx, dy);
    const VF signU = hn::BitCast(df, hn::ShiftLeft<31>(h));
    const VF signV = hn::BitCast(df, hn::And(hn::ShiftLeft<30>(h), hn::Set(di, INT32_MIN)));
    const VF gradient = hn::Add(hn::Xor(u, signU), hn::Xor(hn::Mul(hn::Set(df, 2.0f), v), signV));

    return hn::IfThenZeroElse(outside, hn::Mul(hn::Mul(a, a), gradient));
}

#if PATTERNLENS_NOISE_LOOKUP == 3
// latticeHash at (a & 255, b & 255), from a 32-bit read whose low byte is
// the entry.
HWY_INLINE VI Lookup(VI a, VI b)
{
    const DI di;
    const VI byteMask = hn::Set(di, 255);
    const VI index = hn::Or(hn::ShiftLeft<8>(hn::And(a, byteMask)), hn::And(b, byteMask));
    const auto* table = reinterpret_cast<const std::int32_t*>(noisetables::latticeHash);
    return hn::And(hn::GatherOffset(di, table, index), byteMask);
}
#endif

// One vector of points from xs and ys (ys read as one value when yStep is 0).
HWY_INLINE void Block(const float* xs, const float* ys, int yStep, float* out)
{
    const DF df;
    const DI di;
    const VF x = hn::LoadU(df, xs);
    const VF y = yStep ? hn::LoadU(df, ys) : hn::Set(df, *ys);
    const VF s = hn::Mul(hn::Add(x, y), hn::Set(df, F2));
    VF vx = hn::Add(x, s);
    VF vy = hn::Add(y, s);

    // |v| < 2^30 keeps i, j and i + j inside the int range; NaN fails it.
    const VF limit = hn::Set(df, 1073741824.0f);
    const auto inRange = hn::And(hn::Lt(hn::Abs(vx), limit), hn::Lt(hn::Abs(vy), limit));
    vx = hn::IfThenElseZero(inRange, vx);
    vy = hn::IfThenElseZero(inRange, vy);

    const VI i = LatticeFloor(vx);
    const VI j = LatticeFloor(vy);
    const VF t = hn::Mul(hn::ConvertTo(df, hn::Add(i, j)), hn::Set(df, G2));
    const VF x0 = hn::Sub(x, hn::Sub(hn::ConvertTo(df, i), t));
    const VF y0 = hn::Sub(y, hn::Sub(hn::ConvertTo(df, j), t));

    const auto upper = hn::Gt(x0, y0);   // middle corner (1, 0); a tie takes (0, 1)
    const VF one = hn::Set(df, 1.0f);
    const VF g = hn::Set(df, G2);
    const VF x1 = hn::Add(hn::Sub(x0, hn::IfThenElseZero(upper, one)), g);
    const VF y1 = hn::Add(hn::Sub(y0, hn::IfThenZeroElse(upper, one)), g);
    const VF g2 = hn::Set(df, 2.0f * G2);
    const VF x2 = hn::Add(hn::Sub(x0, one), g2);
    const VF y2 = hn::Add(hn::Sub(y0, one), g2);

    const VI byteMask = hn::Set(di, 255);
    const VI ii = hn::And(i, byteMask);
    const VI jj = hn::And(j, byteMask);
    const VI seven = hn::Set(di, 7);
#if PATTERNLENS_NOISE_LOOKUP == 3
    const VI i1 = hn::And(hn::VecFromMask(di, hn::RebindMask(di, upper)), hn::Set(di, 1));
    const VI j1 = hn::Xor(i1, hn::Set(di, 1));
    const VI stepOne = hn::Set(di, 1);
    const VI h0 = hn::And(Lookup(ii, jj), seven);
    const VI h1 = hn::And(Lookup(hn::Add(ii, i1), hn::Add(jj, j1)), seven);
    const VI h2 = hn::And(Lookup(hn::Add(ii, stepOne), hn::Add(jj, stepOne)), seven);
#else
    // One look-up gives the hashes of the cell's four corners.
    const auto* table = reinterpret_cast<const std::int32_t*>(noisetables::cellHash);
    const VI corners = hn::GatherIndex(di, table, hn::Or(hn::ShiftLeft<8>(ii), jj));
    const VI h0 = hn::And(corners, seven);
    const VI h1 = hn::And(hn::IfThenElse(hn::RebindMask(di, upper), hn::ShiftRight<8>(corners),
                                         hn::ShiftRight<16>(corners)), seven);
    const VI h2 = hn::And(hn::ShiftRight<24>(corners), seven);
#endif

    const VF n0 = Contribution(h0, x0, y0);
    const VF n1 = Contribution(h1, x1, y1);
    const VF n2 = Contribution(h2, x2, y2);
    const VF result = hn::Mul(hn::Set(df, noisetables::scale2), hn::Add(hn::Add(n0, n1), n2));

    if (hn::AllTrue(df, inRange)) {
        hn::StoreU(result, df, out);
        return;
    }
    constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
    const int lanes = static_cast<int>(hn::Lanes(df));
    HWY_ALIGN float px[maxLanes], py[maxLanes], r[maxLanes], fits[maxLanes];
    hn::Store(x, df, px);
    hn::Store(y, df, py);
    hn::Store(result, df, r);
    hn::Store(hn::VecFromMask(df, inRange), df, fits);
    for (int l = 0; l < lanes; ++l)
        if (fits[l] == 0.0f) r[l] = sample2(px[l], py[l]);   // a set mask lane is NaN, never 0
    hn::StoreU(hn::Load(df, r), df, out);
}

void Sample2Lanes(const float* xs, const float* ys, int yStep, int count, float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    int k = 0;
    for (; k + lanes <= count; k += lanes) Block(xs + k, ys + k * yStep, yStep, out + k);
    if (k == count) return;
    // The last few points go through the same lanes, padded with zeros.
    constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
    HWY_ALIGN float tx[maxLanes] = {}, ty[maxLanes] = {}, to[maxLanes];
    const int rest = count - k;
    for (int l = 0; l < rest; ++l) {
        tx[l] = xs[k + l];
        ty[l] = ys[(k + l) * yStep];
    }
    Block(tx, ty, 1, to);
    for (int l = 0; l < rest; ++l) out[k + l] = to[l];
}

} // namespace HWY_NAMESPACE
} // namespace GradientNoise
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace GradientNoise {

namespace noisetables {
namespace {

constexpr std::uint8_t permutationValues[256] = {GRADIENTNOISE_PERMUTATION_VALUES};

constexpr std::uint8_t hashAt(int a, int b)
{
    return permutationValues[(a + permutationValues[b & 255]) & 255];
}

struct LatticeHashTable {
    std::uint8_t entries[latticeHashSize + 4] = {};
    constexpr LatticeHashTable()
    {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) entries[a * 256 + b] = hashAt(a, b);
    }
};

struct CellHashTable {
    std::uint32_t entries[latticeHashSize] = {};
    constexpr CellHashTable()
    {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b)
                entries[a * 256 + b] = std::uint32_t(hashAt(a, b)) | std::uint32_t(hashAt(a + 1, b)) << 8 |
                                       std::uint32_t(hashAt(a, b + 1)) << 16 |
                                       std::uint32_t(hashAt(a + 1, b + 1)) << 24;
    }
};

constexpr LatticeHashTable latticeHashTable;
constexpr CellHashTable cellHashTable;

} // namespace

const std::uint8_t (&latticeHash)[latticeHashSize + 4] = latticeHashTable.entries;
const std::uint32_t (&cellHash)[latticeHashSize] = cellHashTable.entries;

} // namespace noisetables

HWY_EXPORT(Sample2Lanes);

void sample2Batch(const float* xs, const float* ys, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(Sample2Lanes)(xs, ys, 1, count, out);
}

void sample2Row(const float* xs, float y, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(Sample2Lanes)(xs, &y, 0, count, out);
}

} // namespace GradientNoise
#endif
