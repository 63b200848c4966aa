// WarpQuad: the set-up of the inverse map, the row walk with analytic spans,
// the clamped and edge pixels, and the scalar span kernels.
#include "softrender/warp.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "library/abi.h"
#include "platform/platform.h"
#include "softrender/glow_p.h"
#include "softrender/warp_p.h"

namespace svt {
namespace warp {

// Scalar span kernels _____________________________________________________________

namespace {

inline uint32_t Shade8(uint32_t sum, uint32_t k16) {
    const uint32_t v = (sum + 64) >> 7;
    return (((v * k16) >> 16) + 64) >> 7;
}

// p00 at `p`, p01 one pixel right, p10 one row down; fx, fy in 0..128.
inline void Bilinear8(const uint8_t* p00, const uint8_t* p01, const uint8_t* p10, const uint8_t* p11, uint32_t fx,
                      uint32_t fy, const Texture& tex, uint8_t* out) {
    const uint32_t w00 = (128 - fx) * (128 - fy), w01 = fx * (128 - fy);
    const uint32_t w10 = (128 - fx) * fy, w11 = fx * fy;
    uint32_t packed = 0;
    for (int c = 0; c < 4; ++c) {
        const uint32_t sum = p00[c] * w00 + p01[c] * w01 + p10[c] * w10 + p11[c] * w11;
        packed |= (tex.shaded && c != tex.alpha ? Shade8(sum, tex.shade16) : (sum + 8192) >> 14) << (8 * c);
    }
    std::memcpy(out, &packed, 4); // one store: the edge blend reads it back at once
}

inline void BilinearF(const uint8_t* p00, const uint8_t* p01, const uint8_t* p10, const uint8_t* p11, float fx,
                      float fy, const Texture& tex, uint8_t* out) {
    float a[4], b[4], c[4], d[4], r[4];
    std::memcpy(a, p00, 16);
    std::memcpy(b, p01, 16);
    std::memcpy(c, p10, 16);
    std::memcpy(d, p11, 16);
    const float gx = 1.0f - fx, gy = 1.0f - fy;
    for (int ch = 0; ch < 4; ++ch) {
        const float top = a[ch] * gx + b[ch] * fx;
        const float bot = c[ch] * gx + d[ch] * fx;
        r[ch] = (top * gy + bot * fy) * tex.shadeF[ch];
    }
    std::memcpy(out, r, 16);
}

// (s, t) of pixel i of a run, exactly as every span kernel evaluates it.
inline void RunSample(const Run& run, int32_t i, float& s, float& t) {
    const float fi = static_cast<float>(i);
    s = run.u + fi * run.du;
    t = run.v + fi * run.dv;
    if (!run.affine) {
        const float r = 1.0f / (run.w + fi * run.dw);
        s = s * r;
        t = t * r;
    }
}

} // namespace

namespace {

// Clamping as maxps(s, 0) then minps(., hi) do it: NaN becomes 0.
inline float ClampF(float v, float hi) {
    v = v > 0 ? v : 0.0f;
    return v < hi ? v : hi;
}

template <bool kClamp>
void Bytes4Pixels(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    const float wl = float(tex.width - 1), hl = float(tex.height - 1);
    for (int32_t i = first; i < count; ++i) {
        float s, t;
        RunSample(run, i, s, t);
        if (kClamp) s = ClampF(s, wl), t = ClampF(t, hl);
        const int32_t sx = static_cast<int32_t>(s * 128.0f + 0.5f);
        const int32_t ty = static_cast<int32_t>(t * 128.0f + 0.5f);
        int32_t x0 = sx >> 7, y0 = ty >> 7;
        if (kClamp) x0 = std::min(x0, tex.width - 2), y0 = std::min(y0, tex.height - 2);
        const uint8_t* p = tex.data + y0 * tex.stride + x0 * 4;
        Bilinear8(p, p + 4, p + tex.stride, p + tex.stride + 4, uint32_t(sx - x0 * 128), uint32_t(ty - y0 * 128), tex,
                  dst + 4 * i);
    }
}

template <bool kClamp>
void Floats4Pixels(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    const float wl = float(tex.width - 1), hl = float(tex.height - 1);
    for (int32_t i = first; i < count; ++i) {
        float s, t;
        RunSample(run, i, s, t);
        if (kClamp) s = ClampF(s, wl), t = ClampF(t, hl);
        int32_t x0 = static_cast<int32_t>(s), y0 = static_cast<int32_t>(t);
        if (kClamp) x0 = std::min(x0, tex.width - 2), y0 = std::min(y0, tex.height - 2);
        const float fx = s - static_cast<float>(x0), fy = t - static_cast<float>(y0);
        const uint8_t* p = tex.data + y0 * tex.stride + x0 * 16;
        BilinearF(p, p + 16, p + tex.stride, p + tex.stride + 16, fx, fy, tex, dst + 16 * i);
    }
}

} // namespace

void SpanBytes4Tail(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count, bool clamped) {
    clamped ? Bytes4Pixels<true>(tex, run, dst, first, count) : Bytes4Pixels<false>(tex, run, dst, first, count);
}
void SpanFloats4Tail(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count, bool clamped) {
    clamped ? Floats4Pixels<true>(tex, run, dst, first, count) : Floats4Pixels<false>(tex, run, dst, first, count);
}
void SpanBytes4Scalar(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    Bytes4Pixels<false>(tex, run, dst, first, count);
}
void SpanFloats4Scalar(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    Floats4Pixels<false>(tex, run, dst, first, count);
}
void SpanBytes4ClampedScalar(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    Bytes4Pixels<true>(tex, run, dst, first, count);
}
void SpanFloats4ClampedScalar(const Texture& tex, const Run& run, uint8_t* dst, int32_t first, int32_t count) {
    Floats4Pixels<true>(tex, run, dst, first, count);
}

// Kernel selection ________________________________________________________________

namespace {

constexpr SpanKernels kScalarSpans{SpanBytes4Scalar, SpanFloats4Scalar, SpanBytes4ClampedScalar,
                                   SpanFloats4ClampedScalar};
SpanKernels g_spans = kScalarSpans;
SpanLevel g_level = SpanLevel::kScalar;

bool CpuHasAvx2() { return platform::ProcessorSimdLevel() == platform::SimdLevel::kAvx2; }

} // namespace

bool UseSpanLevel(SpanLevel level) {
    if (level == SpanLevel::kAvx2 && !CpuHasAvx2()) return false;
    SpanKernels k = kScalarSpans;
    if (level != SpanLevel::kScalar) InstallSse2Spans(k); // SSE2 is the x86-64 baseline
    if (level == SpanLevel::kAvx2) InstallAvx2Spans(k);
    g_spans = k;
    g_level = level;
    return true;
}

SpanLevel ActiveSpanLevel() { return g_level; }
const SpanKernels& ActiveSpans() { return g_spans; }

// Set-up ________________________________________________________________________

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Corners further out than this are refused: the map's arithmetic would no
// longer resolve a pixel.
constexpr double kMaxCoordinate = 1e8;
// |sin| of the turn at a corner below this counts as a straight or folded corner.
constexpr double kMinTurn = 1e-9;
// A map whose denominator varies less than this over the quad is drawn as affine.
constexpr double kAffineTolerance = 1e-9;

// a*x + b*y + c >= 0; for the edges of the quad, the signed distance (inside positive).
// Along row y the boundary lies at x = at0 + slope * y (when a != 0); the
// outer ramp's boundary, half a pixel further out, `shift` beyond it.
// A boundary within 1e-9 of horizontal is tested per row instead (over
// kMaxCoordinate pixels it moves by less than a pixel).
struct HalfPlane {
    double a = 0, b = 0, c = 0;
    double at0 = 0, slope = 0, shift = 0;
    bool horizontal = true;
    void Finish() {
        horizontal = !(std::fabs(a) > 1e-9 * std::fabs(b));
        if (horizontal) return;
        at0 = -c / a;
        slope = -b / a;
        shift = -0.5 / a;
    }
};

// Narrows [lo, hi] to the x of row y where the half-plane holds, and
// [outerLo, outerHi] to where it holds within half a pixel.
inline void Narrow(const HalfPlane& h, double y, double& lo, double& hi, double& outerLo, double& outerHi) {
    if (!h.horizontal) {
        const double x = h.at0 + h.slope * y;
        if (h.a > 0) {
            lo = std::max(lo, x);
            outerLo = std::max(outerLo, x + h.shift);
        } else {
            hi = std::min(hi, x);
            outerHi = std::min(outerHi, x + h.shift);
        }
        return;
    }
    const double rest = h.b * y + h.c;
    if (rest < 0) lo = kInf, hi = -kInf;
    if (rest + 0.5 < 0) outerLo = kInf, outerHi = -kInf;
}

// ceil / floor clamped into [lowest, highest]; NaN gives an empty side.
inline int32_t CeilIn(double v, int32_t lowest, int32_t highest) {
    if (!(v > lowest)) return lowest;
    if (v > highest) return highest + 1;
    const int32_t i = static_cast<int32_t>(v);
    return i + (v > i);
}
inline int32_t FloorIn(double v, int32_t lowest, int32_t highest) {
    if (!(v < highest)) return highest;
    if (v < lowest) return lowest - 1;
    const int32_t i = static_cast<int32_t>(v);
    return i - (v < i);
}

struct Plan {
    Texture tex;
    bool isFloat = false;
    int32_t pixelSize = 4;
    bool smooth = false;
    // (x, y, 1) of a screen pixel centre -> (U, V, W); s = U/W, t = V/W, W > 0 inside.
    double m[3][3] = {};
    bool affine = false;
    HalfPlane edge[4];
    HalfPlane safe[4]; // where samples stay kSafeMargin inside the texture (W > 0)
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    uint32_t screenWidth = 0, screenHeight = 0;
    bool floatRunsAccurate = false; // the fast span kernel may run at all
    SpanFn fast = nullptr, clamped = nullptr;
};

bool BuildMap(const QuadCorners& q, int32_t tw, int32_t th, Plan& p) {
    const double* x = q.x;
    const double* y = q.y;
    // Texel units scale the rows by (w - 1) and (h - 1). Dividing rather
    // than scaling by 1/(w-1) keeps the identity map exact.
    double a[3][3];
    if (!ScreenToSquare(q, a)) return false;
    for (int c = 0; c < 3; ++c) {
        a[0][c] *= tw - 1;
        a[1][c] *= th - 1;
    }
    const double cx = (x[0] + x[1] + x[2] + x[3]) / 4, cy = (y[0] + y[1] + y[2] + y[3]) / 4;
    const double wc = a[2][0] * cx + a[2][1] * cy + a[2][2];
    if (wc == 0 || !std::isfinite(wc)) return false;
    for (auto& row : a)
        for (double& v : row) v /= wc; // W = 1 at the centre, positive over the quad
    bool affine = true;
    for (int k = 0; k < 4; ++k) {
        const double wk = a[2][0] * x[k] + a[2][1] * y[k] + a[2][2];
        if (!(wk > 0)) return false;
        if (std::fabs(wk - 1) > kAffineTolerance) affine = false;
    }
    if (affine) a[2][0] = 0, a[2][1] = 0, a[2][2] = 1;
    for (auto& row : a)
        for (double v : row)
            if (!std::isfinite(v)) return false;
    std::memcpy(p.m, a, sizeof a);
    p.affine = affine;

    const double lo = kSafeMargin, hiS = tw - 1 - kSafeMargin, hiT = th - 1 - kSafeMargin;
    const double(&m)[3][3] = p.m;
    p.safe[0] = {m[0][0] - lo * m[2][0], m[0][1] - lo * m[2][1], m[0][2] - lo * m[2][2]};
    p.safe[1] = {hiS * m[2][0] - m[0][0], hiS * m[2][1] - m[0][1], hiS * m[2][2] - m[0][2]};
    p.safe[2] = {m[1][0] - lo * m[2][0], m[1][1] - lo * m[2][1], m[1][2] - lo * m[2][2]};
    p.safe[3] = {hiT * m[2][0] - m[1][0], hiT * m[2][1] - m[1][1], hiT * m[2][2] - m[1][2]};
    for (HalfPlane& s : p.safe) s.Finish();
    return true;
}

bool BuildEdges(const QuadCorners& q, Plan& p) {
    double len[4], turn[4];
    for (int k = 0; k < 4; ++k) {
        if (!std::isfinite(q.x[k]) || !std::isfinite(q.y[k])) return false;
        if (std::fabs(q.x[k]) > kMaxCoordinate || std::fabs(q.y[k]) > kMaxCoordinate) return false;
    }
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) & 3, nn = (k + 2) & 3;
        const double ex = q.x[n] - q.x[k], ey = q.y[n] - q.y[k];
        const double fx = q.x[nn] - q.x[n], fy = q.y[nn] - q.y[n];
        len[k] = std::hypot(ex, ey);
        turn[k] = ex * fy - ey * fx;
    }
    const double sign = turn[0] > 0 ? 1.0 : -1.0;
    for (int k = 0; k < 4; ++k) {
        if (!(len[k] > 0)) return false;
        if (!(turn[k] * sign > kMinTurn * len[k] * len[(k + 1) & 3])) return false;
    }
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) & 3;
        const double ex = (q.x[n] - q.x[k]) / len[k], ey = (q.y[n] - q.y[k]) / len[k];
        // The inside lies on the side the corners turn to.
        HalfPlane& e = p.edge[k];
        e.a = -ey * sign;
        e.b = ex * sign;
        e.c = -(e.a * q.x[k] + e.b * q.y[k]);
        e.Finish();
    }
    p.minX = std::min({q.x[0], q.x[1], q.x[2], q.x[3]});
    p.maxX = std::max({q.x[0], q.x[1], q.x[2], q.x[3]});
    p.minY = std::min({q.y[0], q.y[1], q.y[2], q.y[3]});
    p.maxY = std::max({q.y[0], q.y[1], q.y[2], q.y[3]});
    return true;
}

