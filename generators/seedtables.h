#pragma once
// Seeds: every layer has one, a whole number from 0 to 4294967295, which
// picks the permutation its noise reads, and so its own variation of the
// pattern. Seed 0 is the reference permutation.
//
// A seed s other than 0 shuffles the reference permutation p: with state = s
// as an unsigned 64-bit integer, for i from 255 down to 1, state advances by
// 0x9E3779B97F4A7C15, z is state mixed by the SplitMix64 finaliser, and p[i]
// is swapped with p[z mod (i + 1)]. The result is defined to the bit, so a
// seed gives the same picture everywhere.
//
// The tables a seed's noise reads (noisetables.h: the permutation and the
// 0.8 MB derived from it) are made once per seed in use and shared by every
// layer, render, preview and export through one thread-safe cache. A set
// goes when no layer holds it any more. The derived tables of all sets
// together stay within cacheBound: a seed beyond it gets a set with its
// permutation alone, whose kernels gather from it (the same values).
#include "generators/noisetables.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace seedtables {

using TableSet = GradientNoise::noisetables::TableSet;

constexpr std::size_t cacheBound = std::size_t(64) << 20;   // 64 MiB

// The first 256 entries of seed's permutation.
void permutation(std::uint32_t seed, std::uint8_t out[256]);

// The table set of seed, shared while anyone holds it. Seed 0's is the
// reference set, built at compile time and never counted.
std::shared_ptr<const TableSet> acquire(std::uint32_t seed);

// A set of seed's permutation alone, outside the cache: what a seed beyond
// the bound gets (tests compare the kernels on it).
std::shared_ptr<const TableSet> permutationOnly(std::uint32_t seed);

// The bytes of derived tables the cache holds now, and those of one set.
std::size_t bytesHeld();
std::size_t derivedBytes();

} // namespace seedtables
