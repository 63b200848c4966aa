// 3D Magic Carpet on what the loaded module draws: the arch of the lift, the
// seamless start of the flight, the bank, and the carpet dwindling to a line
// over picture B.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/transitions/red_blue_probe.h"
#include "transitions/common.h"

namespace svt {
namespace {

using probe::At;
using probe::kBlue;
using probe::kRed;
using probe::Picture;

constexpr uint32_t kMagicCarpet = 7;
constexpr int kW = 160, kH = 90;

std::unique_ptr<host::EffectRenderer> Carpet(const char* bank, bool plain = true) {
    return probe::Make(kMagicCarpet, {{"Bank", bank}}, plain ? Picture(kW, kH, kRed) : harness::PictureA(kW, kH),
                       plain ? Picture(kW, kH, kBlue) : harness::PictureB(kW, kH));
}

// The progress at which the eased time reaches u, by bisection. The default
// Delay 7 lifts the carpet until u = l = 0.07·0.5 + 0.01 = 0.045.
double ProgressAt(double u) {
    double lo = 0, hi = 1;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (EaseProgress(mid, 1.8, 0.4) < u ? lo : hi) = mid;
    }
    return lo;
}
constexpr double kLift = 0.045;

TEST(MagicCarpet, TheLiftBendsTheCarpetIntoAnArchTowardTheViewer) {
    // Corners get z = asin(y)·p1. Half lifted, the bottom edge lies at
    // z = -π/4: w = 1 + (π/4)/6 = 1.1309, drawn at row (1 + 1/1.1309)·44.5 =
    // 83.9. Fully lifted, z = -π/2 there: w = 1.2618, row 79.8; the top edge
    // comes toward the viewer past the frame, and row 70 (y = -0.573 on
    // screen) shows the carpet where y = -0.639, z = -0.693, w = 1.1155:
    // its sides at x = ±0.8964, columns 8.2 and 150.8.
    auto r = Carpet("0");
    ASSERT_TRUE(r);
    auto lowest = [](const Picture& p) {
        int bottom = -1;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (probe::Seen(p.at(x, y)) == 'A') bottom = y;
        return bottom;
    };
    EXPECT_NEAR(lowest(At(*r, ProgressAt(kLift / 2))), 83.9, 1.0);
    const Picture arched = At(*r, ProgressAt(kLift));
    EXPECT_NEAR(lowest(arched), 79.8, 1.0);
    std::string top, row70;
    for (int x = 0; x < kW; ++x) top += probe::Seen(arched.at(x, 0)), row70 += probe::Seen(arched.at(x, 70));
    EXPECT_EQ(top, std::string(kW, 'A'));
    EXPECT_NEAR(double(row70.find('A')), 8.2, 1.0);
    EXPECT_NEAR(double(row70.rfind('A')), 150.8, 1.0);
}

TEST(MagicCarpet, TheFlightStartsWhereTheLiftEndsWithoutAJump) {
    auto r = Carpet("0", false);
    ASSERT_TRUE(r);
    const double tl = ProgressAt(kLift);
    const Picture before = At(*r, tl - 1e-5), after = At(*r, tl + 1e-5), later = At(*r, tl + 0.03);
    EXPECT_LT(harness::MeanDifference(before, after), 0.5);
    EXPECT_GT(harness::MeanDifference(after, later), 5.0) << "the same measure sees the carpet move";
}

TEST(MagicCarpet, BankZeroFliesStraightAndOppositeBanksMirrorEachOther) {
    // The carpet and its wave are symmetric in x; only the bank about the
    // view axis breaks that, and turning by -γ instead of γ mirrors it.
    auto straight = Carpet("0"), left = Carpet("-100"), right = Carpet("100");
    ASSERT_TRUE(straight && left && right);
    auto mismatches = [](const Picture& p, const Picture& q) {
        long n = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                n += (probe::Seen(p.at(x, y)) == 'A') != (probe::Seen(q.at(kW - 1 - x, y)) == 'A');
        return n;
    };
    constexpr long kFew = kW * kH / 200;
    for (double t : {0.3, 0.45, 0.7}) {
        const Picture s = At(*straight, t), l = At(*left, t), q = At(*right, t);
        EXPECT_LT(mismatches(s, s), kFew) << t;
        EXPECT_LT(mismatches(l, q), kFew) << t;
        EXPECT_GT(mismatches(q, q), 4 * kFew) << t << ": the banked carpet has turned";
    }
    // Which way: at t = 0.3, u = 0.2846, p2 = (0.2846 - 0.045)/0.955 =
    // 0.2509 and Bank 100 turns by γ = 2π·0.2509 ≈ +90°. The wave has carried
    // the former top edge to z = π/2 - 12.5·0.2509 = -1.57, y = sin(-1.57) =
    // -1 (times 1 - p2²): the near, larger end is at the bottom, and
    // (x, y) -> (x·cos γ + y·sin γ, ...) takes (0, -1) to (-1, 0), the left.
    const Picture q = At(*right, 0.3);
    long sides[2] = {0, 0};
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) sides[2 * x > kW - 1] += probe::Seen(q.at(x, y)) == 'A';
    EXPECT_GT(sides[0], sides[1] * 3 / 2);
}

TEST(MagicCarpet, NearTheEndTheCarpetIsAShortLineAcrossTheMiddle) {
    // At t = 0.97, u = 0.9821 and p2 = 0.9812: the wave's height 1 - p2² =
    // 0.037 is under a pixel at that depth, and the carpet spans z from
    // -13.84 to -10.69; its near end (w = 1 + 10.69/6 = 2.78) reaches
    // x = ±0.3595, columns 50.9 to 108.1. Everything else is picture B.
    auto r = Carpet("0");
    ASSERT_TRUE(r);
    const Picture out = At(*r, 0.97);
    long carpet = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (probe::Seen(out.at(x, y)) != 'B') {
                ++carpet;
                EXPECT_TRUE(std::abs(y - 44.5) < 2.5 && std::abs(x - 79.5) < 30) << x << ", " << y;
            }
    EXPECT_GT(carpet, 20);
}

} // namespace
} // namespace svt
