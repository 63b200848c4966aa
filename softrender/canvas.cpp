#include "softrender/canvas.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "frames/image_ops.h"

namespace svt {

namespace {
std::atomic<bool> g_literalLook{false};
} // namespace

void UseLiteralLookOrder(bool on) { g_literalLook.store(on, std::memory_order_relaxed); }
bool LiteralLookOrder() { return g_literalLook.load(std::memory_order_relaxed); }

// SceneCanvas - screen ___________________________________________________________

SceneCanvas::~SceneCanvas() { ClearPostEffects(); }

bool SceneCanvas::SetScreen(const FrameDesc* outputFrame) {
    if (!screen_) {
        screen_.reset(new (std::nothrow) CanvasScreen());
        if (!screen_) return false;
    }
    screen_->width = screen_->height = 0;
    planValid_ = false;
    screen_->image.BindFrame(outputFrame);
    const ImageView& img = screen_->image;
    if (!img.empty() && img.pixelSize > 0 && img.stride >= int64_t(img.width) * img.pixelSize) {
        screen_->width = img.width;
        screen_->height = img.height;
    }
    return true;
}

bool SceneCanvas::hasPixels() const { return screen_ && screen_->width > 0 && screen_->height > 0; }

namespace {

// fn(y, x0, x1) for each piece of each screen row that no planned face
// stores outright; every whole row without a plan.
template <typename Fn>
void ForEachOpenPiece(SceneCanvas& canvas, bool underPlannedFaces, Fn fn) {
    const CanvasScreen& screen = *canvas.screen();
    const int32_t last = int32_t(screen.width) - 1;
    const bool skip = underPlannedFaces && canvas.planned();
    for (uint32_t y = 0; y < screen.height; ++y) {
        int32_t x = 0;
        if (skip) {
            for (const WarpSpan& c : canvas.layers().Covered(y)) {
                if (c.x0 > x) fn(y, x, std::min(c.x0 - 1, last));
                x = std::max(x, c.x1 + 1);
            }
        }
        if (x <= last) fn(y, x, last);
    }
}

} // namespace

void SceneCanvas::ClearScreen(bool underPlannedFaces) {
    if (!hasPixels()) return;
    ImageView& img = screen_->image;
    const size_t ps = size_t(img.pixelSize);
    ForEachOpenPiece(*this, underPlannedFaces, [&](uint32_t y, int32_t x0, int32_t x1) {
        std::memset(img.Row(y) + x0 * ps, 0, size_t(x1 - x0 + 1) * ps);
    });
}

void SceneCanvas::DrawBackground(const ImageView& picture, bool underPlannedFaces) {
    if (!hasPixels()) return;
    ImageView& dst = screen_->image;
    const uint32_t W = screen_->width, H = screen_->height;
    if (!picture.empty() && picture.width >= W && picture.height >= H) {
        if (!underPlannedFaces || !planned()) {
            CopyImage(&picture, &dst);
            return;
        }
        // CopyImage's rows in pieces: the same checks, the same bytes.
        ForEachOpenPiece(*this, true, [&](uint32_t y, int32_t x0, int32_t x1) {
            CopyRect(&picture, x0, int32_t(y), x1 - x0 + 1, 1, &dst, x0, int32_t(y));
        });
        return;
    }
    // Smaller than the screen: the picture's pixels where it reaches, transparent
    // black elsewhere. An empty picture reaches nowhere.
    const bool has = !picture.empty();
    if (has && (picture.pixelSize != dst.pixelSize || picture.stride < int64_t(picture.width) * picture.pixelSize))
        return;
    const size_t ps = size_t(dst.pixelSize);
    const uint32_t cw = has ? std::min(picture.width, W) : 0;
    const uint32_t ch = has ? std::min(picture.height, H) : 0;
    ForEachOpenPiece(*this, underPlannedFaces, [&](uint32_t y, int32_t x0, int32_t x1) {
        uint8_t* row = dst.Row(y);
        const uint32_t copyTo = y < ch ? std::min(cw, uint32_t(x1) + 1) : 0; // pixels x0 .. copyTo-1 come from the picture
        if (copyTo > uint32_t(x0)) std::memmove(row + x0 * ps, picture.Row(y) + x0 * ps, (copyTo - x0) * ps);
        const uint32_t from = std::max(copyTo, uint32_t(x0));
        if (from <= uint32_t(x1)) std::memset(row + from * ps, 0, (uint32_t(x1) + 1 - from) * ps);
    });
}

void SceneCanvas::DrawBackground(const FrameDesc* frame) {
    ImageView picture;
    picture.BindFrame(frame);
    DrawBackground(picture);
}

// SceneCanvas - camera, lights, post effects _____________________________________

void SceneCanvas::SetViewMatrix(const Mat4& view) {
    view_ = view;
    combined_ = MatMul(projection_, view_);
}

void SceneCanvas::SetProjection(const Mat4& projection) {
    projection_ = projection;
    combined_ = MatMul(projection_, view_);
}

namespace {

// Binds `view` (w x h, `picture`'s pixels) to a block kept between frames.
// A fresh block each frame would pay its page faults every time. The block
// is remade when it is too small, or, unless `grow` allows a larger one,
// when its size differs.
bool BindKept(std::unique_ptr<uint8_t[]>& memory, size_t& kept, bool grow, ImageView& view, uint32_t w, uint32_t h,
              const ImageView& picture) {
    if (w == 0 || h == 0 || picture.pixelSize <= 0 || w > 0x7FFFFFFFu / uint32_t(picture.pixelSize)) return false;
    const size_t stride = size_t(w) * uint32_t(picture.pixelSize);
    const size_t bytes = stride * h;
    if (bytes / h != stride) return false;
    if (grow ? bytes > kept : bytes != kept) {
        memory.reset();
        kept = 0;
        memory.reset(new (std::nothrow) uint8_t[bytes]);
        if (!memory) return false;
        kept = bytes;
    }
    view.BindMemory(memory.get(), w, h, int32_t(stride), picture.pixelSize, picture.format, picture.topDown);
    return true;
}

} // namespace

bool SceneCanvas::BindFaceTexture(ImageView& texture, uint32_t w, uint32_t h, const ImageView& picture) {
    return BindKept(textureMemory_, textureBytes_, true, texture, w, h, picture);
}

bool SceneCanvas::BindLookCopy(ImageView& copy, int slot, const ImageView& picture) {
    if (slot < 0 || slot > 1) return false;
    return BindKept(lookMemory_[slot], lookBytes_[slot], false, copy, picture.width, picture.height, picture);
}

void SceneCanvas::AddLight(Light3D* light) {
    if (light && std::find(lights_.begin(), lights_.end(), light) == lights_.end()) lights_.push_back(light);
}

void SceneCanvas::AddPostEffect(PREffect* effect) {
    if (effect && std::find(postEffects_.begin(), postEffects_.end(), effect) == postEffects_.end())
        postEffects_.push_back(effect);
}

void SceneCanvas::ClearPostEffects() {
    for (PREffect* effect : postEffects_) delete effect;
    postEffects_.clear();
}

double LightIntensity(const SceneCanvas& canvas, const Vec3& normal, const Vec3& point, bool twoSided) {
    return LightIntensity(canvas.lights(), normal, point, twoSided);
}

ScreenPoint ProjectToScreen(const Vec3& p, const CanvasScreen* screen) {
    if (!screen) return {};
    return ProjectToScreen(p, screen->width, screen->height, screen->a);
}

// Painter's order ________________________________________________________________

std::vector<uint64_t> DepthOrder(const std::vector<QuadFace>& faces) {
    std::vector<double> z(faces.size());
    std::vector<uint64_t> order(faces.size());
    for (size_t i = 0; i < faces.size(); ++i) {
        z[i] = faces[i].Centroid().z;
        order[i] = i;
    }
    // Painter's order: ascending z, equal depths keeping their list order.
    // That is the one stable ascending order, so a merge sort gives exactly
    // what neighbour swapping gives, in n log n instead of n^2 (an 841-face
    // ring mesh took milliseconds). A NaN depth breaks the ordering a merge
    // sort relies on, so such lists keep the neighbour swaps, which define
    // the order for them.
    bool hasNaN = false;
    for (double v : z) hasNaN |= (v != v);
    if (!hasNaN) {
        std::stable_sort(order.begin(), order.end(), [&z](uint64_t a, uint64_t b) { return z[a] < z[b]; });
        return order;
    }
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (size_t i = 1; i < order.size(); ++i) {
            if (z[order[i]] < z[order[i - 1]]) {
                std::swap(order[i], order[i - 1]);
                swapped = true;
            }
        }
    }
    return order;
}

