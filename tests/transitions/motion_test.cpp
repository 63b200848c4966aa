// Each transition's motion (a test suite each, the two grids together)
// measured on what the loaded module draws, against numbers worked out by
// hand from the motion.
#include <array>

#include "tests/transitions/probe.h"
#include "transitions/common.h"

namespace svt::test {
namespace {

constexpr uint32_t kLouverGrid = 5, kRotatingFrames = 10;

TransitionProbe Box(const char* speed, const char* depth, bool topDown = true) {
    TransitionProbe box(0);
    box.Set("Speed", speed).Set("Depth", depth).Set("Tilt", "0.5,0.5").Set("Background", "Transparent");
    box.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
    return box;
}

TEST(BoxFold, HalfFoldIsTheFlatNetAndAFastFoldStaysClosedUntilItsWindow) {
    // t = 0.5 lies in the linear middle of the easing (u = 0.5), halfway
    // through the fold whatever its speed: the net lies flat. Depth 0 gives
    // k = 0.1, so the net sits at z = -10·0.1 - 2·sin(π/4) = -2.414
    // (w = 1 + 2.414/6 = 1.402) and 0.6·0.1 = 0.06 down: the front spans x in
    // ±0.713 and y from -0.756 to 0.671, that is columns 0.14 to 0.86 and
    // rows 0.16 to 0.88 of the frame.
    host::Picture out = Box("0", "0").Render(0.5);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.52, 0.18, 0.18), kUprightA);
    // The four sides lie around it, reaching past the frame's edges, and
    // leave the corners of the cross empty.
    for (auto [fx, fy] : {std::pair{0.97, 0.52}, {0.03, 0.52}, {0.5, 0.04}, {0.5, 0.96}})
        EXPECT_NE(CodeAt(out, fx, fy), kClear) << fx << ", " << fy;
    for (auto [fx, fy] : {std::pair{0.97, 0.04}, {0.03, 0.04}, {0.97, 0.96}, {0.03, 0.96}})
        EXPECT_EQ(CodeAt(out, fx, fy), kClear) << fx << ", " << fy;

    // Speed 100: the fold takes u from 0.45 to 0.55. At u = 0.45 the box is
    // closed and straight on, receding to z = -10·0.1·sin(0.45π) -
    // 2·sin(0.225π) = -2.29 (w = 1.38): its front spans x in ±0.72.
    TransitionProbe fast = Box("100", "0");
    out = fast.Render(0.45);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.52, 0.18, 0.18), kUprightA);
    EXPECT_EQ(CodeAt(out, 0.93, 0.52), kClear);
    EXPECT_EQ(CodeAt(out, 0.07, 0.52), kClear);
    // At u = 0.55 it is inside out: its former back, at z = 2 - 10·0.1·0.988 -
    // 2·sin(0.275π) = -0.50 (w = 1.08), spans x in ±0.92 and shows picture B
    // the right way up and round.
    out = fast.Render(0.55);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.52, 0.2, 0.2), kUprightB);
    EXPECT_EQ(CodeAt(out, 0.99, 0.52), kClear);
}

TEST(BoxFold, CentredTiltIsStraightOnAndOffCentreTiltTurnsTheFaceThatWay) {
    // Tilt (0.5, 0.5): no turn at all, the outline is symmetric left to
    // right at every stage (up to the rounding of the smooth edges).
    TransitionProbe box = Box("100", "100");
    for (double t : {0.3, 0.5, 0.7}) {
        const host::Picture p = box.Render(t);
        int differ = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW / 2; ++x) differ += (p.at(x, y).a >= 128) != (p.at(kW - 1 - x, y).a >= 128);
        EXPECT_LT(differ, 0.01 * kH * kW / 2) << "t = " << t;
    }
    // Tilt x = 0 turns the front toward the left: the closed box then shows
    // its right side, which faces the light at a slant and is drawn darker,
    // to the right of the front; x = 1 the other way round. Likewise y = 1
    // turns it toward the bottom of the picture as shown (whichever order
    // the frame's rows are stored in) and shows the top side above it.
    // Measured: the brightness of the outermost opaque pixels on the middle
    // row (or column), the first end minus the last.
    for (bool topDown : {true, false}) {
        TransitionProbe tilted = Box("100", "100", topDown);
        auto sideDarkness = [&](const char* tilt, bool alongColumn) {
            const host::Picture out = tilted.Set("Tilt", tilt).Render(0.3);
            const int n = alongColumn ? kH : kW;
            auto at = [&](int i) -> const Rgba& { return alongColumn ? out.at(kW / 2, i) : out.at(i, kH / 2); };
            int first = 0, last = n - 1;
            while (first < n - 1 && at(first).a < 255) ++first;
            while (last > 0 && at(last).a < 255) --last;
            auto level = [&](int i) { return int(std::max({at(i).r, at(i).g, at(i).b})); };
            return level(std::min(first + 2, n - 1)) - level(std::max(last - 2, 0));
        };
        EXPECT_GT(sideDarkness("0,0.5", false), 30) << "dark side on the right, top-down " << topDown;
        EXPECT_LT(sideDarkness("1,0.5", false), -30) << "dark side on the left, top-down " << topDown;
        EXPECT_LT(sideDarkness("0.5,1", true), -30) << "dark side at the top, top-down " << topDown;
        EXPECT_GT(sideDarkness("0.5,0", true), 30) << "dark side at the bottom, top-down " << topDown;
    }
}

TransitionProbe Board(const char* grid, const char* depth, const char* start, const char* end, const char* rotate) {
    TransitionProbe board(1);
    board.Set("Grid", grid).Set("Depth", depth).Set("Tilt", "0.5,0.5").Set("Start", start).Set("End", end);
    board.Set("Rotate", rotate).Set("Background", "Transparent").Pictures(Picture(kW, kH, kRed), Picture(kW, kH, kBlue));
    return board;
}

