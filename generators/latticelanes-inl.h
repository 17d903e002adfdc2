// Lattice steps of the batched noise on lanes, shared by the 2-D and 4-D
// kernels. Included by a file that Highway compiles once per target, so it is
// guarded per target, as Highway's own -inl headers are.
#if defined(PATTERNLENS_LATTICELANES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef PATTERNLENS_LATTICELANES_INL_H_
#undef PATTERNLENS_LATTICELANES_INL_H_
#else
#define PATTERNLENS_LATTICELANES_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace GradientNoise {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// latticeFloor as a whole float, for |v| < 2^22: trunc(v) for v > 0, else
// trunc(v) - 1. Tests of signs and magnitudes read the float's bits as an
// int (v > 0 is a positive int; -0 and NaN are not): integer compares leave
// the float multipliers' pipes to the multiplications.
template <class DF>
HWY_INLINE hn::Vec<DF> LatticeFloor(DF df, hn::Vec<DF> v)
{
    const hn::RebindToSigned<DF> di;
    const auto positive = hn::RebindMask(df, hn::Gt(hn::BitCast(di, v), hn::Zero(di)));
    return hn::Sub(hn::Trunc(v), hn::IfThenZeroElse(positive, hn::Set(df, 1.0f)));
}

// A whole float i with |i| <= 2^22 as an int that differs from i by a
// constant: adding 1.5 * 2^23 puts i + 2^22 into the mantissa's low bits.
// Its low byte is the lattice index, i mod 256 (non-negative), and the
// difference of two is the difference of the floats.
template <class DF>
HWY_INLINE hn::Vec<hn::RebindToSigned<DF>> LatticeBits(DF df, hn::Vec<DF> i)
{
    const hn::RebindToSigned<DF> di;
    return hn::BitCast(di, hn::Add(i, hn::Set(df, 12582912.0f)));
}

// Whether every lane of the four vectors holds |v| < 2^22 (comparing the
// bits of |v| as ints; a NaN's are larger).
template <class DF>
HWY_INLINE bool AllInLatticeRange(DF df, hn::Vec<DF> a, hn::Vec<DF> b, hn::Vec<DF> c, hn::Vec<DF> d)
{
    const hn::RebindToSigned<DF> di;
    const auto bits = [&](hn::Vec<DF> v) { return hn::BitCast(di, hn::Abs(v)); };
    (void)df;
    const auto largest = hn::Max(hn::Max(bits(a), bits(b)), hn::Max(bits(c), bits(d)));
    return hn::AllTrue(di, hn::Lt(largest, hn::Set(di, 0x4A800000)));   // 2^22
}

} // namespace HWY_NAMESPACE
} // namespace GradientNoise
HWY_AFTER_NAMESPACE();

#endif
