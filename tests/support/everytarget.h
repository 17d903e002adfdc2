#pragma once
// Runs a check once on every SIMD target this build and this processor
// have, with the kernels forced onto it, and checks that the forcing took.
#include "layers/simdtargets.h"

#include <gtest/gtest.h>

#include <vector>

template <class Check>
void onEveryTarget(Check check)
{
    const std::vector<simdtargets::Target> targets = simdtargets::available();
    ASSERT_FALSE(targets.empty());
    for (const simdtargets::Target& target : targets) {
        simdtargets::Forced forced(target);
        ASSERT_STREQ(simdtargets::current(), target.name);
        SCOPED_TRACE(target.name);
        check();
    }
}