TEST(CheckerBoard, TheViewSlidesFromTheStartTileToTheEndTile) {
    // Tiles picked by hand from the rules: column trunc(x·n - 0.5), row
    // trunc((1 - y)·n - 0.5); a start on a B tile (row + column even) moves
    // down a row, else right a column, else up a row; an end on A likewise.
    struct Slide {
        const char *grid, *start, *end, *rotate;
        int fromRow, fromColumn, toRow, toColumn;
    };
    const Slide slides[] = {
        {"2", "1,1", "1,0", "off", 0, 1, 1, 1},         // (0, 1) is A, (1, 1) B: straight down
        {"2", "0,1", "0,1", "on", 1, 0, 0, 0},          // both pick (0, 0), B: the start moves down
        {"3", "0,0", "1,0", "off", 2, 1, 2, 2},         // (2, 0), B, on the last row: right
        {"3", "1,0", "0,1", "off", 1, 2, 0, 0},         // the corner (2, 2), B: up
        {"4", "0.6,0.4", "0.4,0.9", "on", 2, 1, 1, 1},  // (1, 1) is B: down; the end (0, 1) is A: down
    };
    // Without depth the board stays flat and square to the camera: frame
    // point p shows the board at R(-ψ)·(p + s + u·(e - s)), s and e the tile
    // centres (2·column - n + 1, n - 2·row - 1), u the eased progress, and
    // "Rotate" spinning it by ψ = 2π·u (Tilt x = 0.5: the positive way),
    // where R turns (x, y) to (x·cos ψ + y·sin ψ, -x·sin ψ + y·cos ψ). A
    // tile with an odd row + column shows A. Points near a tile edge are
    // not judged.
    for (const Slide& slide : slides) {
        TransitionProbe r = Board(slide.grid, "0", slide.start, slide.end, slide.rotate);
        const int n = std::stoi(slide.grid);
        const double sx = 2 * slide.fromColumn - n + 1, sy = n - 2 * slide.fromRow - 1;
        const double ex = 2 * slide.toColumn - n + 1, ey = n - 2 * slide.toRow - 1;
        for (double t : {0.2, 0.5, 0.8}) {
            const double u = EaseProgress(t, 1.5, 0.5), psi = std::string(slide.rotate) == "on" ? 2 * kPi * u : 0.0;
            const Picture out = r.Render(t);
            std::string seen, want;
            for (double py = -0.9; py < 0.95; py += 0.15)
                for (double px = -0.9; px < 0.95; px += 0.15) {
                    const double qx = px + sx + u * (ex - sx), qy = py + sy + u * (ey - sy);
                    const double column = (qx * std::cos(psi) - qy * std::sin(psi) + n) / 2;
                    const double row = (n - qx * std::sin(psi) - qy * std::cos(psi)) / 2;
                    if (std::abs(column - std::round(column)) < 0.025 || std::abs(row - std::round(row)) < 0.025)
                        continue;
                    const int c = int(std::floor(column)), k = int(std::floor(row));
                    seen += SeenAt(out, px, py);
                    want += c < 0 || c >= n || k < 0 || k >= n ? '.' : (c + k) % 2 ? 'A' : 'B';
                }
            EXPECT_EQ(seen, want) << "grid " << slide.grid << " from " << slide.start << " to " << slide.end
                                  << " at t " << t;
        }
    }
}

TEST(CheckerBoard, DepthSendsTheBoardBackMidway) {
    // Midway on a 2 x 2 board at Depth 100, k = sin(π/2)·2·1 = 2: the board
    // recedes by 7.5·2 = 15 (drawn at 1/(1 + 15/6) = 0.29 of its size) and
    // all four tiles show in a small part of the frame. Without depth the
    // same moment is half of two tiles filling the frame.
    const Picture far = Board("2", "100", "1,1", "0,1", "off").Render(0.5);
    const Picture near = Board("2", "0", "1,1", "0,1", "off").Render(0.5);
    const long all = long(kW) * kH;
    EXPECT_GT(Count(far, '.'), all / 2);
    EXPECT_GT(Count(far, 'A'), all / 20);
    EXPECT_GT(Count(far, 'B'), all / 20);
    EXPECT_NEAR(double(Count(near, 'A')) / all, 0.5, 0.03);
    EXPECT_NEAR(double(Count(near, 'B')) / all, 0.5, 0.03);
}

// Strip i of four upright strips spans output columns 40i to 40i + 40.
const Picture kA = Cells(kW, kH, 4, 1, {kRed, kGreen, kBlue, kYellow});
const Picture kB = Cells(kW, kH, 4, 1, {kCyan, kMagenta, kWhite, kOrange});

// No look, no recession; Flight Delay 0 spins for q0 = 0.05 of a window.
TransitionProbe Comb(const char* cohesion, const char* speed, const char* angle) {
    TransitionProbe comb(2);
    comb.Set("Slices", "4").Set("Orientation", "Vertical").Set("Cohesion", cohesion).Set("Flight Speed", speed);
    comb.Set("Angle", angle).Set("Flight Delay", "0").Set("Depth", "0").Set("Fog", "0").Set("Shine", "0");
    comb.Set("Reverse", "off").Pictures(kA, kB);
    return comb;
}

// A w x h strip centred at (cx, cy), clipped to the frame (CodeBox may lose
// two pixels at the sides).
void ExpectStrip(const PixelBox& b, double cx, double cy, double w, double h) {
    ASSERT_FALSE(b.empty());
    EXPECT_NEAR(b.left, std::max(cx - w / 2, 0.0), 2.5);
    EXPECT_NEAR(b.right, std::min(cx + w / 2, kW - 1.0), 2.5);
    EXPECT_NEAR(b.top, std::max(cy - h / 2, 0.0), 1.6);
    EXPECT_NEAR(b.bottom, std::min(cy + h / 2, kH - 1.0), 1.6);
}

TEST(Comb, WithoutFlightSpeedStripsShrinkInPlaceAndVanishWhenTheirWindowEnds) {
    TransitionProbe comb = Comb("0", "0", "0"); // L = 0, strip i moves during [i/4, (i+1)/4]
    // t = 0.24: q = 0.96, p2 = 0.91/0.95 = 0.958, scale 1 - 0.958³ = 0.121.
    ExpectStrip(CodeBox(comb.Render(0.24), Code(kRed)), 20, 44.5, 40 * 0.121, 89 * 0.121);
    EXPECT_TRUE(CodeBox(comb.Render(0.26), Code(kRed)).empty());
    // t = 0.4375: strip 1 at q = 0.75, p2 = 0.7/0.95 = 0.737, scale 0.600.
    const Picture out = comb.Render(0.4375);
    ExpectStrip(CodeBox(out, Code(kGreen)), 60, 44.5, 40 * 0.6, 89 * 0.6);
    ExpectStrip(CodeBox(out, Code(kBlue)), 100, 44.5, 40, 89);
    EXPECT_EQ(CodeAt(out, 0.03, 0.5), Code(kCyan));
}