// Pixels off the fast path ________________________________________________________

// Bilinear sample at (s, t) clamped to the texture, into `out` (4 or 16 bytes).
void SampleClamped(const Plan& p, double s, double t, uint8_t* out) {
    const Texture& tex = p.tex;
    const int32_t wl = tex.width - 1, hl = tex.height - 1;
    s = s > 0 ? std::min(s, double(wl)) : 0.0; // NaN -> 0
    t = t > 0 ? std::min(t, double(hl)) : 0.0;
    if (!p.isFloat) {
        const int32_t sx = static_cast<int32_t>(s * 128 + 0.5), ty = static_cast<int32_t>(t * 128 + 0.5);
        int32_t x0 = sx >> 7, y0 = ty >> 7;
        uint32_t fx = uint32_t(sx & 127), fy = uint32_t(ty & 127);
        if (x0 >= wl) x0 = wl, fx = 0;
        if (y0 >= hl) y0 = hl, fy = 0;
        const int32_t x1 = std::min(x0 + 1, wl), y1 = std::min(y0 + 1, hl);
        const uint8_t* r0 = tex.data + y0 * tex.stride;
        const uint8_t* r1 = tex.data + y1 * tex.stride;
        Bilinear8(r0 + 4 * x0, r0 + 4 * x1, r1 + 4 * x0, r1 + 4 * x1, fx, fy, tex, out);
    } else {
        int32_t x0 = static_cast<int32_t>(s), y0 = static_cast<int32_t>(t);
        float fx = static_cast<float>(s - x0), fy = static_cast<float>(t - y0);
        if (x0 >= wl) x0 = wl, fx = 0;
        if (y0 >= hl) y0 = hl, fy = 0;
        const int32_t x1 = std::min(x0 + 1, wl), y1 = std::min(y0 + 1, hl);
        const uint8_t* r0 = tex.data + y0 * tex.stride;
        const uint8_t* r1 = tex.data + y1 * tex.stride;
        BilinearF(r0 + 16 * x0, r0 + 16 * x1, r1 + 16 * x0, r1 + 16 * x1, fx, fy, tex, out);
    }
}

