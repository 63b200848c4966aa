// 3D Magic Carpet on what the loaded module draws: the arch of the lift, the
// seamless start of the flight, the bank, and the carpet dwindling to a line
// over picture B.
#include "tests/transitions/probe.h"
#include "transitions/common.h"

namespace svt::test {
namespace {


TransitionProbe Carpet(const char* bank, bool plain = true) {
    TransitionProbe carpet(7);
    carpet.Set("Bank", bank).Pictures(plain ? Picture(kW, kH, kRed) : PictureA(kW, kH),
                                      plain ? Picture(kW, kH, kBlue) : PictureB(kW, kH));
    return carpet;
}

// The progress at which the eased time reaches u, by bisection. The default
// Delay 7 lifts the carpet until u = l = 0.07·0.5 + 0.01 = 0.045.
double ProgressAt(double u) {
    double lo = 0, hi = 1;
    for (int i = 0; i < 60; ++i) (EaseProgress((lo + hi) / 2, 1.8, 0.4) < u ? lo : hi) = (lo + hi) / 2;
    return lo;
}
constexpr double kLift = 0.045;

TEST(MagicCarpet, TheLiftArchesTheCarpetAndTheFlightStartsWithoutAJump) {
    // Corners get z = asin(y)·p1. Half lifted, the bottom edge lies at
    // z = -π/4: w = 1 + (π/4)/6 = 1.1309, drawn at row (1 + 1/1.1309)·44.5 =
    // 83.9. Fully lifted, z = -π/2 there: w = 1.2618, row 79.8; the top edge
    // comes toward the viewer past the frame, and row 70 (y = -0.573 on
    // screen) shows the carpet where y = -0.639, z = -0.693, w = 1.1155:
    // its sides at x = ±0.8964, columns 8.2 and 150.8.
    TransitionProbe r = Carpet("0");
    auto isA = [](const Picture& p) { return BoxWhere(p, [&](int x, int y) { return Seen(p.at(x, y)) == 'A'; }); };
    EXPECT_NEAR(isA(r.Render(ProgressAt(kLift / 2))).bottom, 83.9, 1.0);
    const Picture arched = r.Render(ProgressAt(kLift));
    EXPECT_NEAR(isA(arched).bottom, 79.8, 1.0);
    std::string top, row70;
    for (int x = 0; x < kW; ++x) top += Seen(arched.at(x, 0)), row70 += Seen(arched.at(x, 70));
    EXPECT_EQ(top, std::string(kW, 'A'));
    EXPECT_NEAR(double(row70.find('A')), 8.2, 1.0);
    EXPECT_NEAR(double(row70.rfind('A')), 150.8, 1.0);

    TransitionProbe pictures = Carpet("0", false);
    const double tl = ProgressAt(kLift);
    const Picture before = pictures.Render(tl - 1e-5), after = pictures.Render(tl + 1e-5);
    EXPECT_LT(MeanDifference(before, after), 0.5);
    EXPECT_GT(MeanDifference(after, pictures.Render(tl + 0.03)), 5.0) << "the same measure sees the carpet move";
}

TEST(MagicCarpet, BankZeroFliesStraightAndOppositeBanksMirrorEachOther) {
    // The carpet and its wave are symmetric in x; only the bank about the
    // view axis breaks that, and turning by -γ instead of γ mirrors it.
    TransitionProbe straight = Carpet("0"), left = Carpet("-100"), right = Carpet("100");
    auto mismatches = [](const Picture& p, const Picture& q) {
        long n = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) n += (Seen(p.at(x, y)) == 'A') != (Seen(q.at(kW - 1 - x, y)) == 'A');
        return n;
    };
    constexpr long kFew = kW * kH / 200;
    for (double t : {0.3, 0.45, 0.7}) {
        const Picture s = straight.Render(t), l = left.Render(t), q = right.Render(t);
        EXPECT_LT(mismatches(s, s), kFew) << t;
        EXPECT_LT(mismatches(l, q), kFew) << t;
        EXPECT_GT(mismatches(q, q), 4 * kFew) << t << ": the banked carpet has turned";
    }
    // Which way: at t = 0.3, u = 0.2846, p2 = (0.2846 - 0.045)/0.955 =
    // 0.2509 and Bank 100 turns by γ = 2π·0.2509 ≈ +90°. The wave has carried
    // the former top edge to z = π/2 - 12.5·0.2509 = -1.57, y = sin(-1.57) =
    // -1 (times 1 - p2²): the near, larger end is at the bottom, and
    // (x, y) -> (x·cos γ + y·sin γ, ...) takes (0, -1) to (-1, 0), the left.
    const Picture q = right.Render(0.3);
    long sides[2] = {0, 0};
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) sides[2 * x > kW - 1] += Seen(q.at(x, y)) == 'A';
    EXPECT_GT(sides[0], sides[1] * 3 / 2);
}

TEST(MagicCarpet, NearTheEndTheCarpetIsAShortLineAcrossTheMiddle) {
    // At t = 0.97, u = 0.9821 and p2 = 0.9812: the wave's height 1 - p2² =
    // 0.037 is under a pixel at that depth, and the carpet spans z from
    // -13.84 to -10.69; its near end (w = 1 + 10.69/6 = 2.78) reaches
    // x = ±0.3595, columns 50.9 to 108.1. Everything else is picture B.
    const Picture out = Carpet("0").Render(0.97);
    const PixelBox carpet = BoxWhere(out, [&](int x, int y) { return Seen(out.at(x, y)) != 'B'; });
    EXPECT_GT(carpet.count, 20);
    EXPECT_GE(carpet.top, 43);
    EXPECT_LE(carpet.bottom, 46);
    EXPECT_GE(carpet.left, 50);
    EXPECT_LE(carpet.right, 109);
}

} // namespace
} // namespace svt::test
