#include "softrender/scene_render.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

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

// The part of a face's picture rectangle its warp can sample: the quad
// widened by a pixel (the smoothed edge reaches half a pixel out), clipped to
// the screen and mapped back into the rectangle, then widened by the bilinear
// footprint and the float runs' error. The whole rectangle where the map
// cannot tell (a quad the warp would refuse, a horizon nearby).
IntRect SampledPart(const QuadCorners& q, const IntRect& rect, double screenW, double screenH) {
    if (rect.w < 2 || rect.h < 2) return rect;
    const double* x = q.x;
    const double* y = q.y;
    double m[3][3];
    if (!ScreenToSquare(q, m)) return rect;
    const double cx = (x[0] + x[1] + x[2] + x[3]) / 4, cy = (y[0] + y[1] + y[2] + y[3]) / 4;
    const double wc = m[2][0] * cx + m[2][1] * cy + m[2][2];
    double turn = 0; // twice the signed area: which side of each edge is inside
    for (int k = 0; k < 4; ++k) turn += x[k] * y[(k + 1) & 3] - x[(k + 1) & 3] * y[k];
    if (!(wc != 0) || !std::isfinite(wc) || !(turn != 0) || !std::isfinite(turn)) return rect;

    // The region as a polygon: the screen and the quad's box (each a pixel
    // wider), cut by the quad's edges moved a pixel out.
    struct Pt {
        double x, y;
    };
    Pt poly[12], next[12];
    int count = 4;
    const double x0 = std::max(-1.0, std::min({x[0], x[1], x[2], x[3]}) - 1);
    const double x1 = std::min(screenW, std::max({x[0], x[1], x[2], x[3]}) + 1);
    const double y0 = std::max(-1.0, std::min({y[0], y[1], y[2], y[3]}) - 1);
    const double y1 = std::min(screenH, std::max({y[0], y[1], y[2], y[3]}) + 1);
    if (!(x0 < x1 && y0 < y1)) return IntRect{rect.x, rect.y, 0, 0};
    poly[0] = {x0, y0}, poly[1] = {x1, y0}, poly[2] = {x1, y1}, poly[3] = {x0, y1};
    const double side = turn > 0 ? 1.0 : -1.0;
    for (int k = 0; k < 4 && count > 0; ++k) {
        const double ex = x[(k + 1) & 3] - x[k], ey = y[(k + 1) & 3] - y[k], len = std::hypot(ex, ey);
        if (!(len > 0)) return rect;
        const double a = -ey * side / len, b = ex * side / len, c = 1 - (a * x[k] + b * y[k]);
        int kept = 0;
        for (int i = 0; i < count; ++i) {
            const Pt& p = poly[i];
            const Pt& q2 = poly[(i + 1) % count];
            const double dp = a * p.x + b * p.y + c, dq = a * q2.x + b * q2.y + c;
            if (dp >= 0) next[kept++] = p;
            if ((dp >= 0) != (dq >= 0)) {
                const double u = dp / (dp - dq);
                next[kept++] = {p.x + (q2.x - p.x) * u, p.y + (q2.y - p.y) * u};
            }
        }
        count = kept;
        std::copy(next, next + count, poly);
    }
    if (count == 0) return IntRect{rect.x, rect.y, 0, 0};

    double sLo = HUGE_VAL, sHi = -HUGE_VAL, tLo = HUGE_VAL, tHi = -HUGE_VAL;
    for (int i = 0; i < count; ++i) {
        const double w = (m[2][0] * poly[i].x + m[2][1] * poly[i].y + m[2][2]) / wc;
        if (!(w > 1e-6)) return rect; // the widened region reaches the horizon
        const double s = (m[0][0] * poly[i].x + m[0][1] * poly[i].y + m[0][2]) / wc / w * (rect.w - 1);
        const double t = (m[1][0] * poly[i].x + m[1][1] * poly[i].y + m[1][2]) / wc / w * (rect.h - 1);
        if (!std::isfinite(s) || !std::isfinite(t)) return rect;
        sLo = std::min(sLo, s), sHi = std::max(sHi, s), tLo = std::min(tLo, t), tHi = std::max(tHi, t);
    }
    // Samples are clamped into the rectangle; bilinear taps reach the next
    // texel; the warp's float runs stray by far less than a texel.
    const auto span = [](double lo, double hi, int32_t size, int32_t& first, int32_t& last) {
        lo = std::clamp(lo, 0.0, double(size - 1)), hi = std::clamp(hi, 0.0, double(size - 1));
        first = std::max(int32_t(std::floor(lo)) - 2, 0);
        last = std::min(int32_t(std::ceil(hi)) + 2, size - 1);
    };
    int32_t c0, c1, r0, r1;
    span(sLo, sHi, rect.w, c0, c1);
    span(tLo, tHi, rect.h, r0, r1);
    return IntRect{rect.x + c0, rect.y + r0, c1 - c0 + 1, r1 - r0 + 1};
}

// A copy of `src` in `copy` carrying the look in the parts faces sample;
// `src` itself when the copy cannot be made or no face samples it.
// The copy lives in memory the canvas keeps (slot 0 or 1): a fresh block a
// frame cost its page faults each time.
const ImageView* LookOnCopy(SceneCanvas& canvas, int slot, const ImageView& src, ImageView& copy,
                            const GlowLook& look, const std::vector<IntRect>& parts, MemoryAllocator* allocator) {
    const bool literal = LiteralLookOrder();
    std::unique_ptr<PREffect> effect(NewGlowEffect(look, allocator));
    // A look that changes nothing, or that nothing shows, needs no copy.
    if (!literal && ((effect && !effect->ChangesPictures()) || parts.empty())) return &src;
    if (!canvas.BindLookCopy(copy, slot, src)) return &src;
    if (effect && !literal &&
        ApplyLook(src, copy, look.radius, look.glow, look.metal, kLookColour, allocator, parts.data(), parts.size()))
        return &copy;
    if (!CopyImage(&src, &copy)) return &src;
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
        // Only the parts the planned faces can sample carry the look (hidden
        // faces show none; the fade shows all of the second picture). A face
        // copied into a texture reads its whole rectangle.
        std::vector<IntRect> parts[2];
        const CanvasScreen& screen = *canvas->screen();
        for (const SceneCanvas::PlannedFace& f : canvas->plannedFaces()) {
            if ((f.source != kSourceFirst && f.source != kSourceSecond) || !canvas->layers().Visible(f.layer))
                continue;
            const ImageView& picture = f.source == kSourceSecond ? *second : *first;
            const bool direct = !canvas->alwaysCopyFaces() && f.rect.x >= 0 && f.rect.y >= 0 &&
                                int64_t(f.rect.x) + f.rect.w <= int64_t(picture.width) &&
                                int64_t(f.rect.y) + f.rect.h <= int64_t(picture.height);
            const IntRect part = direct ? SampledPart(f.quad, f.rect, screen.width, screen.height) : f.rect;
            if (part.w > 0 && part.h > 0) parts[f.source == kSourceSecond].push_back(part);
        }
        if (scene.fade) parts[1].push_back(IntRect{0, 0, int32_t(second->width), int32_t(second->height)});
        first = LookOnCopy(*canvas, 0, *first, lookA, scene.lookFirst, parts[0], allocator);
        if (scene.lookOnSecond) second = LookOnCopy(*canvas, 1, *second, lookB, scene.lookSecond, parts[1], allocator);
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
