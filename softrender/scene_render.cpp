#include "softrender/scene_render.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "frames/image_ops.h"
#include "geometry/light.h"
#include "softrender/glow.h"
#include "softrender/smart_crop.h"

namespace svt {

namespace {
constexpr uint32_t kLookColour = 0xFFFFFF;
}

PREffect* NewGlowEffect(const GlowLook& look, MemoryAllocator* allocator) {
    return new (std::nothrow) PRDreamGlowEffect(look.radius, look.glow, look.metal, kLookColour, allocator);
}

void DrawSceneFaces(SceneCanvas& canvas, const Scene& scene, const FacePictures& pictures) {
    canvas.SetViewMatrix(scene.model);
    DrawFaces(canvas, scene.faces, pictures, kDrawDefault);
}

namespace {

FrameGeometry Measure(const ImageView& a, const ImageView& b, const FrameDesc* out) {
    FrameGeometry g;
    g.widthA = a.width;
    g.heightA = a.height;
    g.widthB = b.width;
    g.heightB = b.height;
    g.outWidth = out->width > 0 ? uint32_t(out->width) : 0;
    g.outHeight = out->height > 0 ? uint32_t(out->height) : 0;
    g.topDownA = a.topDown != 0;
    g.topDownB = b.topDown != 0;
    return g;
}

// Rows of a picture that faces sample: [begin, end), empty when begin >= end.
struct RowSpan {
    uint32_t begin = UINT32_MAX, end = 0;
    void Add(int64_t y, int64_t h, uint32_t height) {
        const int64_t lo = std::clamp<int64_t>(y, 0, height), hi = std::clamp<int64_t>(y + h, 0, height);
        if (lo >= hi) return;
        begin = std::min(begin, uint32_t(lo));
        end = std::max(end, uint32_t(hi));
    }
};

// A copy of `src` in `copy` carrying the look in the rows faces sample;
// `src` itself when the copy cannot be made or no face samples it.
const ImageView* LookOnCopy(const ImageView& src, ImageView& copy, const GlowLook& look, RowSpan rows,
                            MemoryAllocator* allocator) {
    const bool literal = LiteralLookOrder();
    std::unique_ptr<PREffect> effect(NewGlowEffect(look, allocator));
    // A look that changes nothing, or that nothing shows, needs no copy.
    if (!literal && ((effect && !effect->ChangesPictures()) || rows.begin >= rows.end)) return &src;
    if (!copy.Allocate(src.width, src.height, src.pixelSize, allocator, src.format, src.topDown)) return &src;
    if (effect && !literal &&
        ApplyLook(src, copy, look.radius, look.glow, look.metal, kLookColour, allocator, rows.begin, rows.end))
        return &copy;
    if (!CopyImage(&src, &copy)) {
        copy.Release();
        return &src;
    }
    if (effect) effect->Apply(copy);
    return &copy;
}

// The scene drawn at side x side from the pictures scaled to that size, then
// scaled into the output.
bool RenderSmall(SceneCanvas* canvas, const SceneSource& source, const ImageView& a, const ImageView& b,
                 FrameDesc* out, uint32_t side, double t, MemoryAllocator* allocator) {
    ImageView output;
    if (!output.BindFrame(out) || output.empty()) return false;
    ImageView smallA, smallB, smallOut;
    auto scaled = [&](const ImageView& src, ImageView& dst) {
        return dst.Allocate(side, side, src.pixelSize, allocator, src.format, src.topDown) &&
               ScaleImage(&src, &dst, 0, 0, int32_t(src.width), int32_t(src.height), 0, 0, int32_t(side),
                          int32_t(side), kSmooth);
    };
    if (!scaled(a, smallA) || !scaled(b, smallB) ||
        !smallOut.Allocate(side, side, output.pixelSize, allocator, output.format, output.topDown))
        return false;
    FrameDesc da{}, db{}, dout{};
    smallA.Describe(&da);
    smallB.Describe(&db);
    smallOut.Describe(&dout);
    if (!RenderScene(canvas, source, &da, &db, &dout, t, allocator)) return false;
    return ScaleImage(&smallOut, &output, 0, 0, int32_t(side), int32_t(side), 0, 0, int32_t(output.width),
                      int32_t(output.height), kSmooth);
}

// Leaves the canvas without the render's light and look.
struct CanvasCleanup {
    SceneCanvas* canvas = nullptr;
    ~CanvasCleanup() {
        if (canvas) {
            canvas->RemoveAllLights();
            canvas->ClearPostEffects();
        }
    }
};

} // namespace

bool RenderScene(SceneCanvas* canvas, const SceneSource& source, FrameDesc* from, FrameDesc* to, FrameDesc* out,
                 double t, MemoryAllocator* allocator) {
    // Without all three frames there is nothing to render: the host keeps
    // its own output.
    ImageView pictureA, pictureB;
    if (!pictureA.BindFrame(from) || !pictureB.BindFrame(to) || !out || pictureA.empty() || pictureB.empty())
        return false;
    const Scene scene = source.BuildScene(t, Measure(pictureA, pictureB, out), allocator);

    if (scene.drawing() && scene.smallBelowWidth > 0 && out->width > 0 &&
        uint32_t(out->width) < scene.smallBelowWidth)
        return RenderSmall(canvas, source, pictureA, pictureB, out, scene.smallSide, t, allocator);

    if (!canvas || !canvas->SetScreen(out)) return true; // no canvas: nothing drawn, the render counts
    if (!canvas->hasPixels()) return false;              // an output frame without pixels

    const ImageView* first = scene.reverse ? &pictureB : &pictureA;
    const ImageView* second = scene.reverse ? &pictureA : &pictureB;
    LinearLight light({0.0, 0.0, -1.0}, scene.ambient);
    CanvasCleanup cleanup{canvas};
    canvas->AddLight(&light);
    canvas->SetFlags(kTwoSided);
    canvas->SetProjection(PerspectiveMatrix(scene.cameraDistance));
    canvas->SetViewMatrix(IdentityMatrix());
    canvas->screen()->a = 1.0;

    switch (scene.stage) {
    case kStageShowFirst: canvas->DrawBackground(*first); return true;
    case kStageShowSecond: canvas->DrawBackground(*second); return true;
    case kStageDraw: break;
    }
    // The faces are placed first, so that the background leaves out what
    // they will cover (a failed scene keeps its whole background).
    canvas->SetViewMatrix(scene.model);
    if (!scene.failed) PlanFaces(*canvas, scene.faces, FacePictures{first, second}, kDrawDefault);
    switch (scene.background) {
    case kScenePictureA: canvas->DrawBackground(pictureA, true); break;
    case kScenePictureB: canvas->DrawBackground(pictureB, true); break;
    case kSceneTransparent: canvas->ClearScreen(true); break;
    case kSceneSecondSource: canvas->DrawBackground(*second, true); break;
    case kSceneKeep: break;
    }
    if (scene.failed) return false;

    ImageView lookA, lookB;
    if (scene.lookTarget == kLookPerFace) {
        // A look that changes nothing leaves the faces to the direct warp,
        // which shades as it samples.
        PREffect* effect = NewGlowEffect(scene.look, allocator);
        if (effect && !effect->ChangesPictures() && !LiteralLookOrder()) {
            delete effect;
            effect = nullptr;
        }
        canvas->AddPostEffect(effect);
    } else if (scene.lookTarget == kLookWholePictures) {
        // Only the rows the planned faces show carry the look (hidden faces
        // show none; the fade shows all of the second picture).
        RowSpan rows[2];
        for (const SceneCanvas::PlannedFace& f : canvas->plannedFaces())
            if ((f.source == kSourceFirst || f.source == kSourceSecond) && canvas->layers().Visible(f.layer))
                rows[f.source == kSourceSecond].Add(f.rect.y, f.rect.h, (f.source == kSourceSecond ? second : first)->height);
        if (scene.fade) rows[1].Add(0, second->height, second->height);
        first = LookOnCopy(*first, lookA, scene.lookFirst, rows[0], allocator);
        if (scene.lookOnSecond) second = LookOnCopy(*second, lookB, scene.lookSecond, rows[1], allocator);
    }
    DrawPlannedFaces(*canvas, FacePictures{first, second});
    if (scene.fade) {
        const double w = scene.fadeWeight;
        ImageView& screen = canvas->screen()->image;
        WeightedBlend(second, &screen, &screen, float(w), float(1.0 - w));
    }
    return true;
}

bool RenderSceneCropped(SceneCanvas* canvas, const SceneSource& source, IEffectContext* context,
                        uint32_t cropCheckParam, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                        MemoryAllocator* allocator) {
    ParamValue v{};
    bool check = false;
    if (context && context->GetParamValue(cropCheckParam, &v, kParamCheck)) check = v.AsCheck();
    CSmartCrop crop(context, from, to, t, !check, check);
    FrameDesc a{}, b{};
    crop.PictureA().Describe(&a);
    crop.PictureB().Describe(&b);
    return RenderScene(canvas, source, from ? &a : nullptr, to ? &b : nullptr, out, t, allocator);
}

} // namespace svt
