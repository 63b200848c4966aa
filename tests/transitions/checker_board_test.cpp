// 3D Checker Board on what the loaded module draws: the tiles the view
// starts and ends on, the slide and spin between them, and the board
// receding with depth.
#include "tests/transitions/probe.h"
#include "transitions/common.h"

namespace svt::test {
namespace {


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

TEST(CheckerBoard, TheStartTileAndTheEndTileCoverTheFrameExactly) {
    // At the very start and end the board is flat, unturned and not pushed
    // back: the start tile (A) and at last the end tile (B) fill the frame,
    // upright. Only the outermost pixels, shared with the neighbouring
    // tiles, are left out. The easing leaves the end slowly (1 - u =
    // 6.7·10⁻⁵ at t = 1 - 10⁻⁴), hence progress values this close.
    auto inner = [](const Picture& p) {
        Picture q(p.width() - 2, p.height() - 2);
        for (int y = 0; y < q.height(); ++y)
            for (int x = 0; x < q.width(); ++x) q.at(x, y) = p.at(x + 1, y + 1);
        return q;
    };
    for (const char* preset : {"Somersault", "Spinning Mosaic", "Tic Tac Toe", "Cart Wheel"}) {
        TransitionProbe r(1);
        r.Preset(preset).Pictures(PictureA(kW, kH), PictureB(kW, kH));
        EXPECT_LT(MeanDifference(inner(r.Render(1e-6)), inner(PictureA(kW, kH))), 1.0) << preset;
        EXPECT_LT(MeanDifference(inner(r.Render(1 - 1e-6)), inner(PictureB(kW, kH))), 1.0) << preset;
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

} // namespace
} // namespace svt::test
