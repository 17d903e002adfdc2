#pragma once
// Checks that guard against programming errors. They stay active in every
// build type: a violated invariant in a view or mapping aborts with the text of
// the failing expression and the module it belongs to, instead of drawing
// garbage or dividing by zero later.
#include <cstdio>
#include <cstdlib>

#define PL_CHECK(expr, module)                                                   \
    do {                                                                         \
        if (!(expr)) {                                                           \
            std::fprintf(stderr, "Assertion failed: %s (%s)\n", #expr, module); \
            std::abort();                                                        \
        }                                                                        \
    } while (0)