// Drawing faces __________________________________________________________________

namespace {

bool RectInside(const IntRect& r, const ImageView& picture) {
    return r.x >= 0 && r.y >= 0 && r.w >= 1 && r.h >= 1 && int64_t(r.x) + r.w <= int64_t(picture.width) &&
           int64_t(r.y) + r.h <= int64_t(picture.height);
}

// The face's picture part copied into a texture of its own, run through the
// post effects and shaded, then warped. The usual route takes the part
// through the first effect on its way into the texture and shades as the
// warp samples (within one level of shading first); the literal one copies,
// applies, shades and warps in turn.
void DrawThroughTexture(SceneCanvas& canvas, const ImageView& picture, const IntRect& rect, double k,
                        const QuadCorners& quad, uint32_t drawFlags, const WarpLayers* layers, size_t layer) {
    if (rect.w < 1 || rect.h < 1) return;
    ImageView texture;
    if (!canvas.BindFaceTexture(texture, uint32_t(rect.w), uint32_t(rect.h), picture)) return;
    const std::vector<PREffect*>& effects = canvas.postEffects();
    size_t applied = 0;
    if (!LiteralLookOrder() && !effects.empty() && RectInside(rect, picture)) {
        ImageView part;
        part.BindMemory(picture.Row(uint32_t(rect.y)) + size_t(rect.x) * picture.pixelSize, uint32_t(rect.w),
                        uint32_t(rect.h), picture.stride, picture.pixelSize, picture.format, picture.topDown);
        if (effects.front()->ApplyInto(part, texture)) applied = 1;
    }
    if (applied == 0) {
        // A part reaching past the picture leaves texture pixels the copy
        // does not write; they start transparent black rather than undefined.
        if (!RectInside(rect, picture)) {
            for (uint32_t y = 0; y < texture.height; ++y)
                std::memset(texture.Row(y), 0, size_t(texture.width) * texture.pixelSize);
        }
        if (!CopyRect(&picture, rect.x, rect.y, rect.w, rect.h, &texture, 0, 0)) return;
    }
    for (size_t i = applied; i < effects.size(); ++i) effects[i]->Apply(texture);
    if (LiteralLookOrder()) {
        if (k < 1) ApplyShade(texture, k);
        WarpQuad(texture, canvas.screen()->image, quad, drawFlags);
        return;
    }
    WarpSource source;
    source.image = &texture;
    source.w = rect.w;
    source.h = rect.h;
    source.shade = k < 1 ? float(std::max(k, 0.0)) : 1.0f;
    if (layers)
        WarpQuad(source, canvas.screen()->image, quad, drawFlags, *layers, layer);
    else
        WarpQuad(source, canvas.screen()->image, quad, drawFlags);
}

} // namespace

