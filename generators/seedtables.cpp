#include "generators/seedtables.h"

#include "generators/gradientnoise.h"

#include <mutex>
#include <unordered_map>

namespace GradientNoise {
namespace noisetables {

const TableSet& defaultTables()
{
    static const TableSet tables = [] {
        TableSet t;
        t.seed = 0;
        t.permutation = GradientNoise::permutation;
        t.permutation32 = permutation32;
        t.cellHash = cellHash;
        t.cellRows = cellRows;
        t.pairHash = pairHash;
        return t;
    }();
    return tables;
}

} // namespace noisetables
} // namespace GradientNoise

namespace seedtables {

namespace nt = GradientNoise::noisetables;

namespace {

// The tables derived from a permutation, as the reference ones are from the
// reference permutation (gradientnoisebatch.cpp, gradientnoise4batch.cpp).
struct Derived {
    alignas(64) std::int32_t permutation32[512];
    alignas(64) std::uint32_t pairHash[nt::pairCount];
    alignas(64) std::uint32_t cellHash[nt::cellCount];
    alignas(64) std::uint32_t cellRows[257][nt::cellRowLength];

    explicit Derived(const std::uint8_t* p)
    {
        for (int k = 0; k < 512; ++k) permutation32[k] = p[k];
        const auto hash = [p](int a, int b) { return std::uint32_t(p[(a + p[b & 255]) & 255]); };
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                const std::uint32_t h00 = hash(a, b), h10 = hash(a + 1, b);
                const std::uint32_t h01 = hash(a, b + 1), h11 = hash(a + 1, b + 1);
                pairHash[a * 256 + b] = h00 | h10 << 8 | h01 << 16 | h11 << 24;
                cellHash[a * 256 + b] = (h00 & 7) | (h10 & 7) << 8 | (h01 & 7) << 16 | (h11 & 7) << 24;
            }
        for (int b = 0; b < 257; ++b)
            for (int a = 0; a < nt::cellRowLength; ++a) cellRows[b][a] = cellHash[(a & 255) * 256 + (b & 255)];
    }
};

struct SeedSet : TableSet {
    alignas(64) std::uint8_t bytes[512 + nt::permutationPad] = {};
    std::unique_ptr<Derived> derived;
};

struct Cache {
    std::mutex mutex;
    std::unordered_map<std::uint32_t, std::weak_ptr<const SeedSet>> sets;
    std::size_t held = 0;
};

Cache& cache()
{
    static Cache* c = new Cache;   // never destroyed: sets may outlive static destruction
    return *c;
}

} // namespace

void permutation(std::uint32_t seed, std::uint8_t out[256])
{
    for (int k = 0; k < 256; ++k) out[k] = nt::permutationValues[k];
    if (seed == 0) return;
    std::uint64_t state = seed;
    for (int i = 255; i >= 1; --i) {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        const int j = static_cast<int>(z % static_cast<std::uint64_t>(i + 1));
        const std::uint8_t t = out[i];
        out[i] = out[j];
        out[j] = t;
    }
}

std::shared_ptr<const TableSet> permutationOnly(std::uint32_t seed)
{
    auto set = std::make_shared<SeedSet>();
    set->seed = seed;
    permutation(seed, set->bytes);
    for (int k = 0; k < 256; ++k) set->bytes[256 + k] = set->bytes[k];
    set->permutation = set->bytes;
    return set;
}

std::size_t derivedBytes()
{
    return sizeof(Derived);
}

std::size_t bytesHeld()
{
    Cache& c = cache();
    std::lock_guard<std::mutex> lock(c.mutex);
    return c.held;
}

std::shared_ptr<const TableSet> acquire(std::uint32_t seed)
{
    if (seed == 0) return std::shared_ptr<const TableSet>(&nt::defaultTables(), [](const TableSet*) {});
    Cache& c = cache();
    std::lock_guard<std::mutex> lock(c.mutex);
    auto found = c.sets.find(seed);
    if (found != c.sets.end())
        if (std::shared_ptr<const SeedSet> set = found->second.lock()) return set;

    // Built under the lock (well under a millisecond), so a seed is never
    // built twice at once.
    auto set = std::make_unique<SeedSet>();
    set->seed = seed;
    permutation(seed, set->bytes);
    for (int k = 0; k < 256; ++k) set->bytes[256 + k] = set->bytes[k];
    set->permutation = set->bytes;
    if (c.held + sizeof(Derived) <= cacheBound) {
        set->derived = std::make_unique<Derived>(set->bytes);
        c.held += sizeof(Derived);
        set->permutation32 = set->derived->permutation32;
        set->pairHash = set->derived->pairHash;
        set->cellHash = set->derived->cellHash;
        set->cellRows = set->derived->cellRows;
    }
    std::shared_ptr<const SeedSet> shared(set.release(), [](const SeedSet* gone) {
        Cache& c = cache();
        {
            std::lock_guard<std::mutex> lock(c.mutex);
            if (gone->derived) c.held -= sizeof(Derived);
            // A set made again for this seed since this one expired stays.
            const auto entry = c.sets.find(gone->seed);
            if (entry != c.sets.end() && entry->second.expired()) c.sets.erase(entry);
        }
        delete gone;
    });
    c.sets[seed] = shared;
    return shared;
}

} // namespace seedtables