TEST(Comb, OddAndEvenStripsFlyAndSpinOppositeWays) {
    // Cohesion 100 puts every strip at q = t. Flight Speed 10: L = 0.5, and at
    // t = 0.5 p2 = 0.474, scale 0.894, e = ±0.237: strip 0 runs off the top,
    // strip 1 off the bottom.
    const Picture flown = Comb("100", "10", "0").Render(0.5);
    ExpectStrip(CodeBox(flown, Code(kRed)), 20, 44.5 * (1 - 0.237), 40 * 0.894, 89 * 0.894);
    ExpectStrip(CodeBox(flown, Code(kGreen)), 60, 44.5 * (1 + 0.237), 40 * 0.894, 89 * 0.894);
    // Angle 90, Flight Delay 100 (q0 = 0.95): θ = ±(0.5/0.95)·π/2 = ±0.827
    // about x. Strip 0's top edge goes back (z = -sin θ, w = 1.147, Y = cos θ/w
    // = 0.590) and its bottom edge forward (w = 0.853, Y = -0.794); strip 1
    // the other way round.
    TransitionProbe spin = Comb("100", "0", "90");
    const Picture spun = spin.Set("Flight Delay", "100").Render(0.5);
    const PixelBox even = CodeBox(spun, Code(kRed)), odd = CodeBox(spun, Code(kGreen));
    EXPECT_NEAR(even.top, 44.5 * (1 - 0.590), 1.6);
    EXPECT_NEAR(even.bottom, 44.5 * (1 + 0.794), 1.6);
    EXPECT_NEAR(odd.top, 44.5 * (1 - 0.794), 1.6);
    EXPECT_NEAR(odd.bottom, 44.5 * (1 + 0.590), 1.6);
}

TEST(Comb, SpreadPushesTheStripsApartOverAPictureBWithoutTheLook) {
    // At t = 0.5 "Spread" doubles each strip's distance from the centre:
    // strip 1 (centre X = -0.245) spans pixels 20.5 to 60.5, strip 2 100.5 to
    // 140.5, strips 0 and 3 leave the frame. Fog glows the strips only.
    TransitionProbe comb = Comb("100", "0", "0");
    const Picture out = comb.Set("Spread", "on").Set("Flight Delay", "100").Set("Fog", "100").Render(0.5);
    std::vector<int> covered;
    for (int x = 0; x < kW; ++x)
        if (!(out.at(x, kH / 2) == kB.at(x, kH / 2))) covered.push_back(x);
    ASSERT_FALSE(covered.empty());
    EXPECT_NEAR(covered.front(), 20.5, 1.5);
    EXPECT_NEAR(covered.back(), 140.5, 1.5);
    EXPECT_EQ(std::count_if(covered.begin(), covered.end(), [](int x) { return x > 62 && x < 99; }), 0);
    EXPECT_FALSE(out.at(40, kH / 2) == kGreen) << "strip 1 glows";
}

// A flip over a transparent background with no glow and no shading, so that
// the card's pixels are exactly where alpha is set.
TransitionProbe Flip(const std::string& offset, bool vertical, bool clockwise, const char* distance = "0",
                     bool topDown = true) {
    TransitionProbe flip(3);
    flip.Set("Offset", offset).Set("Orientation", vertical ? "Vertical" : "Horizontal");
    flip.Set("Clockwise", clockwise ? "on" : "off").Set("Distance", distance).Set("Fog", "0").Set("Shine", "0");
    flip.Set("Shading", "0").Set("Background", "Transparent").Pictures(PictureA(kW, kH), PictureB(kW, kH), Rows(topDown));
    return flip;
}

// The box around scene points seen from distance d (w = 1 - z/d, scene
// y = +1 on the top row), in pixels clipped to the frame; Expect() compares
// an opaque box with it, within a pixel (smooth edges may add one partly
// covered pixel on each side).
struct Extent {
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    void Add(double x, double y, double z, double d) {
        const double w = 1 - z / d, px = (x / w + 1) * (kW - 1) / 2, py = (1 - y / w) * (kH - 1) / 2;
        left = std::min(left, px), right = std::max(right, px), top = std::min(top, py), bottom = std::max(bottom, py);
    }
    bool Off() const { return left > kW - 1 || right < 0 || top > kH - 1 || bottom < 0; }
    void Expect(const PixelBox& got, double tolerance, const std::string& what) const {
        ASSERT_FALSE(got.empty()) << what;
        EXPECT_NEAR(got.left, std::max(left, 0.0), tolerance) << what;
        EXPECT_NEAR(got.right, std::min(right, kW - 1.0), tolerance) << what;
        EXPECT_NEAR(got.top, std::max(top, 0.0), tolerance) << what;
        EXPECT_NEAR(got.bottom, std::min(bottom, kH - 1.0), tolerance) << what;
    }
};

// The card at progress u, worked out from the motion as a person would: the
// four corners turned about the pivot line, pushed back and drifted (on
// bottom-up frames scene y = +1 is the bottom row, and a vertical pivot at o
// in the panel's terms lies at -o).
Extent FlipCard(double o, bool vertical, double sigma, double distance, double u, bool topDown) {
    const double theta = sigma * kPi * u, hp = vertical && !topDown ? -o : o; // a = 1
    Extent e;
    for (double x : {-1.0, 1.0})
        for (double y : {-1.0, 1.0}) {
            const double along = (vertical ? y : x) - hp, turned = hp + along * std::cos(theta) - 2 * hp * u * u;
            const double z = (vertical ? -along : along) * std::sin(theta) - 100 * distance * std::sin(kPi * u);
            const double sy = vertical ? turned : y;
            e.Add(vertical ? x : turned, topDown ? sy : -sy, z, 10);
        }
    return e;
}