namespace {

enum class FaceFate { kRefused, kOffScreen, kDrawn };

// Where a face lands, its side's picture part and its light: DrawFace up to
// the warp.
FaceFate PlaceFace(const SceneCanvas& canvas, const QuadFace& face, const FacePictures& pictures,
                   SceneCanvas::PlannedFace& out) {
    CanvasScreen* screen = canvas.screen();
    const ImageView* frontPicture = pictures(face.front);
    const ImageView* backPicture = pictures(face.back);
    if (face.vertices.empty() || !frontPicture || !canvas.hasPixels()) return FaceFate::kRefused;

    const std::array<Vec3, 4> c = face.TransformedCorners(canvas.combined());
    const Vec3 normal = TriangleNormal(c[0], c[3], c[1]);
    const bool backSide = normal.z < 0;
    const bool twoSided = canvas.twoSided();
    if (backSide && !twoSided) return FaceFate::kRefused;

    const Vec3 centre{(c[0].x + c[1].x + c[2].x + c[3].x) / 4, (c[0].y + c[1].y + c[2].y + c[3].y) / 4,
                      (c[0].z + c[1].z + c[2].z + c[3].z) / 4};
    out.light = LightIntensity(canvas, normal, centre, twoSided);

    const std::array<int, 4> order = face.CornerOrder(backSide);
    QuadCorners& quad = out.quad;
    for (int i = 0; i < 4; ++i) {
        const ScreenPoint p = ProjectToScreen(c[order[i]], screen);
        quad.x[i] = SnapToPixel(p.x);
        quad.y[i] = SnapToPixel(p.y);
        // A corner the matrices sent to infinity leaves nothing to draw.
        if (!std::isfinite(quad.x[i]) || !std::isfinite(quad.y[i])) return FaceFate::kOffScreen;
    }

    const double W = screen->width, H = screen->height;
    const auto all = [&](const double* v, auto pred) { return pred(v[0]) && pred(v[1]) && pred(v[2]) && pred(v[3]); };
    if (all(quad.x, [](double v) { return v < 0; }) || all(quad.x, [&](double v) { return v > W; }) ||
        all(quad.y, [](double v) { return v < 0; }) || all(quad.y, [&](double v) { return v > H; }))
        return FaceFate::kOffScreen;

    out.rect = face.PixelRect(backSide && backPicture, frontPicture->width, frontPicture->height);
    out.source = (backSide && backPicture) ? face.back : face.front;
    return FaceFate::kDrawn;
}

// The warp of a placed face, straight from its picture or through a texture,
// clipped to what the plan leaves visible when `layers` is set.
void WarpFace(SceneCanvas& canvas, const SceneCanvas::PlannedFace& f, const ImageView& picture,
              const WarpLayers* layers) {
    const double k = f.light;
    ImageView& screen = canvas.screen()->image;
    if (canvas.postEffects().empty() && !canvas.alwaysCopyFaces() && RectInside(f.rect, picture)) {
        WarpSource source;
        source.image = &picture;
        source.x = f.rect.x;
        source.y = f.rect.y;
        source.w = f.rect.w;
        source.h = f.rect.h;
        source.shade = k < 1 ? float(std::max(k, 0.0)) : 1.0f;
        if (layers)
            WarpQuad(source, screen, f.quad, f.drawFlags, *layers, f.layer);
        else
            WarpQuad(source, screen, f.quad, f.drawFlags);
        return;
    }
    DrawThroughTexture(canvas, picture, f.rect, k, f.quad, f.drawFlags, layers, f.layer);
}

} // namespace

