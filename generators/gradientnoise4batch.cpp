// The batched 4-D noise, written once for every instruction set (Highway
// compiles this file once per target) and dispatched at run time. Seamless
// Noise layers sample it on a torus, a row of pixels at a time.
//
// Each lane repeats sample4's operations in sample4's order, so results are
// bit for bit those of sample4, on the same terms as the 2-D kernel
// (gradientnoisebatch.cpp): plain IEEE operations, lattice coordinates as
// whole floats within |v| < 2^22, and sample4 itself for vectors with a
// lane outside that range.
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "generators/gradientnoise4batch.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

#include "generators/latticelanes-inl.h"
#include "generators/tablelanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace GradientNoise {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using noisetables::F4;
using noisetables::G4;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using MF = hn::Mask<DF>;

// The gradient's dot product for hash h (0..31): u = x for h < 24, else y;
// v = y for h < 16, else z; the third term z for h < 8, else w; bits 0, 1
// and 2 negate them, and the sum is taken in that order.
HWY_INLINE VF GradientDot(VI h, VF x, VF y, VF z, VF w)
{
    const DF df;
    const DI di;
    const VF u = hn::IfThenElse(hn::RebindMask(df, hn::Lt(h, hn::Set(di, 24))), x, y);
    const VF v = hn::IfThenElse(hn::RebindMask(df, hn::Lt(h, hn::Set(di, 16))), y, z);
    const VF t = hn::IfThenElse(hn::RebindMask(df, hn::Lt(h, hn::Set(di, 8))), z, w);
    const VI signBit = hn::Set(di, INT32_MIN);
    const VF signU = hn::BitCast(df, hn::ShiftLeft<31>(h));
    const VF signV = hn::BitCast(df, hn::And(hn::ShiftLeft<30>(h), signBit));
    const VF signT = hn::BitCast(df, hn::And(hn::ShiftLeft<29>(h), signBit));
    return hn::Add(hn::Add(hn::Xor(u, signU), hn::Xor(v, signV)), hn::Xor(t, signT));
}

// (0.6 - the four squares)^4 times the gradient, or +0 outside the reach.
HWY_INLINE VF Contribution(VI h, VF dx, VF dy, VF dz, VF dw)
{
    const DF df;
    VF a = hn::Sub(hn::Set(df, 0.6f), hn::Mul(dx, dx));
    a = hn::Sub(hn::Sub(hn::Sub(a, hn::Mul(dy, dy)), hn::Mul(dz, dz)), hn::Mul(dw, dw));
    const MF outside = hn::Lt(a, hn::Zero(df));
    a = hn::Mul(a, a);
    return hn::IfThenZeroElse(outside, hn::Mul(hn::Mul(a, a), GradientDot(h, dx, dy, dz, dw)));
}

// A vector of points between the first look-up and the sums: everything
// the corners need, so that the next vector's look-up can be issued before
// this vector's arithmetic and its latency hidden behind it.
struct Cell {
    VF x0, y0, z0, w0;      // offsets from the cell's origin corner
    VI rankX, rankY, rankZ, rankW;
    VI i, j;                // lattice indices in the low byte
    VI inner;               // the four hashes p(k + dk, l + dl), one byte each
    const noisetables::TableSet* tables;
    bool inRange;           // every lane; else sample4 redoes the vector
};

// Where a run of points comes from: point k is (scale xs[k], scale ys[k],
// zs[k], ws[k]), zs and ws read as one value when zwStep is 0. A scale of 1
// leaves every float as it is.
struct Points {
    const noisetables::TableSet* tables;
    const float* xs;
    const float* ys;
    const float* zs;
    const float* ws;
    int zwStep;
    float scale;

    Points from(int k) const { return {tables, xs + k, ys + k, zs + k * zwStep, ws + k * zwStep, zwStep, scale}; }
    float sample(int l) const
    {
        return sample4(*tables, scale * xs[l], scale * ys[l], zs[l * zwStep], ws[l * zwStep]);
    }
};

