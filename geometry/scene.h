// Scene: everything a transition's motion decides for one frame, as data that
// does not know how it will be drawn. The CPU renderer (softrender/) warps
// pictures onto it; a GPU renderer draws the same value with textures.
//
// Conventions (scene space): the picture plane is z = 0, a full-frame picture
// spans x from -1 to 1 and y from -1 to 1, +z toward the viewer; y = +1 is
// row 0 of the pictures in memory. One light travels along (0, 0, -1); the
// camera adds perspective with w = 1 - z/D. Faces are two-sided, sampled
// bilinearly with smooth edges, and painted back to front by the depth of
// their centroids before the model matrix.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/mat4.h"
#include "geometry/quad_face.h"

namespace svt {

// The pictures as the render receives them, before anything is decided.
struct FrameGeometry {
    uint32_t widthA = 0, heightA = 0;
    uint32_t widthB = 0, heightB = 0;
    uint32_t outWidth = 0, outHeight = 0;
    bool topDownA = false; // picture A stored top-down (flips vertical choices)
    bool topDownB = false;
};

// What fills the frame before the faces are drawn.
enum SceneBackground : uint32_t {
    kSceneKeep = 0,         // the output as the host handed it
    kScenePictureA = 1,     // the host's frame A (never exchanged)
    kScenePictureB = 2,     // the host's frame B
    kSceneTransparent = 3,  // transparent black
    kSceneSecondSource = 4, // the second source (B, or A under "Reverse")
};

// What the frame shows as a whole: a copy of one source outside the motion,
// or the drawn scene.
enum SceneStage : uint32_t {
    kStageShowFirst = 0,
    kStageShowSecond = 1,
    kStageDraw = 2,
};

// The glow and metal look with its blur radius in pixels of the picture it
// works on; the glow colour is always white.
struct GlowLook {
    int32_t radius = 0;
    float glow = 0.0f;
    float metal = 0.0f;
};

// Where the look is applied.
enum LookTarget : uint32_t {
    kLookNone = 0,
    // On each face's picture part as the face is drawn (zero amounts
    // included: the part still passes through it).
    kLookPerFace = 1,
    // On whole pictures before the faces take their parts: the first source
    // with lookFirst, the second with lookSecond where lookOnSecond is set.
    kLookWholePictures = 2,
};

struct Scene {
    SceneStage stage = kStageShowFirst;
    bool reverse = false;   // the first source is picture B
    double t = 0.0;         // the progress the motion runs on (1 - t reversed)
    // The sizes of the sources after the exchange, and picture A's top-down
    // flag (for vertical choices).
    uint32_t firstWidth = 0, firstHeight = 0;
    uint32_t secondWidth = 0, secondHeight = 0;
    bool topDown = false;

    double cameraDistance = 10.0; // D of the perspective
    double ambient = 0.0;         // the light's ambient level
    SceneBackground background = kSceneKeep;
    Mat4 model;                   // applied after the painter's order is taken
    std::vector<QuadFace> faces;

    LookTarget lookTarget = kLookNone;
    GlowLook look;       // per face
    GlowLook lookFirst;  // whole pictures
    GlowLook lookSecond;
    bool lookOnSecond = false;

    // After the faces: the second source blended over the frame with this
    // weight (the frame keeps 1 - weight). Off when fade is false. Over a
    // background of the second source this is the same as drawing the faces
    // with alpha 1 - weight, which is how a renderer that blends faces does it.
    bool fade = false;
    double fadeWeight = 0.0;

    // The motion cannot be drawn (its own working memory was refused): the
    // render reports failure after the background.
    bool failed = false;

    // Frames narrower than this are drawn at smallSide x smallSide from
    // scaled pictures and scaled back (0: never). Only the CPU renderer's
    // faces need it; a GPU renderer draws such frames directly.
    uint32_t smallBelowWidth = 0;
    uint32_t smallSide = 0;

    bool drawing() const { return stage == kStageDraw; }
    // The alpha of every face for a renderer that fades by blending faces.
    double faceAlpha() const { return fade ? 1.0 - fadeWeight : 1.0; }
};

} // namespace svt
