// The batched 2-D noise, written once for every instruction set (Highway
// compiles this file once per target) and dispatched at run time.
//
// Each lane repeats sample2's operations in sample2's order, so results are
// bit for bit those of sample2: plain IEEE operations, never fused or
// approximated. Lattice coordinates are kept as whole floats rather than
// ints: within |v| < 2^22 every step on them (truncation, minus one, the sum
// i + j, the low byte) is exact, and equals sample2's int arithmetic. Lanes
// outside that range (or NaN) are recomputed by sample2 itself; layer views
// stay well inside it.
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "generators/gradientnoisebatch.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

#include "generators/latticelanes-inl.h"
#include "generators/tablelanes-inl.h"

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

// The gradient's dot product with (dx, dy) for hash h (0..7): u + 2v with
// (u, v) = (dx, dy) for h < 4, (dy, dx) otherwise, bit 0 negating u and bit 1
// negating 2v.
#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
// With eight lanes or more, one permutation each picks the factors of dx
// and dy (+-1 or +-2) by h; the products are exact and the sum is the one
// above in the other order, which IEEE addition does not mind.
HWY_INLINE VF GradientDot(VI h, VF dx, VF dy)
{
    const DF df;
    alignas(64) static constexpr float factorX[16] = {1, -1, 1, -1, 2, 2, -2, -2, 1, -1, 1, -1, 2, 2, -2, -2};
    alignas(64) static constexpr float factorY[16] = {2, 2, -2, -2, 1, -1, 1, -1, 2, 2, -2, -2, 1, -1, 1, -1};
    const auto index = hn::IndicesFromVec(df, h);
    const VF gx = hn::TableLookupLanes(hn::Load(df, factorX), index);
    const VF gy = hn::TableLookupLanes(hn::Load(df, factorY), index);
    return hn::Add(hn::Mul(gx, dx), hn::Mul(gy, dy));
}
#else
HWY_INLINE VF GradientDot(VI h, VF dx, VF dy)
{
    const DF df;
    const DI di;
    // A full mask, not IfNegativeThenElse: on some targets that looks at
    // more than the sign bit, or compares the float (missing -0).
    const auto swap = hn::RebindMask(df, hn::TestBit(h, hn::Set(di, 4)));
    const VF u = hn::IfThenElse(swap, dy, dx);
    const VF v = hn::IfThenElse(swap, dx, dy);
    const VF signU = hn::BitCast(df, hn::ShiftLeft<31>(h));
    const VF signV = hn::BitCast(df, hn::And(hn::ShiftLeft<30>(h), hn::Set(di, INT32_MIN)));
    return hn::Add(hn::Xor(u, signU), hn::Xor(hn::Mul(hn::Set(df, 2.0f), v), signV));
}
#endif

// (0.5 - dx^2 - dy^2)^4 times the gradient of hash h (its low three bits),
// or +0 outside the corner's reach.
HWY_INLINE VF Contribution(VI h, VF dx, VF dy)
{
    const DF df;
    const DI di;
    VF a = hn::Sub(hn::Sub(hn::Set(df, 0.5f), hn::Mul(dx, dx)), hn::Mul(dy, dy));
    // a < 0 is its sign bit: a is never -0, as (0.5 - dx^2) is not.
    const VF outside = hn::BitCast(df, hn::BroadcastSignBit(hn::BitCast(di, a)));
    a = hn::Mul(a, a);
    return hn::AndNot(outside, hn::Mul(hn::Mul(a, a), GradientDot(h, dx, dy)));
}

// A vector of points between the look-up and the sums: everything the
// contributions need, so that the next vector's look-up can be issued before
// this vector's arithmetic and its latency hidden behind it.
struct Cell {
    VF x0, y0;      // offsets from the cell's origin corner
    VI corners;     // the cell's four corner hashes, one byte each
    hn::Mask<DF> upper;
    bool inRange;   // every lane; else sample2 redoes the vector
};

