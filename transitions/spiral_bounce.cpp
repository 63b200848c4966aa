// "3D Spiral Bounce" (D3DSpiralJelly): a grid of panels changes from
// picture A to picture B one panel after another along a spiral from the
// corner inward, each panel squashing, swapping, springing back and
// bouncing in depth.
#include <algorithm>
#include <cmath>
#include <new>

#include "geometry/mesh_creator.h"
#include "transitions/base_effect.h"
#include "transitions/common.h"
#include "transitions/transitions.h"

namespace svt {

namespace {

constexpr ParamSpec kParams[] = {
    //          name          default range                           x    y    w    h    tooltip
    CountSlider("Columns",    0.4f,   1, 20,                         {0,   0,   48,  30}, "Sets number of vertical columns"),
    CountSlider("Rows",       0.4f,   1, 20,                         {66,  0,   48,  30}, "Sets number of horizontal rows"),
    Slider     ("Cohesion",   0.95f,  0, 100,                        {132, 0,   48,  30}, "Controls relative timing of panels"),
    Slider     ("Depth",      0.0f,   0, 100,                        {198, 0,   48,  30}, "Sets distance squares are falling"),
    Choice     ("Rotation",   0, {"None", "Vertical", "Horizontal"}, {0,   90,  114, 20}, "Orients panels vertically or horizontally"),
    Check      ("Reverse",    false,                                 {0,   145, 114, 10}, "Runs effect in reverse"),
    Choice     ("Background", 0, kBackgroundEntries,                 {132, 90,  114, 20}, "Sets background scene"),
};

constexpr const char* kPresetNames[] = {
    "Blow Left", "Coming In Fast", "Four Bounces", "Shake N Swirl", "Shake Up", "Six Pack", "Spiral In",
    "Spiral Out", "Take Down", "Wave From Left",
};

constexpr ParamValue kPresets[] = {
    // Columns  Rows       Cohesion   Depth  Rotation  Reverse  Background
    S(0.795f),  S(0),      S(0.895f), S(0),  C(0),     On(),    C(1), // Blow Left
    S(0),       S(0),      S(0),      S(0),  C(0),     Off(),   C(0), // Coming In Fast
    S(0.1f),    S(0.085f), S(0.39f),  S(0),  C(0),     Off(),   C(0), // Four Bounces
    S(1),       S(0.115f), S(0.99f),  S(0),  C(1),     On(),    C(1), // Shake N Swirl
    S(0),       S(1),      S(0.935f), S(0),  C(0),     Off(),   C(0), // Shake Up
    S(0.1f),    S(0.14f),  S(0.485f), S(0),  C(0),     On(),    C(0), // Six Pack
    S(0.4f),    S(0.4f),   S(0.95f),  S(0),  C(0),     Off(),   C(0), // Spiral In
    S(0.4f),    S(0.4f),   S(0.95f),  S(0),  C(0),     On(),    C(1), // Spiral Out
    S(0),       S(0.51f),  S(0),      S(0),  C(0),     On(),    C(1), // Take Down
    S(0.795f),  S(0),      S(0.895f), S(0),  C(0),     Off(),   C(1), // Wave From Left
};
static_assert(std::size(kPresets) == std::size(kPresetNames) * std::size(kParams), "one row per preset");

} // namespace

const EffectDescription kD3DSpiralJellyDescription{"3D Spiral Bounce", kEffectFlags, kParams, kPresetNames, kPresets, -1};

namespace {

enum SpiralParam : uint32_t { kColumns, kRows, kCohesion, kDepth, kRotation, kReverse, kBackground };
enum Rotation : uint32_t { kRotationNone = 0, kRotationVertical = 1, kRotationHorizontal = 2 };

constexpr double kCameraDistance = 6.0;
constexpr double kAmbient = 0.7;
constexpr int kMaxSide = 20;

// A knob as a fraction; a host's NaN or out-of-range word is held to [0, 1].
float Unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

struct SpiralSettings {
    int columns = 8;
    int rows = 8;
    double cohesion = 0.0; // √Cohesion
    double depth = 0.0;    // d: how far the grid recedes while the panels change
    uint32_t rotation = kRotationNone;
    bool reverse = false;
    uint32_t background = kBackgroundFirst;
};

SpiralSettings ReadSettings(const ParamReader& p) {
    SpiralSettings s;
    s.columns = std::clamp(p.Count(kColumns), 1, kMaxSide);
    s.rows = std::clamp(p.Count(kRows), 1, kMaxSide);
    s.cohesion = CohesionFromKnob(Unit(p.Slider(kCohesion)));
    s.depth = Unit(p.Slider(kDepth));
    s.rotation = p.Choice(kRotation);
    s.reverse = p.Check(kReverse);
    s.background = p.Choice(kBackground);
    return s;
}

// The order in which the panels change: from panel (0, 0) along row 0, down
// the last column, back along the last row, up column 0 and so on inward.
// Panel indices are row·columns + column, row 0 at y = +1.
class SpiralOrder {
public:
    // The visited marks come from the render's allocator; when they cannot
    // be had the order is empty.
    SpiralOrder(int columns, int rows, MemoryAllocator* allocator);

