// Painter's order: ascending depth of the face centroids, ties in list order,
// whatever sort does the work.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/quad_face.h"
#include "softrender/canvas.h"

namespace svt {
namespace {

QuadFace FaceAtDepth(double z) {
    return QuadFace({-1, 1, z}, {1, 1, z}, {1, -1, z}, {-1, -1, z}, kSourceNone, kSourceNone, 0, TexRect{}, TexRect{});
}

// The obvious order: swap neighbours while the later one lies strictly further back.
std::vector<uint64_t> NeighbourSwapOrder(const std::vector<double>& z) {
    std::vector<uint64_t> order(z.size());
    for (size_t i = 0; i < z.size(); ++i) order[i] = i;
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (size_t i = 1; i < order.size(); ++i)
            if (z[order[i]] < z[order[i - 1]]) {
                std::swap(order[i], order[i - 1]);
                swapped = true;
            }
    }
    return order;
}

TEST(DepthOrder, EqualsNeighbourSwappingOnRandomDepthsWithManyTies) {
    for (int seed = 0; seed < 40; ++seed) {
        std::mt19937 rng(seed);
        const int n = 1 + seed * 7;
        std::uniform_int_distribution<int> level(0, seed % 5 + 1); // few levels: many ties
        std::vector<double> z;
        std::vector<QuadFace> faces;
        for (int i = 0; i < n; ++i) {
            z.push_back(level(rng) * 0.25 - 1.0);
            faces.push_back(FaceAtDepth(z.back()));
        }
        EXPECT_EQ(DepthOrder(faces), NeighbourSwapOrder(z)) << "seed " << seed;
    }
}

TEST(DepthOrder, ANaNDepthStillGivesEveryFaceOnce) {
    const std::vector<double> z = {0.5, NAN, -0.5, 0.25, NAN, -1};
    std::vector<QuadFace> faces;
    for (double v : z) faces.push_back(FaceAtDepth(v));
    const auto order = DepthOrder(faces);
    EXPECT_EQ(order, NeighbourSwapOrder(z));
}

} // namespace
} // namespace svt