TEST(Flip, TheCardFollowsTheProjectedMotionForEveryPivotDirectionAndDistance) {
    // Display offsets -100, 0, 100 are o = -2, 0, 2. "Top" pivots are named
    // for bottom-up pictures; top-down ones get the pivot mirrored, so on
    // screen (top row first) the card moves the same either way. Distance
    // eases the motion and pushes the card back: at u = 0.5 it would sit at
    // z = -100, drawn at 1/11 of its size.
    for (auto [offset, distance] : {std::pair{"0", "0"}, {"-100", "0"}, {"100", "0"}, {"37", "0"}, {"0", "100"}})
        for (bool vertical : {false, true})
            for (bool clockwise : {false, true})
                for (bool topDown : {true, false}) {
                    TransitionProbe r = Flip(offset, vertical, clockwise, distance, topDown);
                    const double o = std::stod(offset) / 50.0, d = std::stod(distance) / 100.0;
                    for (double t : {0.1, 0.3, 0.7, 0.9}) {
                        const std::string what = std::string("offset ") + offset + " distance " + distance +
                                                 (vertical ? " vertical" : " horizontal") + (clockwise ? " cw" : " ccw") +
                                                 (topDown ? " top-down" : " bottom-up") + " t " + std::to_string(t);
                        const double u = d > 0 ? EaseProgress(t, 2.5 + t, 0.45) : t;
                        const Extent want = FlipCard(o, vertical, clockwise ? 1 : -1, d, u, topDown);
                        const PixelBox got = OpaqueBox(r.Render(t));
                        if (want.Off()) {
                            EXPECT_TRUE(got.empty()) << what << ": the card is off the frame";
                            continue;
                        }
                        want.Expect(got, 1.01, what);
                        // Turning in place, the card stays centred across the turn axis.
                        if (o == 0) {
                            EXPECT_NEAR(vertical ? got.centreX() : got.centreY(), ((vertical ? kW : kH) - 1) / 2.0, 0.6)
                                << what;
                        }
                    }
                }
}

TEST(Flip, FogLightsUpTheCardMidTurnAndFadesAtTheEnds) {
    TransitionProbe plain = Flip("0", false, false), foggy = Flip("0", false, false);
    foggy.Set("Fog", "100");
    auto brightness = [](const Picture& p) {
        double sum = 0;
        for (const auto& c : p.pixels()) sum += (c.r + c.g + c.b) * c.a / 255.0;
        return sum / p.pixels().size();
    };
    // s = sin(3.1415·0.3) = 0.81: a strong look; at t = 0.002, s = 0.006
    // and the radius trunc(90·0.006·0.2) = 0: almost nothing.
    EXPECT_GT(brightness(foggy.Render(0.3)), brightness(plain.Render(0.3)) + 10);
    EXPECT_NEAR(brightness(foggy.Render(0.002)), brightness(plain.Render(0.002)), 3);
}

TransitionProbe FlyAway(const Picture& a, const Picture& b, const host::FrameLayout& layout = {}) {
    TransitionProbe fly(4);
    fly.Set("Fog", "0").Set("Shine", "0").Pictures(a, b, layout);
    return fly;
}

TEST(FlyAway, OutputsNarrowerThan65PixelsAreRenderedAt128AndScaledBack) {
    // At t = 0.001 a checkerboard of single pixels has barely moved (receded
    // 0.0004, turned 10⁻⁴): drawn directly it keeps its checks, through
    // 128 x 128 and back they are smeared to grey. Either way nothing is
    // written outside the output.
    host::FrameLayout guarded;
    guarded.guard = 64;
    guarded.rowPadding = 12;
    for (int w : {65, 64}) {
        Picture a(w, 36);
        for (int y = 0; y < 36; ++y)
            for (int x = 0; x < w; ++x) a.at(x, y) = (x + y) % 2 ? kWhite : Rgba{0, 0, 0, 255};
        TransitionProbe fly = FlyAway(a, QuartersB(w, 36), guarded);
        const double difference = MeanDifference(fly.Render(0.001), a);
        EXPECT_TRUE(w == 65 ? difference < 5 : difference > 40) << w << " wide: " << difference;
        fly.Render(0.5);
        EXPECT_TRUE(fly.renderer().output().GuardsIntact()) << w;
    }
}

TEST(FlyAway, FadeBlendsTowardBByTheSquareOfProgressAndOffKeepsThePictureOpaque) {
    const Picture a = QuartersA(160, 90), b = QuartersB(160, 90);
    TransitionProbe faded = FlyAway(a, b), opaque = FlyAway(a, b);
    const Picture scene = opaque.Set("Fade", "off").Render(0.9), out = faded.Render(0.9);
    // t = 0.9: weights trunc(0.81·255 + 0.5) = 207 for B and 48 for the scene.
    long wrong = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 160; ++x) {
            const Rgba s = scene.at(x, y), o = out.at(x, y), q = b.at(x, y);
            wrong += o.r != (q.r * 207 + s.r * 48) / 255 || o.g != (q.g * 207 + s.g * 48) / 255 ||
                     o.b != (q.b * 207 + s.b * 48) / 255;
        }
    EXPECT_EQ(wrong, 0);
    // Unfaded, the small far picture shows A's own colours.
    EXPECT_FALSE(CodeBox(scene, Code(kRed)).empty() && CodeBox(scene, Code(kYellow)).empty());
    EXPECT_TRUE(CodeBox(out, Code(kRed)).empty() && CodeBox(out, Code(kYellow)).empty());
}

TEST(FlyAway, TheFlightTargetDrawsThePictureTowardItsCorner) {
    // Distance 75: m = 2, k = 0.775; at t = 0.5, r = 1 and L = 38.75. The
    // centre goes to (11.625·(Tx - 0.5), ±11.625·(Ty - 0.5), -38.75), w = 1 +
    // 38.75/5.2 = 8.452, so X = 1.375·(Tx - 0.5). Ty = 0 is -y on bottom-up
    // frames and, mirrored, +y on top-down ones: shown at the top either way.
    for (bool topDown : {true, false}) {
        TransitionProbe fly = FlyAway(Picture(160, 90, kRed), Picture(160, 90, kCyan), Rows(topDown));
        fly.Set("Distance", "75").Set("Fade", "off");
        for (auto [tx, ty] : {std::pair{0.5, 0.5}, std::pair{1.0, 0.0}, std::pair{0.0, 1.0}}) {
            fly.Set("Flight Target", std::to_string(tx) + "," + std::to_string(ty));
            const PixelBox box = CodeBox(fly.Render(0.5), Code(kRed));
            EXPECT_NEAR(box.centreX(), (1 + 1.375 * (tx - 0.5)) * 79.5, 1.0) << tx << "," << ty << " " << topDown;
            EXPECT_NEAR(box.centreY(), (1 + 1.375 * (ty - 0.5)) * 44.5, 1.0) << tx << "," << ty << " " << topDown;
        }
    }
}

// Red A turning to blue B over a transparent background, unshaded, untilted
// and without cohesion.
TransitionProbe Grid(uint32_t index, int w, int h, bool topDown = true) {
    TransitionProbe grid(index);
    grid.Set("Shading", "0").Set("Depth", "0").Set("Reverse", "off").Set("Cohesion", "0").Set("Tilt", "0.5,0.5");
    grid.Set("Background", "Transparent").Pictures(Picture(w, h, kRed), Picture(w, h, kBlue), Rows(topDown));
    return grid;
}

