#include "softrender/scene_render.h"

#include <memory>
#include <new>

#include "frames/image_ops.h"
#include "geometry/light.h"
#include "softrender/glow.h"
#include "softrender/smart_crop.h"

namespace svt {

PREffect* NewGlowEffect(const GlowLook& look, MemoryAllocator* allocator) {
    return new (std::nothrow) PRDreamGlowEffect(look.radius, look.glow, look.metal, 0xFFFFFF, allocator);
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

// A copy of `src` in `copy` carrying the look; `src` itself when the copy
// cannot be made.
const ImageView* LookOnCopy(const ImageView& src, ImageView& copy, const GlowLook& look,
                            MemoryAllocator* allocator) {
    std::unique_ptr<PREffect> effect(NewGlowEffect(look, allocator));
    // A look that changes nothing needs no copy.
    if (effect && !effect->ChangesPictures() && !LiteralLookOrder()) return &src;
    if (!copy.Allocate(src.width, src.height, src.pixelSize, allocator, src.format, src.topDown)) return &src;
    if (effect && !LiteralLookOrder() && effect->ApplyInto(src, copy)) return &copy;
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
        first = LookOnCopy(*first, lookA, scene.lookFirst, allocator);
        if (scene.lookOnSecond) second = LookOnCopy(*second, lookB, scene.lookSecond, allocator);
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