inline void MapPixel(const Plan& p, double x, double y, double& s, double& t) {
    const double(&m)[3][3] = p.m;
    const double u = m[0][0] * x + m[0][1] * y + m[0][2];
    const double v = m[1][0] * x + m[1][1] * y + m[1][2];
    const double r = 1 / (m[2][0] * x + m[2][1] * y + m[2][2]);
    s = u * r;
    t = v * r;
}

// U, V, W along a row, stepped one pixel at a time.
struct RowMap {
    double u, v, w, du, dv, dw;
    RowMap(const Plan& p, double x, double y) {
        const double(&m)[3][3] = p.m;
        u = m[0][0] * x + m[0][1] * y + m[0][2];
        v = m[1][0] * x + m[1][1] * y + m[1][2];
        w = m[2][0] * x + m[2][1] * y + m[2][2];
        du = m[0][0], dv = m[1][0], dw = m[2][0];
    }
    void Sample(double& s, double& t) const {
        const double r = 1 / w;
        s = u * r;
        t = v * r;
    }
    void Step() { u += du, v += dv, w += dw; }
};

// The run of row y that starts at pixel x, in the kernels' float form.
Run RunAt(const Plan& p, int32_t x, int32_t y) {
    const double(&m)[3][3] = p.m;
    const double xd = x, yd = y;
    Run run;
    run.affine = p.affine;
    run.u = static_cast<float>(m[0][0] * xd + m[0][1] * yd + m[0][2]);
    run.v = static_cast<float>(m[1][0] * xd + m[1][1] * yd + m[1][2]);
    run.du = static_cast<float>(m[0][0]);
    run.dv = static_cast<float>(m[1][0]);
    if (!p.affine) {
        run.w = static_cast<float>(m[2][0] * xd + m[2][1] * yd + m[2][2]);
        run.dw = static_cast<float>(m[2][0]);
    }
    return run;
}