    bool empty() const { return count_ == 0; }
    int size() const { return count_; }
    int operator[](int k) const { return order_[k]; }

private:
    uint16_t order_[kMaxSide * kMaxSide] = {};
    int count_ = 0;
};

SpiralOrder::SpiralOrder(int columns, int rows, MemoryAllocator* allocator) {
    if (columns < 1 || rows < 1 || columns > kMaxSide || rows > kMaxSide) return;
    const int n = columns * rows;
    void* block = nullptr;
    if (!MemoryAllocator::AllocateBlock(allocator, &block, uint64_t(n))) return;
    auto* visited = static_cast<uint8_t*>(block);
    std::fill(visited, visited + n, uint8_t(0));
    // Next column, next row, previous column, previous row.
    constexpr int kStepColumn[4] = {1, 0, -1, 0};
    constexpr int kStepRow[4] = {0, 1, 0, -1};
    int row = 0, column = 0, direction = 0, turns = 0;
    visited[0] = 1;
    order_[count_++] = 0;
    // Four turns in a row without a move: every neighbour is taken, which
    // only happens once all panels are listed.
    while (count_ < n && turns < 4) {
        const int r = row + kStepRow[direction], c = column + kStepColumn[direction];
        if (r < 0 || r >= rows || c < 0 || c >= columns || visited[r * columns + c]) {
            direction = (direction + 1) % 4;
            ++turns;
            continue;
        }
        row = r, column = c, turns = 0;
        visited[r * columns + c] = 1;
        order_[count_++] = uint16_t(r * columns + c);
    }
    MemoryAllocator::FreeBlock(allocator, block);
}

// The panel's bounce inside its window, at q in [0, 1): it shrinks to
// nothing by q = 0.125 and is back by 0.25, wobbles about its axis in the
// first half and bounces in depth, dying down over the window.
Mat4 BounceMotion(const Vec3& g, double q, uint32_t rotation) {
    const double b = std::sin(4.0 * kPi * q);
    Mat4 m = TranslationMatrix(-g);
    if (q < 0.25) m = MatMul(ScaleMatrix(1.0 - b, 1.0 - b, 1.0 - b), m);
    if (q < 0.5 && rotation == kRotationVertical) m = MatMul(RotationX(b), m);
    if (q < 0.5 && rotation == kRotationHorizontal) m = MatMul(RotationY(b), m);
    m = MatMul(TranslationMatrix(g), m);
    return MatMul(TranslationMatrix(0.0, 0.0, -3.0 * (1.0 - q) * b), m);
}

void ShowBack(QuadFace& panel) { std::swap(panel.front, panel.back); }

Scene BuildSpiralScene(const SpiralSettings& s, double t, const FrameGeometry& frames,
                       MemoryAllocator* allocator) {
    // Obtained before anything is drawn, so that a render that cannot have
    // it leaves the host's output as it was.
    const SpiralOrder order(s.columns, s.rows, allocator);
    const SceneSetup setup{.reverse = s.reverse, .distance = kCameraDistance, .ambient = kAmbient,
                           .background = order.empty() ? kBackgroundNone : s.background};
    Scene scene = BeginScene(setup, t, frames);
    if (!scene.drawing()) return scene;
    if (order.empty()) {
        scene.failed = true;
        return scene;
    }
    const double tt = scene.t;
    scene.model = TranslationMatrix(0.0, 0.0, -10.0 * s.depth * std::sin(kPi * tt));
    // The panels change in the middle of the transition while the grid
    // recedes and returns.
    const double m = 0.2 * s.depth;
    const double u = tt < m ? 0.0 : tt > 1.0 - m ? 1.0 : (tt - m) / (1.0 - 0.4 * s.depth);

    const double a = kSceneHalfWidth;
    QuadMesh panels = QuadMeshCreator::CreatePlaneGrid(int32_t(scene.firstWidth), int32_t(scene.firstHeight),
                                                       {-a, 1, 0}, {a, 1, 0}, {-a, -1, 0}, s.columns, s.rows,
                                                       kSourceFirst, kSourceSecond, kMirrorVertical, false);
    const int n = order.size();
    if (int(panels.size()) != n) return scene; // pictures too small to cut
    for (int k = 0; k < n; ++k) {
        QuadFace& panel = panels[size_t(order[k])];
        // For top-down pictures the spiral runs from its end.
        const StaggerWindow w = StaggerStart(MirrorIndex(k, n, scene.topDown), n, s.cohesion);
        if (u <= w.start) continue;
        if (u >= w.start + w.duration) {
            ShowBack(panel);
            continue;
        }
        const double q = (u - w.start) / w.duration;
        panel.Transform(BounceMotion(panel.Centroid(), q, s.rotation));
        // The swap happens while the panel is shrunk to nothing.
        if (q > 0.125) ShowBack(panel);
    }
    scene.faces = std::move(panels.faces());
    return scene;
}

class D3DSpiralJelly final : public BaseEffect {
public:
    D3DSpiralJelly() : BaseEffect(kD3DSpiralJellyDescription) {}

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator* allocator) const override {
        return BuildSpiralScene(ReadSettings(ParamReader(context, description())), t, frames, allocator);
    }
};

} // namespace

IVideoEffect* CreateSpiralBounce() {
    auto* effect = new (std::nothrow) D3DSpiralJelly();
    return effect ? effect->AsVideoEffect() : nullptr;
}

} // namespace svt
