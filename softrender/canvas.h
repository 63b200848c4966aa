// SceneCanvas: the software renderer's state for one transition object, and
// the drawing of faces into its screen in painter's order.
//
// A face is drawn by a perspective warp of the part of its picture that it
// shows onto its projected quadrilateral (softrender/warp.h), after the
// canvas's post effects and its flat lighting have been applied to that part.
// There is no depth buffer: faces are sorted back to front by DepthOrder and
// nearer ones are painted over further ones.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "frames/image_view.h"
#include "frames/memory_allocator.h"
#include "geometry/light.h"
#include "geometry/mat4.h"
#include "geometry/projection.h"
#include "geometry/quad_mesh.h"
#include "library/abi.h"
#include "softrender/post_effect.h"
#include "softrender/warp.h"

namespace svt {

// Canvas flag: faces seen from behind are drawn, with their back picture,
// and lit as if they faced the light. Every transition sets it.
inline constexpr uint32_t kTwoSided = 0x40;

// The output frame as the canvas sees it.
struct CanvasScreen {
    ImageView image;     // wraps the host's frame; never owns its pixels
    uint32_t width = 0;  // 0 when the last wrap yielded no pixels
    uint32_t height = 0;
    double a = 1.0;      // horizontal half-extent of the visible scene
};

class SceneCanvas {
public:
    SceneCanvas() = default;
    SceneCanvas(const SceneCanvas&) = delete;
    SceneCanvas& operator=(const SceneCanvas&) = delete;
    // Deletes the post effects still registered.
    ~SceneCanvas();

    // Wraps the output frame as the screen (created on first use). The size
    // is 0 x 0 when the frame yields no pixels. False only when the screen
    // cannot be created.
    bool SetScreen(const FrameDesc* outputFrame);
    // Null before the first SetScreen.
    CanvasScreen* screen() const { return screen_.get(); }
    // A screen with pixels to draw on.
    bool hasPixels() const;

    // Every byte of every screen pixel set to 0 (transparent black).
    // `underPlannedFaces` leaves out the pixels the planned faces will store
    // outright (see PlanFaces): the screen ends the same once they are drawn.
    void ClearScreen(bool underPlannedFaces = false);
    // Copies the picture into the screen from the top-left. A picture at least
    // as large as the screen is copied with CopyImage (any format it takes);
    // a smaller one fills the rest of the screen with transparent black (its
    // pixel size must then match the screen's, else nothing is written).
    void DrawBackground(const ImageView& picture, bool underPlannedFaces = false);
    void DrawBackground(const FrameDesc* frame);

    // Camera. combined = projection·view, recomputed by both setters.
    void SetViewMatrix(const Mat4& view);
    void SetProjection(const Mat4& projection);
    const Mat4& view() const { return view_; }
    const Mat4& projection() const { return projection_; }
    const Mat4& combined() const { return combined_; }