TEST(Grids, WithoutCohesionEachPieceTurnsInItsOwnWindowInItsOrder) {
    // Piece k of n turns during [k/n, (k + 1)/n] and is edge-on halfway
    // through, where only the background shows near it; pieces before it
    // show B, those after it still A. Points are given in stored rows, with
    // the piece they belong to.
    //   Rotating Frames: 15 frames make a 29 x 29 grid. At 203 x 116 cell
    //   column j spans pixels 7j to 7j + 7 and the middle row 14 rows 56 to
    //   60; along that row cell j belongs to frame min(j, 28 - j), the
    //   outermost first. About either axis a finished cell of the middle row
    //   lands on a cell of its own frame.
    //   Louver Grid: 3 x 2 panels at 96 x 54, panel (row, column) covering
    //   pixels 32c to 32c + 32 and stored rows 27r to 27r + 27, probed near
    //   its corner. Row 0 turns left to right, then row 1 right to left: the
    //   order follows the stored rows, so bottom-up frames start at the bottom.
    struct Point {
        int x, y, piece;
    };
    std::vector<Point> frames, panels;
    for (int j = 0; j < 29; ++j) frames.push_back({7 * j + 3, 58, std::min(j, 28 - j)});
    const int order[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {1, 1}, {1, 0}};
    for (int i = 0; i < 6; ++i) panels.push_back({32 * order[i][1] + 8, 27 * order[i][0] + 7, i});
    struct Case {
        uint32_t index;
        int w, h, pieces;
        const std::vector<Point>& points;
    };
    for (const Case& c : {Case{kRotatingFrames, 203, 116, 15, frames}, Case{kLouverGrid, 96, 54, 6, panels}})
        for (const char* rotation : {"Vertical", "Horizontal"})
            for (bool topDown : {true, false}) {
                TransitionProbe r = Grid(c.index, c.w, c.h, topDown);
                if (c.index == kLouverGrid) r.Set("Columns", "3").Set("Rows", "2");
                else r.Set("Frames", "15");
                r.Set("Rotation", rotation);
                for (int k = 0; k < c.pieces; ++k) {
                    const Picture out = r.Render((k + 0.5) / c.pieces);
                    std::string seen, want;
                    for (const Point& p : c.points) {
                        seen += Seen(out.at(p.x, topDown ? p.y : c.h - 1 - p.y));
                        want += p.piece < k ? 'B' : p.piece == k ? '.' : 'A';
                    }
                    EXPECT_EQ(seen, want) << c.index << " " << rotation << (topDown ? " top-down" : " bottom-up")
                                          << ", piece " << k << " edge-on";
                }
            }
    // One frame is the whole picture: all A at first, a line at most edge-on.
    TransitionProbe one = Grid(kRotatingFrames, 160, 90);
    one.Set("Frames", "1");
    EXPECT_EQ(Count(one.Render(0.001), 'A'), 160 * 90);
    EXPECT_LE(OpaqueBox(one.Render(0.5)).count, 2 * 90);
}

TEST(Grids, TheNearSideFollowsTheTiltPadInvertedOnOneAxisPerTransition) {
    // Two pieces without cohesion lie flat at t = 0.5 (the first has turned,
    // the second not begun), where the tilt is strongest; the picture's
    // centre stays on the view axis and the side turned toward the camera
    // is drawn larger. The frames use tx = 1 - Tilt.x and ty = Tilt.y, the
    // grid tx = Tilt.x and ty = 1 - Tilt.y; tx = 1 brings the right side
    // forward, ty = 1 sends the top back, and Depth 0 tilts nothing.
    struct Case {
        uint32_t index;
        const char *rightNear, *leftNear, *topBack, *topNear;
    };
    for (const Case& c : {Case{kRotatingFrames, "0,0.5", "1,0.5", "0.5,1", "0.5,0"},
                          Case{kLouverGrid, "1,0.5", "0,0.5", "0.5,0", "0.5,1"}}) {
        auto at = [&](const char* tilt, const char* depth) {
            TransitionProbe r = Grid(c.index, 160, 90);
            if (c.index == kLouverGrid) r.Set("Columns", "2").Set("Rows", "1");
            else r.Set("Frames", "2");
            return r.Set("Tilt", tilt).Set("Depth", depth).Render(0.5);
        };
        // Opaque pixels left, right, above and below the frame's centre lines.
        auto halves = [](const Picture& p) {
            std::array<long, 4> n{};
            for (int y = 0; y < p.height(); ++y)
                for (int x = 0; x < p.width(); ++x)
                    if (p.at(x, y).a >= 128) {
                        n[0] += 2 * x < p.width() - 1, n[1] += 2 * x > p.width() - 1;
                        n[2] += 2 * y < p.height() - 1, n[3] += 2 * y > p.height() - 1;
                    }
            return n;
        };
        const std::string what = c.index == kLouverGrid ? "grid" : "frames";
        const auto level = halves(at("0.5,0.5", "30"));
        EXPECT_NEAR(double(level[0]) / level[1], 1.0, 0.02) << what;
        EXPECT_NEAR(double(level[2]) / level[3], 1.0, 0.02) << what;
        const auto right = halves(at(c.rightNear, "30")), left = halves(at(c.leftNear, "30"));
        EXPECT_GT(right[1], right[0] * 11 / 10) << what;
        EXPECT_GT(left[0], left[1] * 11 / 10) << what;
        const auto back = halves(at(c.topBack, "30")), near = halves(at(c.topNear, "30"));
        EXPECT_GT(back[3], back[2] * 11 / 10) << what;
        EXPECT_GT(near[2], near[3] * 11 / 10) << what;
        EXPECT_TRUE(at("1,0", "0") == at("0.5,0.5", "0")) << what;
    }
}

TransitionProbe Blind(const char* slices, const char* cohesion, const char* orientation = "Horizontal") {
    TransitionProbe blind(6);
    blind.Set("Slices", slices).Set("Cohesion", cohesion).Set("Orientation", orientation).Set("Shading", "0");
    blind.Set("Fog", "0").Set("Shine", "0").Set("Background", "Transparent");
    return blind;
}