// Loads one vector of points from xs and ys (ys read as one value when yStep
// is 0), finds their cells and starts the look-up of the corner hashes.
HWY_INLINE Cell Locate(const noisetables::TableSet& tables, const float* xs, const float* ys, int yStep)
{
    const DF df;
    const DI di;
    Cell c;
    const VF x = hn::LoadU(df, xs);
    const VF y = yStep ? hn::LoadU(df, ys) : hn::Set(df, *ys);
    const VF s = hn::Mul(hn::Add(x, y), hn::Set(df, F2));
    const VF vx = hn::Add(x, s);
    const VF vy = hn::Add(y, s);

    // Lanes outside go on with whatever they hold: every step below is a
    // float operation, and the table index is masked to its range.
    // |v| < 2^22 compares the bits of |v| as ints; a NaN's are larger.
    const VI magnitude = hn::Max(hn::BitCast(di, hn::Abs(vx)), hn::BitCast(di, hn::Abs(vy)));
    c.inRange = hn::AllTrue(di, hn::Lt(magnitude, hn::Set(di, 0x4A800000)));   // 2^22

    const VF i = LatticeFloor(df, vx);
    const VF j = LatticeFloor(df, vy);
    const VF t = hn::Mul(hn::Add(i, j), hn::Set(df, G2));
    c.x0 = hn::Sub(x, hn::Sub(i, t));
    c.y0 = hn::Sub(y, hn::Sub(j, t));
    c.upper = hn::Gt(c.x0, c.y0);   // middle corner (1, 0); a tie takes (0, 1)

    // One look-up gives the hashes of the cell's four corners.
    const VI byte = hn::Set(di, 255);
    const VI bitsI = LatticeBits(df, i);
    const VI bitsJ = LatticeBits(df, j);
    const VI ii = hn::And(bitsI, byte);
    const VI jj = hn::And(bitsJ, byte);
    // (A power of two where the strip is used: 1, 4, 8 or 16.)
    constexpr int lanes = static_cast<int>(hn::MaxLanes(df));
    if (lanes <= noisetables::cellRowPad && tables.cellRows) {
        // Where every lane's cell lies in the strip of cells from lane 0's,
        // lanes wide and two rows high, the strip is loaded and each lane
        // picks its cell from it, in place of the gather.
        const auto first = hn::IndicesFromVec(di, hn::Zero(di));
        const VI stepI = hn::Sub(bitsI, hn::TableLookupLanes(bitsI, first));
        const VI stepJ = hn::Sub(bitsJ, hn::TableLookupLanes(bitsJ, first));
        // 0 <= stepI < lanes and 0 <= stepJ < 2, tested by their bits.
        const VI outside = hn::Or(hn::And(stepI, hn::Set(di, -lanes)), hn::And(stepJ, hn::Set(di, -2)));
        if (hn::AllTrue(di, hn::Eq(outside, hn::Zero(di)))) {
            const std::uint32_t* row = &tables.cellRows[hn::GetLane(jj)][hn::GetLane(ii)];
            const auto pick = hn::IndicesFromVec(di, stepI);
            const VI below = hn::TableLookupLanes(hn::LoadU(di, reinterpret_cast<const std::int32_t*>(row)), pick);
            const VI above = hn::TableLookupLanes(
                hn::LoadU(di, reinterpret_cast<const std::int32_t*>(row + noisetables::cellRowLength)), pick);
            c.corners = hn::IfThenElse(hn::Eq(stepJ, hn::Zero(di)), below, above);
            return c;
        }
    }
    if (tables.cellHash) {
        const VI cell = hn::Or(hn::ShiftLeft<8>(ii), jj);
        c.corners = hn::GatherIndex(di, reinterpret_cast<const std::int32_t*>(tables.cellHash), cell);
    } else {
        // cellHash is the pair hash's bytes reduced to three bits each.
        c.corners = hn::And(PairWord(di, tables, ii, jj), hn::Set(di, 0x07070707));
    }
    return c;
}

// The three corners' contributions summed and scaled, stored to out; the
// points are those Locate read, for a vector sample2 must redo.
HWY_INLINE void Sum(const noisetables::TableSet& tables, const Cell& c, const float* xs, const float* ys, int yStep,
                    float* out)
{
    const DF df;
    const DI di;
    // sample2 subtracts the middle corner's step, 1 or 0, and x - 0 is x
    // exactly, so the step's choice is a choice of x0 - 1 or x0.
    const VF one = hn::Set(df, 1.0f);
    const VF x0m1 = hn::Sub(c.x0, one);
    const VF y0m1 = hn::Sub(c.y0, one);
    const VF g = hn::Set(df, G2);
    const VF x1 = hn::Add(hn::IfThenElse(c.upper, x0m1, c.x0), g);
    const VF y1 = hn::Add(hn::IfThenElse(c.upper, c.y0, y0m1), g);
    const VF g2 = hn::Set(df, 2.0f * G2);
    const VF x2 = hn::Add(x0m1, g2);
    const VF y2 = hn::Add(y0m1, g2);

    // The middle corner's hash is the second or the third byte.
    const VI seven = hn::Set(di, 7);
    const VI h0 = hn::And(c.corners, seven);
#if HWY_TARGET == HWY_SCALAR
    const VI h1 = hn::And(hn::IfThenElse(hn::RebindMask(di, c.upper), hn::ShiftRight<8>(c.corners),
                                         hn::ShiftRight<16>(c.corners)), seven);
#else
    // One byte shuffle moves the second byte (upper) or the third into each
    // lane's low byte and clears the others: the shuffle indices of lane l
    // within its 16-byte block are 4 * (l mod 4) + 2, then three clearing
    // ones, less one where upper is set (its mask is -1).
    const VI thirdByte = hn::Add(hn::ShiftLeft<2>(hn::And(hn::Iota(di, 0), hn::Set(di, 3))),
                                 hn::Set(di, static_cast<std::int32_t>(0x80808002u)));
    const VI h1 = hn::TableLookupBytesOr0(c.corners,
                                          hn::Add(thirdByte, hn::VecFromMask(di, hn::RebindMask(di, c.upper))));
#endif
    const VI h2 = hn::ShiftRight<24>(c.corners);

    const VF n0 = Contribution(h0, c.x0, c.y0);
    const VF n1 = Contribution(h1, x1, y1);
    const VF n2 = Contribution(h2, x2, y2);
    const VF result = hn::Mul(hn::Set(df, noisetables::scale2), hn::Add(hn::Add(n0, n1), n2));

    if (HWY_LIKELY(c.inRange)) {
        hn::StoreU(result, df, out);
        return;
    }
    // Each point is read before its result is written: out may be xs or ys.
    const int lanes = static_cast<int>(hn::Lanes(df));
    for (int l = 0; l < lanes; ++l) out[l] = sample2(tables, xs[l], ys[l * yStep]);
}