// The pixels of a row a draw may write: all of them, or the spans
// [begin, end) (in order, apart).
struct RowClip {
    const WarpSpan* begin = nullptr;
    const WarpSpan* end = nullptr;
    bool all = true;

    // fn(a, b) for each visible piece a .. b of x0 .. x1, left to right.
    template <typename Fn>
    void ForEach(int32_t x0, int32_t x1, Fn fn) const {
        if (all) {
            if (x0 <= x1) fn(x0, x1);
            return;
        }
        for (const WarpSpan* s = begin; s != end && s->x0 <= x1; ++s) {
            const int32_t a = std::max(x0, s->x0), b = std::min(x1, s->x1);
            if (a <= b) fn(a, b);
        }
    }
};

// Visibility of x, x + 1, ... asked in increasing order.
class ClipCursor {
public:
    explicit ClipCursor(const RowClip& clip) : clip_(clip), at_(clip.begin) {}
    bool Shows(int32_t x) {
        if (clip_.all) return true;
        while (at_ != clip_.end && at_->x1 < x) ++at_;
        return at_ != clip_.end && at_->x0 <= x;
    }

private:
    const RowClip& clip_;
    const WarpSpan* at_;
};

// Pixels x0 .. x1 of row y through a span kernel, restarting the float
// set-up every kMaxRun pixels from x0 (so a pixel's value does not depend on
// the clip). `out` is the row, or a buffer for x0 onward when `packed` is set.
void KernelPixels(const Plan& p, SpanFn kernel, uint8_t* out, bool packed, int32_t y, int32_t x0, int32_t x1,
                  const RowClip& clip) {
    for (int32_t x = x0; x <= x1; x += kMaxRun) {
        const int32_t last = std::min(x1, x + kMaxRun - 1);
        uint8_t* dst = out + (packed ? x - x0 : x) * p.pixelSize;
        if (clip.all) {
            kernel(p.tex, RunAt(p, x, y), dst, 0, last - x + 1);
            continue;
        }
        clip.ForEach(x, last, [&](int32_t a, int32_t b) { kernel(p.tex, RunAt(p, x, y), dst, a - x, b - x + 1); });
    }
}

// Runs shorter than this are cheaper per pixel in double precision.
constexpr int32_t kShortestKernelRun = 4;

void ClampedPixels(const Plan& p, uint8_t* row, int32_t y, int32_t x0, int32_t x1, const RowClip& clip) {
    if (x0 > x1) return;
    if (x1 - x0 + 1 >= kShortestKernelRun) return KernelPixels(p, p.clamped, row, false, y, x0, x1, clip);
    RowMap map(p, x0, y);
    ClipCursor shown(clip);
    for (int32_t x = x0; x <= x1; ++x, map.Step()) {
        if (!shown.Shows(x)) continue;
        double s, t;
        map.Sample(s, t);
        SampleClamped(p, s, t, row + x * p.pixelSize);
    }
}