TEST(Louvers, WithoutCohesionEachSlatTurnsInItsOwnWindowFromTheBottom) {
    // What each of four horizontal slats shows in its upper quarter, left and
    // right, from the top of the picture as shown (off the centre line, where
    // an edge-on slat would show).
    auto slats = [](const host::Picture& out) {
        std::vector<std::pair<int, int>> rows;
        for (int i = 0; i < 4; ++i) rows.push_back({CodeAt(out, 0.25, (i + 0.3) / 4), CodeAt(out, 0.75, (i + 0.3) / 4)});
        return rows;
    };
    auto pair = [](Rgba l, Rgba r) { return std::pair{Code(l), Code(r)}; };
    const std::pair<int, int> clear{kClear, kClear};
    for (bool topDown : {true, false}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        TransitionProbe blind = Blind("4", "0");
        blind.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
        // Four slats, each turning during its own quarter of the transition,
        // the bottom one (as shown) first. At 0.375 the second from the
        // bottom is edge-on, the bottom one done, the upper two untouched.
        EXPECT_EQ(slats(blind.Render(0.375)),
                  (std::vector{pair(kRed, kGreen), pair(kRed, kGreen), clear, pair(kWhite, kOrange)}));
        // Just inside the first window only the bottom slat has moved.
        EXPECT_EQ(slats(blind.Render(0.01))[2], pair(kBlue, kYellow));
    }
}

TEST(Louvers, OneSlatTurnsTheWholePictureWithItsUpperEdgeAway) {
    // One slat moves over the whole transition whatever the cohesion: at
    // t = 0.25 it has turned π/4 about the centre line. Its upper edge went
    // back to z = -0.707 (w = 1.118, shown at y = 0.632, row 0.18 of the
    // frame), its lower edge came forward to z = 0.707 (w = 0.882, y = -0.80,
    // row 0.90).
    const host::Picture out = Blind("1", "45").Pictures(QuartersA(kW, kH), QuartersB(kW, kH)).Render(0.25);
    EXPECT_EQ(QuartersAround(out, 0.5, 0.5, 0.25, 0.2), kUprightA);
    const PixelBox column = BoxWhere(out, [&](int x, int y) { return x == kW / 2 && out.at(x, y).a >= 128; });
    EXPECT_NEAR(column.top, 0.184 * (kH - 1), 1.5);
    EXPECT_NEAR(column.bottom, 0.90 * (kH - 1), 1.5);
}

TEST(Louvers, EverySlatShowsTheMatchingStripOfBUprightOnItsBack) {
    // Picture B in eight bands across the slats' length, two per slat: a
    // slat showing the wrong strip, or its strip upside down, shows the
    // bands in the wrong places. All slats together at 0.9 of their half
    // turn: nearly flat again, seen from behind.
    const std::vector<Rgba> bands = {kCyan, kMagenta, kWhite, kOrange, kPink, kLime, kSky, kViolet};
    for (bool vertical : {false, true}) {
        TransitionProbe blind = Blind("4", "100", vertical ? "Vertical" : "Horizontal");
        blind.Pictures(QuartersA(kW, kH), vertical ? Cells(kW, kH, 8, 1, bands) : Cells(kW, kH, 1, 8, bands));
        const host::Picture out = blind.Render(0.9);
        for (int k = 0; k < 8; ++k) {
            const double f = (k + 0.5) / 8;
            EXPECT_EQ(vertical ? CodeAt(out, f, 0.5) : CodeAt(out, 0.5, f), Code(bands[size_t(k)]))
                << "band " << k << " vertical " << vertical;
        }
    }
}

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

bool ShowsA(int code) {
    return code == Code(kRed) || code == Code(kGreen) || code == Code(kBlue) || code == Code(kYellow);
}
bool ShowsB(int code) {
    return code == Code(kCyan) || code == Code(kMagenta) || code == Code(kWhite) || code == Code(kOrange);
}

TransitionProbe Page(const char* edge = "Left", bool topDown = true) {
    TransitionProbe page(8);
    page.Set("Peel Edge", edge).Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
    return page;
}

TEST(PageTurn, EachPeelEdgeIsTheHingeAndTheOppositeEdgeLifts) {
    // Where the hinge lies on the shown picture and the quarter colours just
    // inside it (the page lies flat there, the right way up), and a point
    // just inside the opposite edge. Edge names are those of the picture as
    // shown: "Bottom" is the bottom edge whichever order the rows are stored in.
    struct EdgeCase {
        const char* edge;
        double hingeX0, hingeY0, hingeX1, hingeY1;
        Rgba hinge0, hinge1;
        double farX, farY;
    };
    constexpr EdgeCase kEdges[] = {
        {"Left", 0.04, 0.25, 0.04, 0.75, kRed, kBlue, 0.96, 0.5},
        {"Right", 0.96, 0.25, 0.96, 0.75, kGreen, kYellow, 0.04, 0.5},
        {"Bottom", 0.25, 0.96, 0.75, 0.96, kBlue, kYellow, 0.5, 0.04},
        {"Top", 0.25, 0.04, 0.75, 0.04, kRed, kGreen, 0.5, 0.96},
    };
    for (bool topDown : {true, false})
        for (const EdgeCase& e : kEdges) {
            SCOPED_TRACE(testing::Message() << e.edge << (topDown ? ", top-down" : ", bottom-up"));
            TransitionProbe page = Page(e.edge, topDown);
            // t' = 0 draws the flat page: exactly picture A.
            EXPECT_TRUE(page.Render(0.0) == QuartersA(kW, kH));
            // Halfway the page has bent through a quarter turn in a curl of
            // radius 2/(π/2) = 1.27: its free edge stands over the middle of
            // the picture, and the far quarter shows picture B beneath.
            const host::Picture out = page.Render(0.5);
            EXPECT_EQ(CodeAt(out, e.hingeX0, e.hingeY0), Code(e.hinge0));
            EXPECT_EQ(CodeAt(out, e.hingeX1, e.hingeY1), Code(e.hinge1));
            EXPECT_TRUE(ShowsB(CodeAt(out, e.farX, e.farY))) << CodeAt(out, e.farX, e.farY);
        }
}

