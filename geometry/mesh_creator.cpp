#include "geometry/mesh_creator.h"

#include <cmath>

namespace svt {

namespace {

// A grid beyond this many faces is a caller's error; an empty mesh is safer
// than exhausting the host's memory.
constexpr int64_t kMaxGridFaces = int64_t(1) << 20;

// The six sides of a box from its front corners f and back corners b, each a
// copy of `proto` with new corners.
QuadMesh BuildBox(const Vec3 f[4], const Vec3 b[4], const QuadFace& proto) {
    static constexpr int kSides[6][4][2] = {
        // {back?, corner}: 0 = front corner, 1 = back corner
        {{0, 0}, {0, 1}, {0, 2}, {0, 3}}, // front
        {{0, 1}, {1, 1}, {1, 2}, {0, 2}}, // c1-c2 side
        {{1, 1}, {1, 0}, {1, 3}, {1, 2}}, // back
        {{1, 0}, {0, 0}, {0, 3}, {1, 3}}, // c0-c3 side
        {{1, 0}, {1, 1}, {0, 1}, {0, 0}}, // c0-c1 side
        {{0, 3}, {0, 2}, {1, 2}, {1, 3}}, // c3-c2 side
    };
    QuadMesh box;
    box.faces().reserve(6);
    for (const auto& side : kSides) {
        Vec3 c[4];
        for (int k = 0; k < 4; ++k) c[k] = side[k][0] ? b[side[k][1]] : f[side[k][1]];
        QuadFace face = proto;
        face.vertices = CornerList(c[0], c[1], c[2], c[3]);
        box.AddFace(face);
    }
    return box;
}

} // namespace

QuadMesh QuadMeshCreator::CreatePlaneGrid(int32_t W, int32_t H, const Vec3& origin, const Vec3& rightEnd,
                                          const Vec3& bottomEnd, int32_t columns, int32_t rows,
                                          PictureSource front, PictureSource back,
                                          uint32_t mirrorMode, bool serpentine) {
    QuadMesh mesh;
    if (columns < 1 || rows < 1 || W < 2 || H < 2) return mesh;
    if (int64_t(columns) * rows > kMaxGridFaces) return mesh;

    const Vec3 across = rightEnd - origin;
    const Vec3 down = bottomEnd - origin;
    const double rowStep = double(H) / rows;
    const double colStep = double(W) / columns;
    auto at = [&](double u, double v) {
        return Vec3{origin.x + u * across.x + v * down.x, origin.y + u * across.y + v * down.y,
                    origin.z + u * across.z + v * down.z};
    };

    mesh.faces().reserve(size_t(columns) * rows);
    for (int32_t r = 0; r < rows; ++r) {
        const double y0 = std::trunc(r * rowStep + 0.5);
        const double y1 = r < rows - 1 ? std::trunc((r + 1) * rowStep + 0.5) : H - 1;
        const double vT = y0 / (H - 1), vB = y1 / (H - 1);
        for (int32_t i = 0; i < columns; ++i) {
            const int32_t c = (serpentine && (r & 1)) ? columns - 1 - i : i;
            const double x0 = std::trunc(c * colStep + 0.5);
            const double x1 = c < columns - 1 ? std::trunc((c + 1) * colStep + 0.5) : W - 1;
            const double uL = x0 / (W - 1), uR = x1 / (W - 1);

            TexRect frontRect{uL, vT, uR, vB};
            TexRect backRect = frontRect;
            if (mirrorMode == kMirrorVertical)
                backRect = {1 - uR, vT, 1 - uL, vB};
            else if (mirrorMode == kMirrorHorizontal)
                backRect = {uL, 1 - vB, uR, 1 - vT};
            mesh.AddFace(QuadFace(at(uL, vT), at(uR, vT), at(uR, vB), at(uL, vB), front, back, mirrorMode,
                                  frontRect, backRect));
        }
    }
    return mesh;
}

QuadMesh QuadMeshCreator::CreateBox(const Vec3& c0, const Vec3& c1, const Vec3& c2, const Vec3& c3,
                                    double depthZ, PictureSource front, PictureSource back) {
    const Vec3 f[4] = {c0, c1, c2, c3};
    Vec3 b[4];
    for (int k = 0; k < 4; ++k) b[k] = {f[k].x, f[k].y, depthZ};
    return BuildBox(f, b, QuadFace(c0, c1, c2, c3, front, back, kMirrorVertical));
}

std::vector<QuadMesh> QuadMeshCreator::CreateFaceBoxes(const QuadMesh& mesh) {
    std::vector<QuadMesh> boxes;
    boxes.reserve(mesh.size());
    for (const QuadFace& face : mesh.faces()) {
        // A face without four corners gives a box of zero points, as its
        // transformed corners would.
        const std::array<Vec3, 4> f = face.TransformedCorners(Mat4{});
        const double d = (Length(f[1] - f[0]) + Length(f[2] - f[0])) * 0.5;
        Vec3 b[4];
        for (int k = 0; k < 4; ++k) b[k] = {f[k].x, f[k].y, f[k].z - d};
        boxes.push_back(BuildBox(f.data(), b, face));
    }
    return boxes;
}

} // namespace svt