// Pixels whose centre lies outside the quad but within half a pixel of it:
// coverage falls from 1 at the edge to 0 half a pixel out. Pixels with their
// centre inside are always fully covered, so faces sharing an edge leave no
// gap for the background, while the outline of the whole still has a ramp.
// The distance is the least over the four edges and the four sides of the
// bounding box, which keeps the ramp from running out along sharp corners.
void EdgePixels(const Plan& p, uint8_t* row, int32_t y, int32_t x0, int32_t x1, const RowClip& clip) {
    const double yd = y;
    const double dy = std::min(yd - p.minY, p.maxY - yd);
    alignas(32) uint8_t samples[kMaxRun * 16];
    ClipCursor shown(clip);
    for (; x0 <= x1; x0 += kMaxRun) {
        const int32_t n = std::min(kMaxRun, x1 - x0 + 1);
        const bool viaKernel = n >= kShortestKernelRun;
        if (viaKernel) KernelPixels(p, p.clamped, samples, true, y, x0, x0 + n - 1, clip);
        // NOTE: named locals, not arrays: a distance array written in
        // doubles and read back in pairs stalled every call (store forwarding).
        const HalfPlane &e0 = p.edge[0], &e1 = p.edge[1], &e2 = p.edge[2], &e3 = p.edge[3];
        double d0 = e0.a * x0 + e0.b * yd + e0.c, d1 = e1.a * x0 + e1.b * yd + e1.c;
        double d2 = e2.a * x0 + e2.b * yd + e2.c, d3 = e3.a * x0 + e3.b * yd + e3.c;
        RowMap map(p, x0, yd);
        for (int32_t i = 0; i < n; ++i, map.Step()) {
            const double xd = x0 + i;
            const double dist = std::min(std::min(std::min(dy, xd - p.minX), std::min(p.maxX - xd, d0)),
                                         std::min(std::min(d1, d2), d3));
            d0 += e0.a, d1 += e1.a, d2 += e2.a, d3 += e3.a;
            const double cover = std::min(1.0, 1.0 + 2.0 * dist);
            if (!(cover > 0) || !shown.Shows(x0 + i)) continue;
            uint8_t* src = samples + i * p.pixelSize;
            if (!viaKernel) {
                double s, t;
                map.Sample(s, t);
                SampleClamped(p, s, t, src);
            }
            uint8_t* dst = row + (x0 + i) * p.pixelSize;
            if (!p.isFloat) {
                const uint32_t c = static_cast<uint32_t>(cover * 256 + 0.5);
                if (c == 0) continue;
                uint32_t from, old, mixed = 0;
                std::memcpy(&from, src, 4);
                std::memcpy(&old, dst, 4);
                for (int ch = 0; ch < 32; ch += 8)
                    mixed |= ((((from >> ch) & 0xFF) * c + ((old >> ch) & 0xFF) * (256 - c) + 128) >> 8) << ch;
                std::memcpy(dst, &mixed, 4);
            } else {
                float from[4], old[4];
                std::memcpy(from, src, 16);
                std::memcpy(old, dst, 16);
                const float c = static_cast<float>(cover), keep = 1.0f - c;
                for (int ch = 0; ch < 4; ++ch) old[ch] = from[ch] * c + old[ch] * keep;
                std::memcpy(dst, old, 16);
            }
        }
    }
}

// The row walk ____________________________________________________________________

// True when the float evaluation of runs (see Run) stays well within
// kSafeMargin of the exact map anywhere on the quad: a bound on the rounding
// of u + i*du and w + i*dw relative to the smallest denominator. U, V and W
// are linear, so their extremes over the quad lie at its corners.
bool FloatRunsAccurate(const Plan& p, const QuadCorners& q) {
    const double(&m)[3][3] = p.m;
    double uMax = 0, vMax = 0, wMax = 0, wMin = kInf;
    for (int k = 0; k < 4; ++k) {
        // Half a pixel beyond the corners covers every pixel a run can reach.
        for (double dx : {-0.5, 0.5})
            for (double dy : {-0.5, 0.5}) {
                const double x = q.x[k] + dx, y = q.y[k] + dy;
                const double w = m[2][0] * x + m[2][1] * y + m[2][2];
                uMax = std::max(uMax, std::fabs(m[0][0] * x + m[0][1] * y + m[0][2]));
                vMax = std::max(vMax, std::fabs(m[1][0] * x + m[1][1] * y + m[1][2]));
                wMax = std::max(wMax, w);
                wMin = std::min(wMin, w);
            }
    }
    if (!(wMin > 0)) return false;
    const double ulp = 1.0 / (1 << 23);
    const double size = std::max(p.tex.width, p.tex.height);
    const double stepUV = kMaxRun * (std::fabs(m[0][0]) + std::fabs(m[1][0]));
    const double err = 2 * ulp * ((uMax + vMax + stepUV) + size * (wMax + kMaxRun * std::fabs(m[2][0]))) / wMin +
                       2 * ulp * size;
    return err < kSafeMargin / 4;
}