// Loads one vector of points, finds their cells and starts the shared
// look-up.
HWY_INLINE Cell Locate(const Points& p)
{
    const DF df;
    const DI di;
    Cell c;
    const float* zs = p.zs;
    const float* ws = p.ws;
    const int zwStep = p.zwStep;
    const VF x = hn::Mul(hn::Set(df, p.scale), hn::LoadU(df, p.xs));
    const VF y = hn::Mul(hn::Set(df, p.scale), hn::LoadU(df, p.ys));
    const VF z = zwStep ? hn::LoadU(df, zs) : hn::Set(df, *zs);
    const VF w = zwStep ? hn::LoadU(df, ws) : hn::Set(df, *ws);
    const VF s = hn::Mul(hn::Add(hn::Add(hn::Add(x, y), z), w), hn::Set(df, F4));
    const VF vx = hn::Add(x, s), vy = hn::Add(y, s), vz = hn::Add(z, s), vw = hn::Add(w, s);
    // Lanes outside go on with whatever they hold: every step below is a
    // float operation, and the table index is masked to its range.
    c.inRange = AllInLatticeRange(df, vx, vy, vz, vw);
    const VF i = LatticeFloor(df, vx), j = LatticeFloor(df, vy), k = LatticeFloor(df, vz), l = LatticeFloor(df, vw);
    // Whole floats below 2^22 each: the sum is exact, as sample4's int sum.
    const VF t = hn::Mul(hn::Add(hn::Add(hn::Add(i, j), k), l), hn::Set(df, G4));
    c.x0 = hn::Sub(x, hn::Sub(i, t));
    c.y0 = hn::Sub(y, hn::Sub(j, t));
    c.z0 = hn::Sub(z, hn::Sub(k, t));
    c.w0 = hn::Sub(w, hn::Sub(l, t));

    // The ranks of cornerRank, counted from the comparisons (each set mask
    // is -1). The lanes hold numbers, so the comparisons are always those of
    // a real ordering and the table's rule gives these counts.
    const auto gt = [&](VF a, VF b) { return hn::VecFromMask(di, hn::RebindMask(di, hn::Gt(a, b))); };
    const VI xy = gt(c.x0, c.y0), xz = gt(c.x0, c.z0), yz = gt(c.y0, c.z0);
    const VI xw = gt(c.x0, c.w0), yw = gt(c.y0, c.w0), zw = gt(c.z0, c.w0);
    c.rankX = hn::Neg(hn::Add(hn::Add(xy, xz), xw));
    c.rankY = hn::Sub(hn::Sub(hn::Add(hn::Set(di, 1), xy), yz), yw);
    c.rankZ = hn::Sub(hn::Add(hn::Add(hn::Set(di, 2), xz), yz), zw);
    c.rankW = hn::Add(hn::Add(hn::Add(hn::Set(di, 3), xw), yw), zw);

    const VI byte = hn::Set(di, 255);
    c.i = hn::And(LatticeBits(df, i), byte);
    c.j = hn::And(LatticeBits(df, j), byte);
    const VI kk = hn::And(LatticeBits(df, k), byte), ll = hn::And(LatticeBits(df, l), byte);
    c.tables = p.tables;
    c.inner = PairWord(di, *p.tables, kk, ll);
    return c;
}

// The hash of the corner whose steps are set in si .. sl (each -1 or 0):
// perm[i + perm[j + perm[k + perm[l]]]], as p(i, j + p(k, l)), the step of
// the first coordinate of a pair choosing its second byte, of the second its
// third.
HWY_INLINE VI CornerHash(const Cell& c, VI si, VI sj, VI sk, VI sl)
{
    const DI di;
    const VI innerShift = hn::Or(hn::And(sk, hn::Set(di, 8)), hn::And(sl, hn::Set(di, 16)));
    const VI column = hn::And(hn::Add(hn::Sub(c.j, sj), hn::Shr(c.inner, innerShift)), hn::Set(di, 255));
    const VI outer = PairWord(di, *c.tables, c.i, column);
    return hn::And(hn::Shr(outer, hn::And(si, hn::Set(di, 8))), hn::Set(di, 31));
}

// The five corners' contributions summed and scaled, stored to out; the
// points are those Locate read, for a vector sample4 must redo.
HWY_INLINE void Sum(const Cell& c, const Points& p, float* out)
{
    const DF df;
    const DI di;
    if (HWY_UNLIKELY(!c.inRange)) {
        // Each point is read before its result is written: out may be an input.
        const int lanes = static_cast<int>(hn::Lanes(df));
        for (int l = 0; l < lanes; ++l) out[l] = p.sample(l);
        return;
    }
    const VF one = hn::Set(df, 1.0f);
    const VF x0m1 = hn::Sub(c.x0, one), y0m1 = hn::Sub(c.y0, one);
    const VF z0m1 = hn::Sub(c.z0, one), w0m1 = hn::Sub(c.w0, one);
    const VI none = hn::Zero(di), all = hn::Set(di, -1);

    VF sum = Contribution(CornerHash(c, none, none, none, none), c.x0, c.y0, c.z0, c.w0);
    // Corner n steps the coordinates of rank 4 - n or more. sample4
    // subtracts the step, 1 or 0, and x - 0 is x exactly, so the step's
    // choice is a choice of x0 - 1 or x0.
    for (int n = 1; n <= 3; ++n) {
        const VI below = hn::Set(di, 3 - n);
        const auto mI = hn::Gt(c.rankX, below), mJ = hn::Gt(c.rankY, below);
        const auto mK = hn::Gt(c.rankZ, below), mL = hn::Gt(c.rankW, below);
        const VF shift = hn::Set(df, static_cast<float>(n) * G4);
        const auto pick = [&](hn::Mask<DI> step, VF minusOne, VF offset) {
            return hn::Add(hn::IfThenElse(hn::RebindMask(df, step), minusOne, offset), shift);
        };
        const VI hash = CornerHash(c, hn::VecFromMask(di, mI), hn::VecFromMask(di, mJ), hn::VecFromMask(di, mK),
                                   hn::VecFromMask(di, mL));
        sum = hn::Add(sum, Contribution(hash, pick(mI, x0m1, c.x0), pick(mJ, y0m1, c.y0), pick(mK, z0m1, c.z0),
                                        pick(mL, w0m1, c.w0)));
    }
    const VF last = hn::Set(df, 4.0f * G4);
    sum = hn::Add(sum, Contribution(CornerHash(c, all, all, all, all), hn::Add(x0m1, last), hn::Add(y0m1, last),
                                    hn::Add(z0m1, last), hn::Add(w0m1, last)));
    hn::StoreU(hn::Mul(hn::Set(df, 27.0f), sum), df, out);
}