TEST(PageTurn, PeelBackCurlsAwayFromTheViewer) {
    // At t = 0.3 the page hinged on the left has bent through 0.3π in a curl
    // of radius 2/(0.3π) = 2.12; its free edge lies at x = -1 + 2.12·sin(0.3π)
    // = 0.716, 2.12·(1 - cos(0.3π)) = 0.874 off the picture plane.
    //   Toward the viewer: w = 1 - 0.874/5 = 0.825, so the edge shows at
    //   x = 0.87 and reaches past the top and bottom (1/0.825 = 1.21).
    //   Away from it: w = 1.175, x = 0.61, and it is 2·0.85 high.
    TransitionProbe page = Page();
    host::Picture out = page.Render(0.3);
    EXPECT_TRUE(ShowsA(CodeAt(out, 0.9, 0.5))) << "x = 0.8 lies under the grown page";
    EXPECT_TRUE(ShowsA(CodeAt(out, 0.775, 0.01))) << "x = 0.55 on the top row too";
    out = page.Set("Peel Back", "on").Render(0.3);
    EXPECT_TRUE(ShowsB(CodeAt(out, 0.9, 0.5))) << "the shrunk page ends before x = 0.8";
    EXPECT_TRUE(ShowsB(CodeAt(out, 0.775, 0.01))) << "and is lower than the frame there";
    EXPECT_EQ(CodeAt(out, 0.25, 0.25), Code(kRed)) << "the hinge side still lies flat";
}

TEST(PageTurn, TheGlowLooksOnlyAtThePageAndOnlyWithFog) {
    TransitionProbe page(8);
    page.Pictures(PictureA(kW, kH), PictureB(kW, kH));
    const host::Picture plain = page.Render(0.5);
    EXPECT_TRUE(page.Set("Shine", "100").Render(0.5) == plain) << "no sheen without Fog";
    // With Fog the page glows, but picture B lying beneath it, in the right
    // eighth, is unchanged pixel for pixel.
    const host::Picture glowing = page.Set("Fog", "60").Render(0.5);
    EXPECT_FALSE(glowing == plain);
    int changedUnder = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = kW * 7 / 8; x < kW; ++x) changedUnder += !(glowing.at(x, y) == plain.at(x, y));
    EXPECT_EQ(changedUnder, 0);
}

TransitionProbe Boxes(const char* slices, const char* cohesion, const char* orientation, bool topDown = true) {
    TransitionProbe boxes(9);
    boxes.Set("Slices", slices).Set("Cohesion", cohesion).Set("Orientation", orientation).Set("Depth", "0");
    boxes.Set("Ebb && Flow", "0").Set("Fog", "0").Set("Shine", "0").Set("Background", "Transparent");
    boxes.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
    return boxes;
}

TEST(PizzaBoxes, OneSliceIsOneBoxOfThePictureTurningAboutItsCentre) {
    // The box behind the full frame is d = (2 + √8)/2 deep, its centre at
    // z = -d/2. At t = 0.25 it has turned by π/4 (for "Vertical" negated on
    // these top-down frames), "Ebb && Flow" 40 has swung it e·sin(π/2) = 2
    // forward and Depth 100 holds the scene 5·sin(π/4) back. Its eight
    // corners, seen with D = 5, bound the output.
    const double d = 1 + std::sqrt(2.0), pi = kPi;
    for (bool vertical : {false, true})
        for (double e : {0.0, 2.0}) {
            TransitionProbe box = Boxes("1", "0", vertical ? "Vertical" : "Horizontal");
            box.Set("Ebb && Flow", e ? "40" : "0").Set("Depth", "100");
            const double a = (vertical ? -1 : 1) * pi / 4, c = std::cos(a), s = std::sin(a);
            Extent want;
            for (double x : {-1.0, 1.0})
                for (double y : {-1.0, 1.0})
                    for (double z : {d / 2, -d / 2}) { // about the centre
                        const double X = vertical ? x : x * c - z * s, Y = vertical ? y * c + z * s : y;
                        want.Add(X, Y, (vertical ? -y * s + z * c : x * s + z * c) - d / 2 + e - 5 * std::sin(pi / 4), 5);
                    }
            want.Expect(OpaqueBox(box.Render(0.25)), 1.5, std::to_string(vertical) + " " + std::to_string(e));
        }
}

TEST(PizzaBoxes, TheTurnLooksTheSameOnScreenForEitherRowOrder) {
    // At t = 0.1 (18°) the ends of the box (deeper than it is wide) are a
    // front edge 0.839 nearer than its centre and a back edge 0.839 further:
    // the front one shows about a quarter larger. Spinning left it is on the
    // left (Horizontal) or at the bottom as shown (Vertical), spinning right
    // at the other end, whichever way the rows are stored.
    for (bool vertical : {false, true})
        for (bool right : {false, true})
            for (bool topDown : {true, false}) {
                TransitionProbe box = Boxes("1", "0", vertical ? "Vertical" : "Horizontal", topDown);
                const Picture out = box.Set("Rotate right", right ? "on" : "off").Set("Depth", "100").Render(0.1);
                const PixelBox b = OpaqueBox(out, 128);
                auto span = [&](int at) { // opaque pixels across the end at `at`
                    int n = 0;
                    for (int k = 0; k < (vertical ? kW : kH); ++k)
                        n += (vertical ? out.at(k, at) : out.at(at, k)).a > 128;
                    return n;
                };
                const int first = vertical ? span(b.top + 2) : span(b.left + 2);
                const int last = vertical ? span(b.bottom - 2) : span(b.right - 2);
                EXPECT_GT(vertical == right ? first : last, (vertical == right ? last : first) * 1.15)
                    << vertical << right << topDown;
            }
}

TEST(PizzaBoxes, WithoutCohesionTheBoxesTurnOneAfterAnotherFromRowZero) {
    // Four boxes, each turning in its own quarter of the time. At 0.375 box 0
    // (memory rows at y = +1: the top of top-down frames, the bottom of
    // bottom-up ones) shows its strip of B, boxes 2 and 3 still show A.
    for (bool topDown : {true, false}) {
        const Picture out = Boxes("4", "0", "Horizontal", topDown).Render(0.375);
        const double first = topDown ? 0.1 : 0.9, last = 1 - first;
        EXPECT_EQ(CodeAt(out, 0.25, first), Code(topDown ? kCyan : kWhite)) << topDown;
        EXPECT_EQ(CodeAt(out, 0.75, first), Code(topDown ? kMagenta : kOrange)) << topDown;
        EXPECT_EQ(CodeAt(out, 0.25, last), Code(topDown ? kBlue : kRed)) << topDown;
    }
}