void InteriorPixels(const Plan& p, uint8_t* row, int32_t y, int32_t x0, int32_t x1, const RowClip& clip) {
    double lo = x0, hi = x1, unusedLo = 0, unusedHi = 0;
    for (const HalfPlane& s : p.safe) Narrow(s, y, lo, hi, unusedLo, unusedHi);
    const int32_t f0 = CeilIn(lo, x0, x1), f1 = FloorIn(hi, x0, x1);
    if (f0 > f1 || !p.floatRunsAccurate) {
        ClampedPixels(p, row, y, x0, x1, clip);
        return;
    }
    ClampedPixels(p, row, y, x0, f0 - 1, clip);
    KernelPixels(p, p.fast, row, false, y, f0, f1, clip);
    ClampedPixels(p, row, y, f1 + 1, x1, clip);
}

// The rows a draw touches.
void RowRange(const Plan& p, int32_t& yFirst, int32_t& yLast) {
    const int32_t sh = static_cast<int32_t>(p.screenHeight);
    const double reach = p.smooth ? 0.5 : 0.0; // how far outside the quad pixels are touched
    yFirst = CeilIn(p.minY - reach, 0, sh - 1);
    yLast = FloorIn(p.maxY + reach, 0, sh - 1);
}

RowExtent ExtentAt(const Plan& p, int32_t y) {
    const int32_t sw = static_cast<int32_t>(p.screenWidth);
    const double reach = p.smooth ? 0.5 : 0.0;
    double lo = -kInf, hi = kInf, outerLo = p.minX - reach, outerHi = p.maxX + reach;
    for (const HalfPlane& e : p.edge) Narrow(e, y, lo, hi, outerLo, outerHi);
    RowExtent r{0, CeilIn(lo, 0, sw - 1), FloorIn(hi, 0, sw - 1), 0};
    if (!p.smooth) {
        r.xo0 = r.xi0, r.xo1 = r.xi1;
        return r;
    }
    r.xo0 = CeilIn(outerLo, 0, sw - 1);
    r.xo1 = FloorIn(outerHi, 0, sw - 1);
    if (r.xi0 <= r.xi1) r.xo0 = std::min(r.xo0, r.xi0), r.xo1 = std::max(r.xo1, r.xi1);
    return r;
}

void DrawRow(const Plan& p, uint8_t* row, int32_t y, const RowExtent& r, const RowClip& clip) {
    if (r.xi0 > r.xi1) {
        if (p.smooth) EdgePixels(p, row, y, r.xo0, r.xo1, clip);
        return;
    }
    if (p.smooth) EdgePixels(p, row, y, r.xo0, r.xi0 - 1, clip);
    InteriorPixels(p, row, y, r.xi0, r.xi1, clip);
    if (p.smooth) EdgePixels(p, row, y, r.xi1 + 1, r.xo1, clip);
}

// The visible pieces of a layer's rows, in order: row, span, and the row's
// extent (the same for every piece of a row).
struct Pieces {
    const WarpSpan* span = nullptr;
    const int32_t* row = nullptr;
    const RowExtent* extent = nullptr;
    size_t count = 0;
};

// Every row, or only the pieces when `pieces` has a span.
void Draw(const Plan& p, ImageView& screen, const Pieces& pieces = {}) {
    int32_t yFirst, yLast;
    RowRange(p, yFirst, yLast);
    size_t k = 0;
    for (int32_t y = yFirst; y <= yLast; ++y) {
        RowClip clip;
        RowExtent r;
        if (pieces.span) {
            while (k < pieces.count && pieces.row[k] < y) ++k;
            const size_t from = k;
            while (k < pieces.count && pieces.row[k] == y) ++k;
            if (k == from) continue;
            clip = RowClip{pieces.span + from, pieces.span + k, false};
            r = pieces.extent[from];
        } else {
            r = ExtentAt(p, y);
        }
        if (!clip.all && clip.end - clip.begin == 1 && clip.begin->x0 <= r.xo0 && clip.begin->x1 >= r.xo1)
            clip.all = true;
        DrawRow(p, screen.Row(uint32_t(y)), y, r, clip);
    }
}

bool FourChannelFormat(uint32_t format, bool& isFloat) {
    switch (format) {
    case kFormatBGRA8:
    case kFormatARGB8: isFloat = false; return true;
    case kFormatBGRAF:
    case kFormatARGBF: isFloat = true; return true;
    default: return false;
    }
}

bool ViewUsable(const ImageView& v, int32_t pixelSize) {
    if (v.empty() || v.pixelSize != pixelSize || v.stride <= 0) return false;
    if (v.height > 1 && int64_t(v.stride) < int64_t(v.width) * pixelSize) return false;
    return v.width <= 0x7FFFFFF && v.height <= 0x7FFFFFF;
}

