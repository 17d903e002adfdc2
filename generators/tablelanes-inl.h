// The permutation of a table set on lanes, shared by every kernel that
// hashes lattice points: the 2-D and 4-D noise and the Cells rows. A kernel
// reads its layer's tables only through these, from the derived tables
// where the set has them and by gathers from the permutation itself where
// the cache's bound left it none (noisetables.h); both give the same values.
// Included by files that Highway compiles once per target, so guarded per
// target, as Highway's own -inl headers are.
#if defined(PATTERNLENS_TABLELANES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef PATTERNLENS_TABLELANES_INL_H_
#undef PATTERNLENS_TABLELANES_INL_H_
#else
#define PATTERNLENS_TABLELANES_INL_H_
#endif

#include "generators/noisetables.h"

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace GradientNoise {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// P[index] for each lane, index within 0..511.
template <class DI>
HWY_INLINE hn::Vec<DI> PermutationLanes(DI di, const noisetables::TableSet& tables, hn::Vec<DI> index)
{
    if (tables.permutation32) return hn::GatherIndex(di, tables.permutation32, index);
    // Four bytes from the entry on (the table is padded for the last),
    // of which the low one is the entry.
    const auto* bytes = reinterpret_cast<const std::int32_t*>(tables.permutation);
    return hn::And(hn::GatherOffset(di, bytes, index), hn::Set(di, 255));
}

// The pairHash word of (a, b) for each lane, a and b within 0..255: from
// the low byte up p(a, b), p(a + 1, b), p(a, b + 1), p(a + 1, b + 1), with
// p(a, b) = P[a + P[b]].
template <class DI>
HWY_INLINE hn::Vec<DI> PairWord(DI di, const noisetables::TableSet& tables, hn::Vec<DI> a, hn::Vec<DI> b)
{
    if (tables.pairHash)
        return hn::GatherIndex(di, reinterpret_cast<const std::int32_t*>(tables.pairHash),
                               hn::Or(hn::ShiftLeft<8>(a), b));
    const auto one = hn::Set(di, 1);
    const auto a1 = hn::Add(a, one);
    const auto pb = PermutationLanes(di, tables, b);
    const auto pb1 = PermutationLanes(di, tables, hn::Add(b, one));
    const auto h00 = PermutationLanes(di, tables, hn::Add(a, pb));
    const auto h10 = PermutationLanes(di, tables, hn::Add(a1, pb));
    const auto h01 = PermutationLanes(di, tables, hn::Add(a, pb1));
    const auto h11 = PermutationLanes(di, tables, hn::Add(a1, pb1));
    return hn::Or(hn::Or(h00, hn::ShiftLeft<8>(h10)), hn::Or(hn::ShiftLeft<16>(h01), hn::ShiftLeft<24>(h11)));
}

} // namespace HWY_NAMESPACE
} // namespace GradientNoise
HWY_AFTER_NAMESPACE();

#endif
