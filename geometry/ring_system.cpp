#include "geometry/ring_system.h"

#include "geometry/stagger.h"

namespace svt {

namespace {
// Far beyond any transition's ring count; keeps the side and the cell
// indices comfortably inside 64 bits.
constexpr int64_t kMaxRings = 1024;
} // namespace

std::vector<uint64_t> RingSystem::RingCells(int64_t k, int64_t n) {
    std::vector<uint64_t> cells;
    if (n < 1 || n > kMaxRings || k < 0 || k >= n) return cells;
    const int64_t s = 2 * n - 1;
    const int64_t lo = k, hi = s - k - 1;
    for (int64_t row = lo; row <= hi; ++row) {
        if (row == lo || row == hi) {
            for (int64_t col = lo; col <= hi; ++col) cells.push_back(uint64_t(row * s + col));
        } else {
            cells.push_back(uint64_t(row * s + lo));
            cells.push_back(uint64_t(row * s + hi));
        }
    }
    return cells;
}

QuadMesh RingSystem::RotatedRings(double t, double cohesion, int64_t n, bool aboutVertical) const {
    QuadMesh out = mesh;
    if (out.empty()) return out;
    for (int64_t k = 0; k < n && k < kMaxRings; ++k) {
        const double angle = StaggeredAngle(t, k, n, cohesion);
        const Mat4 turn = aboutVertical ? RotationY(angle) : RotationX(angle);
        for (uint64_t cell : RingCells(k, n))
            if (cell < out.size()) out[cell].Transform(turn);
    }
    return out;
}


} // namespace svt