// Everything WarpQuad checks and works out before its first pixel; false
// where it refuses.
bool Prepare(const WarpSource& source, const ImageView& screen, const QuadCorners& quad, uint32_t drawFlags, Plan& p) {
    if (!source.image) return false;
    const ImageView& pic = *source.image;
    if (!FourChannelFormat(pic.format, p.isFloat) || screen.format != pic.format) return false;
    p.pixelSize = p.isFloat ? 16 : 4;
    if (!ViewUsable(pic, p.pixelSize) || !ViewUsable(screen, p.pixelSize)) return false;
    if (source.w < 2 || source.h < 2 || source.x < 0 || source.y < 0 ||
        int64_t(source.x) + source.w > int64_t(pic.width) || int64_t(source.y) + source.h > int64_t(pic.height))
        return false;
    if (!BuildEdges(quad, p) || !BuildMap(quad, source.w, source.h, p)) return false;
    p.screenWidth = screen.width;
    p.screenHeight = screen.height;

    Texture& tex = p.tex;
    tex.data = pic.data + intptr_t(source.y) * pic.stride + intptr_t(source.x) * p.pixelSize;
    tex.stride = pic.stride;
    tex.width = source.w;
    tex.height = source.h;
    tex.alpha = (pic.format == kFormatBGRA8 || pic.format == kFormatBGRAF) ? 3 : 0;
    const float k = source.shade > 0 ? source.shade : 0.0f; // NaN -> 0
    tex.shaded = k < 1;
    if (tex.shaded) {
        tex.shade16 = static_cast<uint32_t>(std::min<long>(std::lround(double(k) * 65536), 65535));
        for (int c = 0; c < 4; ++c) tex.shadeF[c] = c == tex.alpha ? 1.0f : k;
    }
    tex.offsetsFit32 = int64_t(source.h - 1) * pic.stride + int64_t(source.w) * p.pixelSize < (int64_t(1) << 31);
    p.smooth = (drawFlags & kDrawSmoothEdges) != 0;
    p.floatRunsAccurate = FloatRunsAccurate(p, quad);
    const SpanKernels& spans = ActiveSpans();
    p.fast = p.isFloat ? spans.floats4 : spans.bytes4;
    p.clamped = p.isFloat ? spans.floats4Clamped : spans.bytes4Clamped;
    return true;
}

// Adds x0 .. x1 to a row's covered spans, merging what overlaps or touches.
void Cover(std::vector<WarpSpan>& spans, int32_t x0, int32_t x1) {
    auto it = std::lower_bound(spans.begin(), spans.end(), x0,
                               [](const WarpSpan& s, int32_t x) { return s.x1 < x - 1; });
    auto last = it;
    while (last != spans.end() && last->x0 <= x1 + 1) {
        x0 = std::min(x0, last->x0);
        x1 = std::max(x1, last->x1);
        ++last;
    }
    if (last != it) {
        *it = WarpSpan{x0, x1};
        spans.erase(it + 1, last);
    } else {
        spans.insert(it, WarpSpan{x0, x1});
    }
}

} // namespace
} // namespace warp

// Layers _________________________________________________________________________

struct WarpLayers::Layer {
    warp::Plan plan;
    QuadCorners quad;
    uint32_t drawFlags = 0;
    int32_t srcW = 0, srcH = 0;
    bool shaped = false;     // WarpQuad will draw it: it may hide others and be clipped
    size_t first = 0, count = 0; // its visible pieces
};

WarpLayers::WarpLayers() = default;
WarpLayers::~WarpLayers() = default;

void WarpLayers::Begin(const ImageView& screen) {
    screen_ = screen;
    layers_.clear();
    pieceSpans_.clear();
    pieceRows_.clear();
    pieceExtents_.clear();
    resolved_ = false;
}

void WarpLayers::Release() {
    std::vector<Layer>().swap(layers_);
    std::vector<WarpSpan>().swap(pieceSpans_);
    std::vector<int32_t>().swap(pieceRows_);
    std::vector<warp::RowExtent>().swap(pieceExtents_);
    std::vector<std::vector<WarpSpan>>().swap(covered_);
    resolved_ = false;
}

size_t WarpLayers::Add(const WarpSource& source, const QuadCorners& quad, uint32_t drawFlags) {
    Layer layer;
    layer.quad = quad;
    layer.drawFlags = drawFlags;
    layer.srcW = source.w;
    layer.srcH = source.h;
    layer.shaped = warp::Prepare(source, screen_, quad, drawFlags, layer.plan);
    layers_.push_back(layer);
    resolved_ = false;
    return layers_.size() - 1;
}

void WarpLayers::Resolve() {
    const uint32_t rows = screen_.empty() ? 0 : screen_.height;
    if (covered_.size() < rows) covered_.resize(rows);
    for (uint32_t y = 0; y < rows; ++y) covered_[y].clear();
    for (size_t i = layers_.size(); i-- > 0;) {
        Layer& layer = layers_[i];
        layer.first = pieceSpans_.size();
        if (!layer.shaped) continue;
        int32_t yFirst, yLast;
        warp::RowRange(layer.plan, yFirst, yLast);
        for (int32_t y = yFirst; y <= yLast; ++y) {
            const warp::RowExtent r = warp::ExtentAt(layer.plan, y);
            std::vector<WarpSpan>& covered = covered_[size_t(y)];
            // The touched pixels less the covered ones.
            int32_t x = r.xo0;
            for (const WarpSpan& c : covered) {
                if (c.x1 < x) continue;
                if (c.x0 > r.xo1) break;
                if (c.x0 > x) {
                    pieceSpans_.push_back(WarpSpan{x, c.x0 - 1});
                    pieceRows_.push_back(y);
                    pieceExtents_.push_back(r);
                }
                x = c.x1 + 1;
                if (x > r.xo1) break;
            }
            if (x <= r.xo1) {
                pieceSpans_.push_back(WarpSpan{x, r.xo1});
                pieceRows_.push_back(y);
                pieceExtents_.push_back(r);
            }
            if (r.xi0 <= r.xi1) warp::Cover(covered, r.xi0, r.xi1);
        }
        layer.count = pieceSpans_.size() - layer.first;
    }
    resolved_ = true;
}

