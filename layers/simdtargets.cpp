#include "layers/simdtargets.h"

#include "layers/rowkernels.h"

#include <hwy/targets.h>

namespace simdtargets {

std::vector<Target> available()
{
    std::vector<Target> targets;
    // Lower bits are the better targets, and come first.
    for (std::int64_t bit : hwy::SupportedAndGeneratedTargets()) targets.push_back({bit, hwy::TargetName(bit)});
    return targets;
}

const char* current()
{
    return rowkernels::targetName();
}

Forced::Forced(const Target& target)
{
    hwy::SetSupportedTargetsForTest(target.bit);
}

Forced::~Forced()
{
    hwy::SetSupportedTargetsForTest(0);
}

} // namespace simdtargets