bool DrawFace(SceneCanvas& canvas, const QuadFace& face, const FacePictures& pictures, uint32_t drawFlags) {
    SceneCanvas::PlannedFace f;
    const FaceFate fate = PlaceFace(canvas, face, pictures, f);
    if (fate != FaceFate::kDrawn) return fate == FaceFate::kOffScreen;
    f.drawFlags = drawFlags;
    WarpFace(canvas, f, *pictures(f.source), nullptr);
    return true;
}

void PlanFaces(SceneCanvas& canvas, const std::vector<QuadFace>& faces, const FacePictures& pictures,
               uint32_t drawFlags) {
    std::vector<SceneCanvas::PlannedFace>& plan = canvas.plannedFaces();
    plan.clear();
    canvas.SetPlanned(false);
    if (!canvas.hasPixels()) return;
    WarpLayers& layers = canvas.layers();
    layers.Begin(canvas.screen()->image);
    for (uint64_t i : DepthOrder(faces)) {
        SceneCanvas::PlannedFace f;
        if (PlaceFace(canvas, faces[i], pictures, f) != FaceFate::kDrawn) continue;
        f.drawFlags = drawFlags;
        // The part stands for the texture the face may be drawn through: the
        // same format and size (a part reaching past the picture is refused
        // here, so that face hides nothing).
        const ImageView& picture = *pictures(f.source);
        WarpSource stand{&picture, f.rect.x, f.rect.y, f.rect.w, f.rect.h, 1.0f};
        if (!RectInside(f.rect, picture)) stand.x = stand.y = 0;
        f.layer = layers.Add(stand, f.quad, drawFlags);
        plan.push_back(f);
    }
    layers.Resolve();
    canvas.SetPlanned(true);
}

void DrawPlannedFaces(SceneCanvas& canvas, const FacePictures& pictures) {
    if (!canvas.planned()) return;
    const WarpLayers& layers = canvas.layers();
    for (const SceneCanvas::PlannedFace& f : canvas.plannedFaces()) {
        const ImageView* picture = pictures(f.source);
        if (picture && layers.Visible(f.layer)) WarpFace(canvas, f, *picture, &layers);
    }
    // A plan's size follows the scene (up to a few hundred kilobytes for
    // hundreds of faces); the canvas keeps none of it between renders.
    canvas.SetPlanned(false);
    canvas.layers().Release();
    std::vector<SceneCanvas::PlannedFace>().swap(canvas.plannedFaces());
}

void DrawFaces(SceneCanvas& canvas, const std::vector<QuadFace>& faces, const FacePictures& pictures,
               uint32_t drawFlags) {
    PlanFaces(canvas, faces, pictures, drawFlags);
    DrawPlannedFaces(canvas, pictures);
}

// Shading ________________________________________________________________________

bool ApplyShade(ImageView& image, double k) {
    if (image.empty()) return false;
    if (!(k >= 0)) k = 0;
    if (k > 1) k = 1;
    int first = 0, count = 3;
    switch (image.format) {
    case kFormatBGRA8: break;
    case kFormatARGB8: first = 1; break;
    case 2: count = 1; break;
    case kFormatBGRAF: break;
    case kFormatARGBF: first = 1; break;
    default: return false;
    }
    const bool isFloat = image.format == kFormatBGRAF || image.format == kFormatARGBF;
    if (image.pixelSize != (isFloat ? 16 : 4)) return false;

    if (!isFloat) {
        uint8_t table[256];
        for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(std::trunc(i * k + 0.5));
        for (uint32_t y = 0; y < image.height; ++y) {
            uint8_t* p = image.Row(y) + first;
            for (uint32_t x = 0; x < image.width; ++x, p += 4)
                for (int ch = 0; ch < count; ++ch) p[ch] = table[p[ch]];
        }
        return true;
    }
    const float kf = static_cast<float>(k);
    for (uint32_t y = 0; y < image.height; ++y) {
        uint8_t* p = image.Row(y) + first * sizeof(float);
        for (uint32_t x = 0; x < image.width; ++x, p += 16) {
            float v[3];
            std::memcpy(v, p, sizeof v);
            for (float& f : v) f *= kf;
            std::memcpy(p, v, sizeof v);
        }
    }
    return true;
}

} // namespace svt