bool WarpLayers::Visible(size_t layer) const {
    if (!resolved_ || layer >= layers_.size()) return true;
    const Layer& l = layers_[layer];
    return !l.shaped || l.count > 0;
}

const std::vector<WarpSpan>& WarpLayers::Covered(uint32_t y) const {
    static const std::vector<WarpSpan> kNone;
    return resolved_ && y < covered_.size() && y < screen_.height ? covered_[y] : kNone;
}

// Public entry points _____________________________________________________________

// Sampling is always bilinear (every caller asks for it); bit 31 of the flags
// chooses the smoothed edges.
bool WarpQuad(const WarpSource& source, ImageView& screen, const QuadCorners& quad, uint32_t drawFlags) {
    warp::Plan p;
    if (!warp::Prepare(source, screen, quad, drawFlags, p)) return false;
    warp::Draw(p, screen);
    return true;
}

bool WarpQuad(const WarpSource& source, ImageView& screen, const QuadCorners& quad, uint32_t drawFlags,
              const WarpLayers& layers, size_t layer) {
    warp::Plan p;
    if (!warp::Prepare(source, screen, quad, drawFlags, p)) return false;
    // The clip holds only for the quad and screen it was worked out for.
    const WarpLayers::Layer* l = layer < layers.layers_.size() ? &layers.layers_[layer] : nullptr;
    if (!layers.resolved_ || !l || !l->shaped || l->drawFlags != drawFlags || l->srcW != source.w ||
        l->srcH != source.h || std::memcmp(&l->quad, &quad, sizeof quad) != 0 || screen.data != layers.screen_.data ||
        screen.width != layers.screen_.width || screen.height != layers.screen_.height) {
        warp::Draw(p, screen);
        return true;
    }
    warp::Draw(p, screen,
               warp::Pieces{layers.pieceSpans_.data() + l->first, layers.pieceRows_.data() + l->first,
                            layers.pieceExtents_.data() + l->first, l->count});
    return true;
}

bool WarpQuad(const ImageView& texture, ImageView& screen, const QuadCorners& quad, uint32_t drawFlags) {
    WarpSource source;
    source.image = &texture;
    source.w = static_cast<int32_t>(std::min<uint32_t>(texture.width, 0x7FFFFFFF));
    source.h = static_cast<int32_t>(std::min<uint32_t>(texture.height, 0x7FFFFFFF));
    return WarpQuad(source, screen, quad, drawFlags);
}

// The glow's row kernels are chosen here too: one switch for the renderer.
void SelectWarpKernels() {
    const bool scalar = platform::KernelSimdLevel() == platform::SimdLevel::kScalar;
    glow::UseGlowKernels(!scalar);
    if (scalar)
        warp::UseSpanLevel(warp::SpanLevel::kScalar);
    else if (!warp::UseSpanLevel(warp::SpanLevel::kAvx2))
        warp::UseSpanLevel(warp::SpanLevel::kSse2);
}

bool ScreenToSquare(const QuadCorners& q, double m[3][3]) {
    const double* x = q.x;
    const double* y = q.y;
    const double sx = x[0] - x[1] + x[2] - x[3], sy = y[0] - y[1] + y[2] - y[3];
    const double dx1 = x[1] - x[2], dx2 = x[3] - x[2], dy1 = y[1] - y[2], dy2 = y[3] - y[2];
    const double den = dx1 * dy2 - dx2 * dy1;
    if (den == 0 || !std::isfinite(den)) return false;
    const double g = (sx * dy2 - sy * dx2) / den;
    const double h = (dx1 * sy - dy1 * sx) / den;
    // Unit square (u, v, 1) -> screen (x, y, 1), homogeneous; its inverse up
    // to scale is the adjugate.
    const double f[3][3] = {{x[1] - x[0] + g * x[1], x[3] - x[0] + h * x[3], x[0]},
                            {y[1] - y[0] + g * y[1], y[3] - y[0] + h * y[3], y[0]},
                            {g, h, 1.0}};
    m[0][0] = f[1][1] * f[2][2] - f[1][2] * f[2][1];
    m[0][1] = f[0][2] * f[2][1] - f[0][1] * f[2][2];
    m[0][2] = f[0][1] * f[1][2] - f[0][2] * f[1][1];
    m[1][0] = f[1][2] * f[2][0] - f[1][0] * f[2][2];
    m[1][1] = f[0][0] * f[2][2] - f[0][2] * f[2][0];
    m[1][2] = f[0][2] * f[1][0] - f[0][0] * f[1][2];
    m[2][0] = f[1][0] * f[2][1] - f[1][1] * f[2][0];
    m[2][1] = f[0][1] * f[2][0] - f[0][0] * f[2][1];
    m[2][2] = f[0][0] * f[1][1] - f[0][1] * f[1][0];
    return true;
}

} // namespace svt
