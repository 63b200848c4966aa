// "3D Checker Board" (D3DChessBoard): a board of frame-sized tiles showing
// picture A and picture B in alternation; the view starts square on an A
// tile, the board backs away, tilts and spins, and the view lands on a B
// tile.
#include <algorithm>
#include <cmath>
#include <new>

#include "geometry/quad_mesh.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name          default range           x    y    w    h    tooltip
    CountSlider("Grid",       0.2f,   2, 10,         {0,   0,   48,  30}, "Sets the number of squares to create"),
    Slider     ("Depth",      0.6f,   0, 100,        {66,  0,   48,  30}, "Sets distance from camera"),
    Point      ("Tilt",       0.2f, 0.9f,            {198, 0,   180, 30}, "Adjusts angle"),
    Point      ("Start",      0.2f, 0.8f,            {0,   90,  180, 30}, "Sets the start point for the transition motion"),
    Point      ("End",        0.8f, 0.2f,            {198, 90,  180, 30}, "Sets the end point for the transition motion"),
    Check      ("Rotate",     false,                 {132, 47,  60,  10}, "Sets entire checkerboard to spin before second scene"),
    Choice     ("Background", 2, kBackgroundEntries, {0,   180, 114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Cart Wheel", "Diagonal Down Left", "Diagonal Down Right", "Diagonal Up Left", "Diagonal Up Right",
    "Push Down", "Push Left", "Push Right", "Push Up", "Quad Tiles", "Roll Down", "Roll Left", "Roll Right",
    "Roll Up", "Somersault", "Spinning Mosaic", "Tic Tac Toe", "Vertical Hold",
};

constexpr ParamValue kPresets[] = {
    // Grid    Depth     Tilt                         Start                        End                          Rotate  Background
    S(0),      S(0),     P(0.53488374f, 0.55813956f), P(0, 1),                     P(0, 1),                     On(),   C(1), // Cart Wheel
    S(0.315f), S(0),     P(0.53488374f, 0.55813956f), P(0, 1),                     P(1, 0),                     Off(),  C(0), // Diagonal Down Left
    S(0.315f), S(0),     P(0.53488374f, 0.55813956f), P(1, 1),                     P(0, 0),                     Off(),  C(0), // Diagonal Down Right
    S(0.315f), S(0),     P(0.53488374f, 0.4883721f),  P(0, 0),                     P(1, 1),                     Off(),  C(0), // Diagonal Up Left
    S(0.315f), S(0),     P(0.53488374f, 0.4883721f),  P(1, 0),                     P(0, 1),                     Off(),  C(0), // Diagonal Up Right
    S(0),      S(0),     P(0.53488374f, 0.4883721f),  P(1, 1),                     P(1, 0),                     Off(),  C(0), // Push Down
    S(0),      S(0),     P(0.53488374f, 0.4883721f),  P(0, 1),                     P(1, 0.5813953f),            Off(),  C(0), // Push Left
    S(0),      S(0),     P(0.53488374f, 0.4883721f),  P(1, 1),                     P(0, 1),                     Off(),  C(0), // Push Right
    S(0),      S(0),     P(0.53488374f, 0.4883721f),  P(0, 0),                     P(0, 1),                     Off(),  C(0), // Push Up
    S(0.09f),  S(1),     P(0.54651165f, 0.6976744f),  P(0, 0),                     P(1, 1),                     Off(),  C(2), // Quad Tiles
    S(0.32f),  S(0),     P(0.53488374f, 0.55813956f), P(1, 1),                     P(1, 0),                     Off(),  C(0), // Roll Down
    S(0.32f),  S(0),     P(0.53488374f, 0.55813956f), P(0, 1),                     P(1, 1),                     Off(),  C(0), // Roll Left
    S(0.32f),  S(0),     P(0.53488374f, 0.55813956f), P(1, 1),                     P(0, 1),                     Off(),  C(0), // Roll Right
    S(0.32f),  S(0),     P(0.53488374f, 0.55813956f), P(0, 0),                     P(0, 1),                     Off(),  C(0), // Roll Up
    S(0.09f),  S(1),     P(0.54651165f, 0.6976744f),  P(0, 0),                     P(1, 1),                     On(),   C(2), // Somersault
    S(1),      S(0.52f), P(0.5f, 0.55813956f),        P(0.61627907f, 0.60465115f), P(0.41860464f, 0.39534885f), On(),   C(2), // Spinning Mosaic
    S(0.225f), S(0.52f), P(0.94186044f, 0.13953489f), P(0, 0.53488374f),           P(1, 1),                     Off(),  C(2), // Tic Tac Toe
    S(0.565f), S(0),     P(0.53488374f, 0.55813956f), P(1, 1),                     P(1, 0),                     Off(),  C(0), // Vertical Hold
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DChessBoardDescription{"3D Checker Board", kEffectFlags, kParams, kPresetNames, kPresets, -1};

namespace {

enum BoardParam : uint32_t { kGrid, kDepth, kTilt, kStart, kEnd, kRotate, kBackground };

constexpr double kCameraDistance = 6.0;
constexpr double kAmbient = 0.6;

// The parameters as the motion uses them.
struct BoardSettings {
    int size = 2;              // n tiles a side
    double depth = 0.0;
    double tx = 0.5, ty = 0.5; // tilt factors: 1 - Tilt.x and Tilt.y
    PointParam start, end;
    bool rotate = false;       // a whole turn about the view axis
    uint32_t background = kBackgroundTransparent;
};

BoardSettings ReadSettings(const ParamReader& p) {
    BoardSettings s;
    s.size = std::clamp(p.Count(kGrid), 2, 10);
    s.depth = p.Slider(kDepth);
    const PointParam tilt = p.Point(kTilt);
    s.tx = 1.0 - double(tilt.x);
    s.ty = tilt.y;
    s.start = p.Point(kStart);
    s.end = p.Point(kEnd);
    s.rotate = p.Check(kRotate);
    s.background = p.Choice(kBackground);
    return s;
}

struct Tile {
    int row = 0, column = 0;
};

// Tiles with an odd row + column carry the first picture, even ones the
// second.
bool ShowsFirst(const Tile& tile) { return (tile.row + tile.column) % 2 != 0; }

// The tile under a point of the pad (x = 1 the last column, y = 1 row 0, at
// the top of the board), moved to a neighbour when it carries the wrong
// picture: down a row, else right a column, else up a row.
Tile PickTile(const PointParam& point, int n, bool wantFirst) {
    auto index = [n](double v) {
        const double i = std::trunc(v * n - 0.5);
        return i > 0.0 ? int(std::min(i, double(n - 1))) : 0; // NaN -> 0
    };
    Tile tile{index(1.0 - double(point.y)), index(point.x)};
    if (ShowsFirst(tile) != wantFirst) {
        if (tile.row < n - 1)
            ++tile.row;
        else if (tile.column < n - 1)
            ++tile.column;
        else
            --tile.row;
    }
    return tile;
}

Vec3 TileCentre(const Tile& tile, int n) {
    return {double(2 * tile.column - n + 1), double(n - 2 * tile.row - 1), 0.0};
}

// Every tile as large as the frame, the board shifted so that `start` lies
// on the frame.
QuadMesh BuildBoard(int n, const Vec3& start) {
    QuadMesh board;
    for (int r = 0; r < n; ++r) {
        for (int k = 0; k < n; ++k) {
            const double x0 = 2 * k - n - start.x;
            const double y1 = n - 2 * r - start.y;
            const PictureSource picture = ShowsFirst({r, k}) ? kSourceFirst : kSourceSecond;
            board.AddFace(QuadFace({x0, y1, 0}, {x0 + 2, y1, 0}, {x0 + 2, y1 - 2, 0}, {x0, y1 - 2, 0}, picture,
                                   kSourceNone));
        }
    }
    return board;
}

// The board backs away, tilts and spins about its own centre while the view
// slides from the start tile to the end tile; at u = 0 and u = 1 it lies
// flat with one of them on the frame.
Mat4 BoardMotion(const BoardSettings& s, double u, const Vec3& start, const Vec3& end) {
    const double k = std::sin(kPi * u) * s.size * s.depth;
    const double phi = 0.1 * kPi * k;
    const double sigma = s.tx >= 0.5 ? 1.0 : -1.0;
    const double psi = s.rotate ? sigma * 2.0 * kPi * u : sigma * phi;
    const double alpha = (2.0 * s.tx - 1.0) * phi;
    const double beta = (2.0 * s.ty - 1.0) * phi;
    Mat4 m = TranslationMatrix(start);
    m = MatMul(RotationZ(psi), m);
    m = MatMul(RotationX(beta), m);
    m = MatMul(RotationY(alpha), m);
    m = MatMul(TranslationMatrix(0.0, 0.0, -7.5 * k), m);
    m = MatMul(TranslationMatrix((start - end) * u), m);
    return MatMul(TranslationMatrix(-start), m);
}

Scene BuildBoardScene(const BoardSettings& s, double t, const FrameGeometry& frames) {
    const SceneSetup setup{.distance = kCameraDistance, .ambient = kAmbient, .background = s.background};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    const Vec3 start = TileCentre(PickTile(s.start, s.size, true), s.size);
    const Vec3 end = TileCentre(PickTile(s.end, s.size, false), s.size);
    scene.faces = BuildBoard(s.size, start).faces();
    scene.model = BoardMotion(s, EaseProgress(scene.t, 1.5, 0.5), start, end);
    return scene;
}

class D3DChessBoard final : public BaseEffect {
public:
    D3DChessBoard() : BaseEffect(kD3DChessBoardDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        return BuildBoardScene(ReadSettings(ParamReader(context, description())), t, frames);
    }
};

} // namespace

IVideoEffect* CreateCheckerBoard() {
    auto* effect = new (std::nothrow) D3DChessBoard();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
