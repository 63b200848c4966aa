// Many renders in a row, as an editor exporting a long timeline does: every
// render gives back all the host memory it took, and the module's own heap
// stops growing once each transition has its canvas. The CI run is short;
// scripts/soak runs the same test with SVT_SOAK_RENDERS=10000 or more.
#include <malloc.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/shared_module.h"

namespace svt {
namespace {

size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

TEST(Soak, RendersHoldNoMemory) {
    const char* wanted = std::getenv("SVT_SOAK_RENDERS");
    const long renders = wanted ? std::atol(wanted) : 13 * 40;
    ASSERT_GE(renders, 13 * 4) << "SVT_SOAK_RENDERS is too small to tell anything";
    std::vector<std::unique_ptr<host::EffectRenderer>> transitions;
    for (uint32_t index = 0; index < 13; ++index) {
        transitions.push_back(test::NewRenderer(index, 96, 54));
        ASSERT_TRUE(transitions.back()) << index;
    }
    long failures = 0;
    size_t heapAfterWarmUp = 0;
    for (long n = 0; n < renders; ++n) {
        host::EffectRenderer& r = *transitions[size_t(n % 13)];
        // Presets in turn (looks, counts and backgrounds change), and a
        // progress that also strays outside [0, 1].
        if (n % 13 == 0 || n % 7 == 0) r.ApplyPreset(int((n / 13) % long(r.info().presets.size())));
        const double t = double((n * 7919) % 1200) / 1000.0 - 0.1;
        const host::RenderCheck c = r.Render(t);
        if (!c.rendered || !c.clean()) {
            if (++failures <= 5) ADD_FAILURE() << "render " << n << " at t " << t << ": " << c.Problems();
        }
        if (n == 13 * 3 - 1) heapAfterWarmUp = HeapInUse();
    }
    EXPECT_EQ(failures, 0);
    // Growth beyond a few allocator pages would be a leak of some bytes per
    // render (0.5 MiB over 10,000 renders is 50 bytes each).
    EXPECT_LT(HeapInUse(), heapAfterWarmUp + (512u << 10)) << "after " << renders << " renders";
    RecordProperty("renders", int(renders));
}

} // namespace
} // namespace svt