    uint32_t flags() const { return flags_; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    bool twoSided() const { return (flags_ & kTwoSided) != 0; }

    // Lights are borrowed: the render that adds one keeps it alive until
    // RemoveAllLights. Adding a light already present (or null) does nothing.
    void AddLight(Light3D* light);
    void RemoveAllLights() { lights_.clear(); }
    const std::vector<Light3D*>& lights() const { return lights_; }

    // Post effects are owned: the canvas deletes them in ClearPostEffects.
    // Adding one already present (or null) does nothing.
    void AddPostEffect(PREffect* effect);
    void ClearPostEffects();
    const std::vector<PREffect*>& postEffects() const { return postEffects_; }

    // With no post effect registered, DrawFace warps the face's picture part
    // straight from the picture, shading as it samples. Set, it always copies
    // the part into a texture and shades it first; tests compare the two.
    void SetAlwaysCopyFaces(bool on) { alwaysCopyFaces_ = on; }
    bool alwaysCopyFaces() const { return alwaysCopyFaces_; }

    // Binds `texture` to w x h pixels shaped like `picture` in memory the
    // canvas keeps from face to face and frame to frame (a new block only
    // when a larger one is needed: a fresh 33 MB float texture a frame went
    // through mmap, page faults and munmap each time). False without memory.
    bool BindFaceTexture(ImageView& texture, uint32_t w, uint32_t h, const ImageView& picture);
    // The same for the two copies a whole-picture look works on (slot 0 or
    // 1), shaped like `picture`: kept from frame to frame, a new block when
    // the size changes.
    bool BindLookCopy(ImageView& copy, int slot, const ImageView& picture);

    // A face of the plan: where it lands and what it shows (see PlanFaces).
    struct PlannedFace {
        QuadCorners quad;
        PictureSource source = kSourceNone; // the side's picture
        IntRect rect;                      // its part
        double light = 1.0;
        uint32_t drawFlags = 0;
        size_t layer = 0;
    };
    WarpLayers& layers() { return layers_; }
    std::vector<PlannedFace>& plannedFaces() { return planned_; }
    bool planned() const { return planValid_; }
    void SetPlanned(bool on) { planValid_ = on; }

private:
    std::unique_ptr<CanvasScreen> screen_;
    Mat4 view_;
    Mat4 projection_;
    Mat4 combined_;
    uint32_t flags_ = 0;
    std::vector<Light3D*> lights_;
    std::vector<PREffect*> postEffects_;
    bool alwaysCopyFaces_ = false;
    std::unique_ptr<uint8_t[]> textureMemory_;
    size_t textureBytes_ = 0;
    std::unique_ptr<uint8_t[]> lookMemory_[2];
    size_t lookBytes_[2] = {};
    WarpLayers layers_;
    std::vector<PlannedFace> planned_;
    bool planValid_ = false;
};

// The pictures a render's faces show: the sources resolved for this render.
struct FacePictures {
    const ImageView* first = nullptr;
    const ImageView* second = nullptr;

    // Null for kSourceNone (and any other value).
    const ImageView* operator()(PictureSource source) const {
        return source == kSourceFirst ? first : source == kSourceSecond ? second : nullptr;
    }
};

// Mean brightness of the canvas's lights for a face (1.0 without lights).
double LightIntensity(const SceneCanvas& canvas, const Vec3& normal, const Vec3& point, bool twoSided);
// Pixel position of a transformed point on the canvas's screen; (0, 0)
// without a screen.
ScreenPoint ProjectToScreen(const Vec3& p, const CanvasScreen* screen);

// Painter's order: face indices sorted by the z of each face's centroid in
// scene space (before the canvas's matrices), furthest first. Faces of equal
// depth keep their list order.
std::vector<uint64_t> DepthOrder(const std::vector<QuadFace>& faces);

// Draws one face. False when nothing could be attempted (no corners, no
// front picture, no screen) or when the face is seen from behind and the
// canvas is not TwoSided. True otherwise, including a face lying wholly off
// one side of the screen and a face whose texture could not be made.
bool DrawFace(SceneCanvas& canvas, const QuadFace& face, const FacePictures& pictures, uint32_t drawFlags);
// DepthOrder, then DrawFace on each; drawn as PlanFaces and DrawPlannedFaces
// do it.
void DrawFaces(SceneCanvas& canvas, const std::vector<QuadFace>& faces, const FacePictures& pictures,
               uint32_t drawFlags = kDrawDefault);
// The same in two steps, so that a pixel is drawn only by the last face that
// stores it outright (faces store the pixels whose centre they cover, and
// blend only the ramp around them) and those after it. PlanFaces takes the
// painter's order and works out what each face leaves visible; the canvas
// keeps the plan until the next SetScreen. Between the steps the background
// may leave out what the faces will cover, and the look may replace the
// pictures with changed copies of the same size and format. The screen ends
// byte for byte as with DrawFace on each face in painter's order.
void PlanFaces(SceneCanvas& canvas, const std::vector<QuadFace>& faces, const FacePictures& pictures,
               uint32_t drawFlags = kDrawDefault);
void DrawPlannedFaces(SceneCanvas& canvas, const FacePictures& pictures);

// Tests: the look in its literal order, step by step (registered even at
// zero amounts, pictures copied and then changed, faces shaded before the
// warp), to compare the faster route with.
void UseLiteralLookOrder(bool on);
bool LiteralLookOrder();

// Multiplies the colour channels of every pixel by k in [0, 1], alpha
// unchanged. 8-bit formats 0, 1 (and 2: byte 0 only) go through a table
// trunc(i·k + 0.5); float formats 3 and 4 multiply in single precision.
// False, unchanged, for other formats, pixel sizes that do not match, or an
// empty image.
bool ApplyShade(ImageView& image, double k);

} // namespace svt