void Sample2Lanes(const noisetables::TableSet& tables, const float* xs, const float* ys, int yStep, int count,
                  float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    int k = 0;
    if (count >= lanes) {
        // Each vector's look-up starts before the previous vector's sums.
        // A vector's points are loaded before its results are stored, so out
        // may be xs or ys.
        Cell current = Locate(tables, xs, ys, yStep);
        for (; k + 2 * lanes <= count; k += lanes) {
            const Cell next = Locate(tables, xs + k + lanes, ys + (k + lanes) * yStep, yStep);
            Sum(tables, current, xs + k, ys + k * yStep, yStep, out + k);
            current = next;
        }
        Sum(tables, current, xs + k, ys + k * yStep, yStep, out + k);
        k += lanes;
    }
    if (k == count) return;
    // The last few points go through the same lanes, padded with zeros.
    constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
    HWY_ALIGN float tx[maxLanes] = {}, ty[maxLanes] = {}, to[maxLanes];
    const int rest = count - k;
    for (int l = 0; l < rest; ++l) {
        tx[l] = xs[k + l];
        ty[l] = ys[(k + l) * yStep];
    }
    Sum(tables, Locate(tables, tx, ty, 1), tx, ty, 1, to);
    for (int l = 0; l < rest; ++l) out[k + l] = to[l];
}

} // namespace HWY_NAMESPACE
} // namespace GradientNoise
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace GradientNoise {

namespace noisetables {
namespace {

struct CellHashTable {
    std::uint32_t entries[cellCount] = {};
    constexpr CellHashTable()
    {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b)
                entries[a * 256 + b] = std::uint32_t(hashAt(a, b) & 7) | std::uint32_t(hashAt(a + 1, b) & 7) << 8 |
                                       std::uint32_t(hashAt(a, b + 1) & 7) << 16 |
                                       std::uint32_t(hashAt(a + 1, b + 1) & 7) << 24;
    }
};

constexpr CellHashTable cellHashTable;

struct CellRowTable {
    std::uint32_t rows[257][cellRowLength] = {};
    constexpr CellRowTable()
    {
        for (int b = 0; b < 257; ++b)
            for (int a = 0; a < cellRowLength; ++a) rows[b][a] = cellHashTable.entries[(a & 255) * 256 + (b & 255)];
    }
};

constexpr CellRowTable cellRowTable;

} // namespace

const std::uint32_t (&cellHash)[cellCount] = cellHashTable.entries;
const std::uint32_t (&cellRows)[257][cellRowLength] = cellRowTable.rows;

} // namespace noisetables

HWY_EXPORT(Sample2Lanes);

void sample2Batch(const noisetables::TableSet& tables, const float* xs, const float* ys, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(Sample2Lanes)(tables, xs, ys, 1, count, out);
}

void sample2Row(const noisetables::TableSet& tables, const float* xs, float y, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(Sample2Lanes)(tables, xs, &y, 0, count, out);
}

void sample2Batch(const float* xs, const float* ys, int count, float* out)
{
    sample2Batch(noisetables::defaultTables(), xs, ys, count, out);
}

void sample2Row(const float* xs, float y, int count, float* out)
{
    sample2Row(noisetables::defaultTables(), xs, y, count, out);
}

} // namespace GradientNoise
#endif