// gain < 0: the noise as it is; else times gain and clamped to [-1, 1], a
// comparison and a select each way (NaN stays NaN), as the seamless noise
// does.
HWY_INLINE void Scale(float gain, float* out)
{
    if (gain < 0.0f) return;
    const DF df;
    const VF one = hn::Set(df, 1.0f), minusOne = hn::Set(df, -1.0f);
    VF v = hn::Mul(hn::Set(df, gain), hn::LoadU(df, out));
    v = hn::IfThenElse(hn::Gt(v, one), one, v);
    hn::StoreU(hn::IfThenElse(hn::Lt(v, minusOne), minusOne, v), df, out);
}

void Sample4Lanes(const Points& points, float gain, int count, float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    int k = 0;
    if (count >= lanes) {
        // Each vector's first look-up starts before the previous vector's
        // sums. A vector's points are loaded before its results are stored,
        // so out may be an input.
        Cell current = Locate(points);
        for (; k + 2 * lanes <= count; k += lanes) {
            const Cell next = Locate(points.from(k + lanes));
            Sum(current, points.from(k), out + k);
            Scale(gain, out + k);
            current = next;
        }
        Sum(current, points.from(k), out + k);
        Scale(gain, out + k);
        k += lanes;
    }
    if (k == count) return;
    // The last few points go through the same lanes, padded with zeros.
    constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
    HWY_ALIGN float tx[maxLanes] = {}, ty[maxLanes] = {}, tz[maxLanes] = {}, tw[maxLanes] = {}, to[maxLanes];
    const int rest = count - k;
    const Points last = points.from(k);
    for (int l = 0; l < rest; ++l) {
        tx[l] = last.xs[l];
        ty[l] = last.ys[l];
        tz[l] = last.zs[l * last.zwStep];
        tw[l] = last.ws[l * last.zwStep];
    }
    const Points padded{points.tables, tx, ty, tz, tw, 1, points.scale};
    Sum(Locate(padded), padded, to);
    Scale(gain, to);
    for (int l = 0; l < rest; ++l) out[k + l] = to[l];
}

void Sample4Batch(const noisetables::TableSet& tables, const float* xs, const float* ys, const float* zs,
                  const float* ws, int count, float* out)
{
    Sample4Lanes({&tables, xs, ys, zs, ws, 1, 1.0f}, -1.0f, count, out);
}

void Sample4Row(const noisetables::TableSet& tables, const float* xs, const float* ys, float scale, float z, float w,
                float gain, int count, float* out)
{
    Sample4Lanes({&tables, xs, ys, &z, &w, 0, scale}, gain, count, out);
}

void Sample4Points(const noisetables::TableSet& tables, const float* xs, const float* ys, float scale, const float* zs,
                   const float* ws, float gain, int count, float* out)
{
    Sample4Lanes({&tables, xs, ys, zs, ws, 1, scale}, gain, count, out);
}

} // namespace HWY_NAMESPACE
} // namespace GradientNoise
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace GradientNoise {

namespace noisetables {
namespace {

struct PairHashTable {
    std::uint32_t entries[pairCount] = {};
    constexpr PairHashTable()
    {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b)
                entries[a * 256 + b] = std::uint32_t(hashAt(a, b)) | std::uint32_t(hashAt(a + 1, b)) << 8 |
                                       std::uint32_t(hashAt(a, b + 1)) << 16 | std::uint32_t(hashAt(a + 1, b + 1)) << 24;
    }
};

constexpr PairHashTable pairHashTable;

} // namespace

const std::uint32_t (&pairHash)[pairCount] = pairHashTable.entries;

} // namespace noisetables

HWY_EXPORT(Sample4Batch);
HWY_EXPORT(Sample4Row);
HWY_EXPORT(Sample4Points);

void sample4Batch(const noisetables::TableSet& tables, const float* xs, const float* ys, const float* zs,
                  const float* ws, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(Sample4Batch)(tables, xs, ys, zs, ws, count, out);
}

void sample4Batch(const float* xs, const float* ys, const float* zs, const float* ws, int count, float* out)
{
    sample4Batch(noisetables::defaultTables(), xs, ys, zs, ws, count, out);
}

void sample4TorusRow(const noisetables::TableSet& tables, const float* xs, const float* ys, float scale, float z,
                     float w, float gain, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(Sample4Row)(tables, xs, ys, scale, z, w, gain, count, out);
}

void sample4TorusPoints(const noisetables::TableSet& tables, const float* xs, const float* ys, float scale,
                        const float* zs, const float* ws, float gain, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(Sample4Points)(tables, xs, ys, scale, zs, ws, gain, count, out);
}

} // namespace GradientNoise
#endif