// A red A changing to a cyan B over a transparent background.
TransitionProbe Spiral(const std::string& columns, const std::string& rows, bool topDown = true) {
    TransitionProbe spiral(11);
    spiral.Set("Columns", columns).Set("Rows", rows).Set("Cohesion", "0").Set("Depth", "0");
    spiral.Set("Rotation", "None").Set("Reverse", "off").Set("Background", "Transparent");
    spiral.Pictures(Picture(kW, kH, kRed), Picture(kW, kH, kCyan), Rows(topDown));
    return spiral;
}

TEST(SpiralBounce, PanelsChangeAlongTheSpiralFromTheCornerInward) {
    // Panel r·C + c, row 0 at y = +1 (shown at the bottom of bottom-up
    // frames). Cohesion 0: panel k of the order changes during [k/n, (k+1)/n]
    // and at (k + 0.9)/n shows B at full size. Top-down frames run the order
    // from its end; a single row is walked from x = -a.
    const std::vector<int> spiral{0, 1, 2, 3, 7, 11, 10, 9, 8, 4, 5, 6}, row{0, 1, 2, 3};
    for (int rows : {3, 1})
        for (bool topDown : {false, true}) {
            TransitionProbe probe = Spiral("4", std::to_string(rows), topDown);
            const int n = 4 * rows;
            std::vector<int> seen;
            for (int k = 0; k < n; ++k) {
                const Picture out = probe.Render((k + 0.9) / n);
                for (int panel = 0; panel < n; ++panel) {
                    const double fy = (panel / 4 + 0.5) / rows;
                    if (CodeAt(out, (panel % 4 + 0.5) / 4, topDown ? fy : 1 - fy) == Code(kCyan) &&
                        std::find(seen.begin(), seen.end(), panel) == seen.end())
                        seen.push_back(panel);
                }
            }
            std::vector<int> want = rows == 3 ? spiral : row;
            if (topDown) std::reverse(want.begin(), want.end());
            EXPECT_EQ(seen, want) << rows << " rows, top-down " << topDown;
        }
}

TEST(SpiralBounce, APanelSquashesToNothingSwapsAndSpringsBackFlat) {
    TransitionProbe spiral = Spiral("1", "1"); // one panel: q = t
    // q = 1/16: b = sin(π/4) = 0.707, scale 0.293, pushed back 3·(15/16)·0.707
    // = 1.989 (w = 1.331): A at 0.220 of the frame's size, centred.
    const Picture shrinking = spiral.Render(0.0625);
    const PixelBox box = OpaqueBox(shrinking, 128);
    EXPECT_NEAR(box.right - box.left, 0.220 * (kW - 1), 2);
    EXPECT_NEAR(box.bottom - box.top, 0.220 * (kH - 1), 2);
    EXPECT_NEAR(box.centreX(), (kW - 1) / 2.0, 1);
    EXPECT_EQ(CodeAt(shrinking, 0.5, 0.5), Code(kRed));
    // q = 1/8: scale 0, nothing drawn. q = 1/4: flat and full size, showing B.
    EXPECT_TRUE(OpaqueBox(spiral.Render(0.125)).empty());
    EXPECT_LT(MeanDifference(spiral.Render(0.25), Picture(kW, kH, kCyan)), 1);
}

TEST(SpiralBounce, RotationWobblesAboutItsAxisAndDepthRecedesTheGrid) {
    // Depth 100: the grid goes back 10·sin(π·t) and the panels change over
    // u = (t - 0.2)/0.6 only. The extent of the panel as fractions of the frame:
    auto extent = [](const char* rotation, double t) {
        const PixelBox box =
            OpaqueBox(Spiral("1", "1").Set("Depth", "100").Set("Rotation", rotation).Render(t), 128);
        return std::pair{(box.right - box.left) / (kW - 1.0), (box.bottom - box.top) / (kH - 1.0)};
    };
    // t = 0.15: A still flat, at 1/(1 + 10·sin(0.15π)/6) = 0.569 of the frame.
    EXPECT_NEAR(extent("None", 0.15).first, 0.569, 0.02);
    EXPECT_NEAR(extent("None", 0.15).second, 0.569, 0.03);
    // t = 0.4: q = 1/3, b = sin(4π/3) = -0.866: "Vertical" turns the panel by
    // b about x (cos b = 0.65), "Horizontal" about y; "None" keeps it square on.
    const auto none = extent("None", 0.4), vertical = extent("Vertical", 0.4), horizontal = extent("Horizontal", 0.4);
    EXPECT_NEAR(none.first, none.second, 0.03);
    EXPECT_LT(vertical.second, 0.75 * vertical.first);
    EXPECT_LT(horizontal.first, 0.75 * horizontal.second);
}

TEST(SpiralBounce, WithoutMemoryForTheOrderNothingIsDrawnAndFalseReturned) {
    TransitionProbe spiral = Spiral("4", "3");
    host::EffectRenderer& r = spiral.Set("Background", "First Picture").renderer();
    r.context().allocator().FailAfter(0);
    const host::RenderCheck check = r.Render(0.5); // the host clears its output first
    EXPECT_FALSE(check.rendered);
    EXPECT_TRUE(check.clean()) << check.Problems();
    EXPECT_TRUE(OpaqueBox(r.output().Load()).empty()) << "not even the background";
    // Outside the scene the order is not needed.
    EXPECT_TRUE(r.Render(0.0).rendered);
    EXPECT_TRUE(r.output().SamePixels(r.frameA()));
}

TEST(Twist, FlipTumblesThePictureUpsideDownByHalfway) {
    // Two slices without cohesion: at 0.5 the bottom one (turning first) has
    // made its half turn and shows B's lower half, the top one has not moved.
    TransitionProbe twist(12);
    twist.Set("Axis", "Vertical").Set("Rotate", "off").Set("Slices", "2").Set("Cohesion", "0").Set("Depth", "0");
    twist.Set("Shading", "0").Pictures(QuartersA(kW, kH), QuartersB(kW, kH));
    EXPECT_EQ(QuartersAround(twist.Render(0.5), 0.5, 0.5, 0.25, 0.25),
              (Quarters{Code(kRed), Code(kGreen), Code(kWhite), Code(kOrange)}));
    // The tumble has then made half of its full turn: the same scene stands
    // on its head, each slice showing its other side rotated a half turn:
    // A's lower half above, B's upper half below.
    EXPECT_EQ(QuartersAround(twist.Set("Flip", "on").Render(0.5), 0.5, 0.5, 0.25, 0.25),
              (Quarters{Code(kYellow), Code(kBlue), Code(kMagenta), Code(kCyan)}));
}

} // namespace
} // namespace svt::test
