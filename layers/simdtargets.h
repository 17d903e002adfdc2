#pragma once
// The instruction sets the SIMD kernels are compiled for, and the choice
// among them.
//
// Every kernel (rowkernels.h, patternlanes.h, the batched noise) is written
// once and compiled for each instruction set Highway knows on this
// architecture; each call runs the best one the processor supports. Tests
// and benchmarks force each target in turn to compare or measure them.
#include <cstdint>
#include <vector>

namespace simdtargets {

struct Target {
    std::int64_t bit = 0;      // Highway's bit for the target
    const char* name = "";     // "AVX2", "SSE4", "EMU128", ...
};

// The targets compiled into this build that this processor runs, best first.
std::vector<Target> available();

// The name of the target the kernels run on now.
const char* current();

// While one lives, every kernel call, on any thread, runs on the given
// target; then the best one again. Make one only while nothing renders, and
// one at a time.
class Forced {
public:
    explicit Forced(const Target& target);
    ~Forced();
    Forced(const Forced&) = delete;
    Forced& operator=(const Forced&) = delete;
};

} // namespace simdtargets
