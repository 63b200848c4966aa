// QuadMeshCreator: cuts a picture into a grid of faces and builds boxes.
// It has no state; every builder is static.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/quad_mesh.h"

namespace svt {

class QuadMeshCreator {
public:
    // Cuts a width x height picture into columns x rows faces spanning the
    // parallelogram with top-left corner `origin`, top-right `rightEnd` and
    // bottom-left `bottomEnd`. Cell edges snap to whole pixel columns and rows
    // of the picture, and neighbours share their common pixel line, so that
    // the drawn pieces meet without a gap. Faces come row by row from the
    // top; with `serpentine`, odd rows run right to left. Each face's back
    // rectangle is mirrored by `mirrorMode` so that, after the matching half
    // turn, the back picture reads correctly across the whole grid.
    // Empty when columns or rows < 1 or width or height < 2.
    static QuadMesh CreatePlaneGrid(int32_t width, int32_t height, const Vec3& origin, const Vec3& rightEnd,
                                    const Vec3& bottomEnd, int32_t columns, int32_t rows,
                                    PictureSource front, PictureSource back,
                                    uint32_t mirrorMode, bool serpentine);

    // Six faces of a box behind the quad c0..c3, its back at depth depthZ:
    // front, right (c1 side), back, left, top (c0-c1 side), bottom, each
    // showing the whole of both sources, mirrorMode 0.
    static QuadMesh CreateBox(const Vec3& c0, const Vec3& c1, const Vec3& c2, const Vec3& c3, double depthZ,
                              PictureSource front, PictureSource back);

    // One box per face of `mesh`, in order, laid out as CreateBox. Its depth
    // is the mean of the face's first edge and its diagonal from corner 0,
    // measured back from each corner; every side copies the source face's
    // sources, rectangles and mirrorMode.
    static std::vector<QuadMesh> CreateFaceBoxes(const QuadMesh& mesh);

    // A copy of a CreateBox box folded open by progress in [0, 1] (the angle
    // π·progress; geometry/box_fold.cpp).
    static QuadMesh FoldBox(const QuadMesh& box, double progress);
};

} // namespace svt
