// The glow and metal look: tent blur by running sums, combine, metal sheen.
#include "softrender/glow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "library/abi.h"
#include "platform/platform.h"
#include "softrender/canvas.h"
#include "softrender/glow_p.h"

namespace svt {
namespace glow {

Tent MakeTent(int32_t radius) {
    Tent t;
    t.n = std::clamp(radius, 0, kMaxRadius) + 1;
    t.half = t.n / 2;
    t.a = (t.n + 1) / 2;
    t.b = t.n + 1 - t.a;
    t.d = t.a * t.b;
    return t;
}

// Scalar kernels __________________________________________________________________

void RowTent8Scalar(const uint8_t* pad, uint8_t* out, int32_t count, const Tent& t) {
    const int32_t a = 4 * t.a, b = 4 * t.b, ab = a + b, skip = 2 * t.half, half = t.d / 2;
    int32_t c[4] = {}, sum[4] = {};
    for (int32_t x = -skip; x < count; ++x) {
        const uint8_t* p = pad + 4 * (x + skip);
        for (int ch = 0; ch < 4; ++ch) {
            c[ch] += p[ch] - p[ch - a] - p[ch - b] + p[ch - ab];
            sum[ch] += c[ch];
            if (x >= 0) out[4 * x + ch] = static_cast<uint8_t>((sum[ch] + half) / t.d);
        }
    }
}

void RowTents8Scalar(const uint8_t* const* pads, uint8_t* const* outs, int32_t count, const Tent& t, uint8_t*) {
    for (int r = 0; r < 8; ++r) RowTent8Scalar(pads[r], outs[r], count, t);
}

void ColumnStep8Scalar(const uint8_t* line, const uint8_t* lineA, const uint8_t* lineB, const uint8_t* lineAB,
                       int32_t* c, int32_t* sum, uint8_t* out, int32_t count, const Tent& t) {
    const int32_t half = t.d / 2;
    for (int32_t i = 0; i < 4 * count; ++i) {
        c[i] += line[i] - lineA[i] - lineB[i] + lineAB[i];
        sum[i] += c[i];
        if (out) out[i] = static_cast<uint8_t>((sum[i] + half) / t.d);
    }
}

void CombineRow8Scalar(const uint8_t* s, const uint8_t* g, uint8_t* dst, int32_t count, const Combine8& k) {
    for (int32_t x = 0; x < count; ++x, s += 4, g += 4, dst += 4) {
        const int32_t lg = (((76 * g[k.red] + 149 * g[k.green] + 30 * g[k.blue]) >> 8) * k.k) >> 8;
        const int32_t ls = (76 * s[k.red] + 149 * s[k.green] + 30 * s[k.blue]) >> 8;
        const int32_t lift = ls < lg ? lg - ls : 0;
        const int32_t alpha = std::min(std::max(lg, int32_t(s[k.alpha])), 255);
        uint8_t r[4];
        for (int ch = 0; ch < 4; ++ch) {
            const int32_t colour = k.colour[ch];
            r[ch] = static_cast<uint8_t>(std::min(s[ch] + ((lift * colour) >> 8), colour));
        }
        r[k.alpha] = static_cast<uint8_t>(alpha);
        std::memcpy(dst, r, 4);
    }
}

void RowTentFScalar(const float* pad, float* out, int32_t count, const Tent& t) {
    const int32_t a = 4 * t.a, b = 4 * t.b, ab = a + b, skip = 2 * t.half;
    const double inv = 1.0 / t.d;
    double c[4] = {}, sum[4] = {};
    for (int32_t x = -skip; x < count; ++x) {
        const float* p = pad + 4 * (x + skip);
        for (int ch = 0; ch < 4; ++ch) {
            c[ch] += double(p[ch]) - p[ch - a] - p[ch - b] + p[ch - ab];
            sum[ch] += c[ch];
            if (x >= 0) out[4 * x + ch] = static_cast<float>(sum[ch] * inv);
        }
    }
}

void ColumnStepFScalar(const float* line, const float* lineA, const float* lineB, const float* lineAB, double* c,
                       double* sum, float* out, int32_t count, const Tent& t) {
    const double inv = 1.0 / t.d;
    for (int32_t i = 0; i < 4 * count; ++i) {
        c[i] += double(line[i]) - lineA[i] - lineB[i] + lineAB[i];
        sum[i] += c[i];
        if (out) out[i] = static_cast<float>(sum[i] * inv);
    }
}

void CombineRowFScalar(const float* s, const float* g, float* dst, int32_t count, const CombineF& k) {
    for (int32_t x = 0; x < count; ++x, s += 4, g += 4, dst += 4) {
        const float lg = (0.298f * g[k.red] + 0.586f * g[k.green] + 0.113f * g[k.blue]) * k.k2;
        const float ls = 0.298f * s[k.red] + 0.586f * s[k.green] + 0.113f * s[k.blue];
        float r[4];
        for (int i = 0; i < 4; ++i) {
            const float colour = k.colour[i];
            r[i] = ls < lg ? std::min(s[i] + (lg - ls) * colour, colour) : std::min(s[i], colour);
        }
        r[k.alpha] = std::min(std::max(lg, s[k.alpha]), 1.0f);
        std::memcpy(dst, r, 16);
    }
}

void MetalRowFScalar(float* row, int32_t count, const MetalF& m) {
    for (int32_t x = 0; x < count; ++x, row += 4) {
        const double l = (double(row[m.first]) + row[m.first + 1] + row[m.first + 2]) * (1.0 / 3);
        double w;
        if (l >= 0 && l <= 1) {
            const double at = l * m.steps;
            const int32_t i = std::min(int32_t(at), m.steps - 1);
            w = m.sheen[i] + (m.sheen[i + 1] - m.sheen[i]) * (at - i);
        } else {
            w = m.weight(m.ctx, l);
        }
        for (int i = m.first; i < m.first + 3; ++i) {
            const double v = row[i] * m.keep + m.cc[i] * w;
            row[i] = static_cast<float>(v < 0 ? 0 : (v > 1 ? 1 : v));
        }
    }
}

void CombineMetalRowFScalar(const float* s, const float* g, float* dst, int32_t count, const CombineF& c,
                            const MetalF& m) {
    CombineRowFScalar(s, g, dst, count, c);
    MetalRowFScalar(dst, count, m);
}

void MetalRow8Scalar(uint8_t* row, int32_t count, const Metal8& m) {
    uint8_t* p = row + m.first;
    for (int32_t x = 0; x < count; ++x, p += 4) {
        const int sum = p[0] + p[1] + p[2];
        for (int i = 0; i < 3; ++i) {
            const double r = std::trunc(double(p[i]) * m.keep + m.add[i][sum]);
            p[i] = static_cast<uint8_t>(!(r > 0) ? 0 : (r > 255 ? 255 : r));
        }
    }
}

namespace {

constexpr GlowKernels kScalarGlow{RowTent8Scalar,     RowTents8Scalar,   ColumnStep8Scalar,
                                  CombineRow8Scalar,  RowTentFScalar,    ColumnStepFScalar,
                                  CombineRowFScalar,  MetalRowFScalar,   MetalRow8Scalar,
                                  CombineMetalRowFScalar};
GlowKernels g_glow = kScalarGlow;

} // namespace

void UseGlowKernels(bool simd) {
    GlowKernels k = kScalarGlow;
    if (simd && platform::ProcessorSimdLevel() == platform::SimdLevel::kAvx2) InstallAvx2Glow(k);
    g_glow = k;
}

const GlowKernels& ActiveGlowKernels() { return g_glow; }

// The blur ______________________________________________________________________

namespace {

// The inputs the filters see along one axis of `size` pixels: the picture
// sits at offset half inside a margin of n, and the outer half + 2 lines of
// the padded run repeat the nearest inner line, so picture lines below `lo`
// or above `hi` never enter the blur.
struct Axis {
    int32_t lo = 0, hi = 0;
    int32_t Clamp(int32_t i) const { return i < lo ? lo : (i > hi ? hi : i); }
};

Axis MakeAxis(uint32_t size, const Tent& t) {
    Axis ax;
    ax.lo = 2;
    ax.hi = int32_t(size) + (t.n & 1) - 3;
    if (ax.lo > ax.hi) ax.lo = 0, ax.hi = int32_t(size) - 1; // too small for the margin: its own edges
    return ax;
}

// Scratch blocks of one pass, from the pass's allocator, freed together.
class Scratch {
public:
    explicit Scratch(MemoryAllocator* alloc) : alloc_(alloc) {}
    ~Scratch() {
        for (int i = 0; i < count_; ++i) MemoryAllocator::FreeBlock(alloc_, blocks_[i]);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    template <typename T>
    T* Get(size_t elements) {
        void* p = nullptr;
        if (count_ == kMax || !MemoryAllocator::AllocateBlock(alloc_, &p, elements * sizeof(T) + 64)) return nullptr;
        blocks_[count_++] = p;
        std::memset(p, 0, elements * sizeof(T) + 64);
        return static_cast<T*>(p);
    }

private:
    static constexpr int kMax = 16;
    MemoryAllocator* alloc_;
    void* blocks_[kMax] = {};
    int count_ = 0;
};

// Receives the columns [x0, x1) of each blurred row as they are finished
// (`row` holds the whole row's columns).
struct RowSink {
    void (*fn)(void* ctx, uint32_t y, const uint8_t* row, uint32_t x0, uint32_t x1);
    void* ctx;
};

// The pixels wanted from a blur: the parts given (clipped to the picture),
// or all of it. Spans(y) gives row y's columns as sorted, apart ranges.
class Area {
public:
    Area(uint32_t w, uint32_t h, const IntRect* parts, size_t count) {
        if (!parts) {
            if (w > 0 && h > 0) parts_.push_back(IntRect{0, 0, int32_t(w), int32_t(h)});
        } else {
            for (size_t i = 0; i < count; ++i) {
                const int64_t x0 = std::clamp<int64_t>(parts[i].x, 0, w), y0 = std::clamp<int64_t>(parts[i].y, 0, h);
                const int64_t x1 = std::clamp<int64_t>(int64_t(parts[i].x) + parts[i].w, 0, w);
                const int64_t y1 = std::clamp<int64_t>(int64_t(parts[i].y) + parts[i].h, 0, h);
                if (x0 < x1 && y0 < y1)
                    parts_.push_back(IntRect{int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0)});
            }
            std::sort(parts_.begin(), parts_.end(), [](const IntRect& a, const IntRect& b) { return a.x < b.x; });
        }
        for (const IntRect& r : parts_) {
            top = std::min(top, uint32_t(r.y)), bottom = std::max(bottom, uint32_t(r.y + r.h));
            left = std::min(left, uint32_t(r.x)), right = std::max(right, uint32_t(r.x + r.w));
        }
    }
    bool empty() const { return parts_.empty(); }
    const std::vector<std::pair<uint32_t, uint32_t>>& Spans(uint32_t y) {
        spans_.clear();
        for (const IntRect& r : parts_) {
            if (y < uint32_t(r.y) || y >= uint32_t(r.y + r.h)) continue;
            if (!spans_.empty() && uint32_t(r.x) <= spans_.back().second)
                spans_.back().second = std::max(spans_.back().second, uint32_t(r.x + r.w));
            else
                spans_.emplace_back(uint32_t(r.x), uint32_t(r.x + r.w));
        }
        return spans_;
    }
    uint32_t top = UINT32_MAX, bottom = 0, left = UINT32_MAX, right = 0; // the hull

private:
    std::vector<IntRect> parts_;
    std::vector<std::pair<uint32_t, uint32_t>> spans_;
};

// Both passes over pictures of four T per pixel with running sums of type S.
// Rows are filtered as the column filter first needs them, into a ring of
// n + 2 rows: the column filter reads rows y, y - a, y - b and y - a - b.
// Only the pixels of `area` reach the sink; the filters run over the columns
// and rows its hull needs. Integer sums start n lines above and left of the
// hull (lines further out cannot reach it, and exact sums do not depend on
// where they start); float sums always start at the top and the left, so
// that they round as for the whole picture.
template <typename T, typename S>
bool BlurLines(const ImageView& src, int32_t radius, MemoryAllocator* alloc, RowSink sink, Area& area,
               void (*rowTent)(const T*, T*, int32_t, const Tent&),
               void (*columnStep)(const T*, const T*, const T*, const T*, S*, S*, T*, int32_t, const Tent&),
               RowTents8 rowTents = nullptr, int32_t unused = -1) {
    if (area.empty()) return true;
    Tent t = MakeTent(radius);
    t.unused = unused;
    const uint32_t w = src.width, h = src.height;
    const Axis ax = MakeAxis(w, t), ay = MakeAxis(h, t);
    // Byte rows are filtered eight at a time: up to seven ahead of need.
    const int32_t batch = rowTents ? 8 : 1;
    const int32_t slots = std::min(ay.hi - ay.lo + 1, t.n + 2 + batch - 1);
    ImageView ring;
    if (!ring.Allocate(w, uint32_t(slots), int32_t(4 * sizeof(T)), alloc, src.format, src.topDown)) return false;
    Scratch scratch(alloc);
    const int32_t lead = t.a + t.b; // zero pixels before each padded row
    T* pads[8] = {};
    for (int32_t i = 0; i < batch; ++i) pads[i] = scratch.Get<T>(size_t(lead + w + t.n) * 4);
    uint8_t* work = rowTents ? scratch.Get<uint8_t>((size_t(w) + 2 * size_t(t.n) + 8) * 32) : nullptr;
    S* c = scratch.Get<S>(size_t(w) * 4);
    S* sum = scratch.Get<S>(size_t(w) * 4);
    T* zero = scratch.Get<T>(size_t(w) * 4);
    T* out = scratch.Get<T>(size_t(w) * 4);
    if (!pads[batch - 1] || (rowTents && !work) || !c || !sum || !zero || !out) return false;

    constexpr bool exact = std::is_integral_v<S>;
    const int32_t skip = 2 * t.half;
    const int32_t start = exact ? std::max(0, int32_t(area.top) + skip - t.n + 1) : 0;
    // Columns the column filter runs over (edges repeated beyond them), and
    // the first the row filter writes.
    const int32_t x0 = ax.Clamp(int32_t(area.left)), x1 = ax.Clamp(int32_t(area.right) - 1);
    const int32_t h0 = exact ? x0 : 0;
    // line[X] is picture column h0 + X - half, clamped into the axis.
    const int32_t first = ax.lo + t.half - h0, last = ax.hi + t.half - h0, count = x1 - h0 + 1;
    const int32_t fill = count + t.n;
    auto filtered = [&](int32_t r) { return reinterpret_cast<T*>(ring.Row(uint32_t((r - ay.lo) % slots))); };
    int32_t ready = ay.Clamp(start - t.half) - 1;
    auto lineAt = [&](int32_t yy) -> const T* {
        if (yy < start) return zero;
        const int32_t r = ay.Clamp(yy - t.half);
        while (ready < r) {
            const int32_t rows = std::min(batch, ay.hi - ready);
            const T* lines[8];
            T* outs[8];
            for (int32_t i = 0; i < rows; ++i) {
                T* line = pads[i] + 4 * lead;
                const T* in = reinterpret_cast<const T*>(src.Row(uint32_t(ready + 1 + i)));
                const int32_t from = std::max(first, 0), to = std::min(last, fill - 1);
                if (from <= to)
                    std::memcpy(line + 4 * from, in + 4 * (h0 + from - t.half), size_t(to - from + 1) * 4 * sizeof(T));
                for (int32_t x = 0; x < std::min(first, fill); ++x) std::memcpy(line + 4 * x, in + 4 * ax.lo, 4 * sizeof(T));
                for (int32_t x = std::max(last + 1, 0); x < fill; ++x) std::memcpy(line + 4 * x, in + 4 * ax.hi, 4 * sizeof(T));
                lines[i] = line;
                outs[i] = filtered(ready + 1 + i) + 4 * h0;
            }
            if constexpr (std::is_same_v<T, uint8_t>) {
                if (rows == 8) {
                    rowTents(lines, outs, count, t, work);
                    ready += rows;
                    continue;
                }
            }
            for (int32_t i = 0; i < rows; ++i) rowTent(lines[i], outs[i], count, t);
            ready += rows;
        }
        return filtered(r);
    };

    for (int32_t yy = start; yy < int32_t(area.bottom) + skip; ++yy) {
        const T* l0 = lineAt(yy);
        const T *la = lineAt(yy - t.a), *lb = lineAt(yy - t.b), *lab = lineAt(yy - t.a - t.b);
        auto step = [&](int32_t from, int32_t to, bool keep) { // columns from .. to
            if (from <= to)
                columnStep(l0 + 4 * from, la + 4 * from, lb + 4 * from, lab + 4 * from, c + 4 * from, sum + 4 * from,
                           keep ? out + 4 * from : nullptr, to - from + 1, t);
        };
        const int32_t y = yy - skip;
        if (y < int32_t(area.top)) {
            step(x0, x1, false);
            continue;
        }
        // Each span's columns with their results, the others without; every
        // piece starts at x0 plus a multiple of 8 and ends before the next
        // such column or at x1 (see ColumnStep8).
        const auto& spans = area.Spans(uint32_t(y));
        int32_t at = x0;
        for (const auto& s : spans) {
            int32_t o0 = std::max(ax.Clamp(int32_t(s.first)), at), o1 = ax.Clamp(int32_t(s.second) - 1);
            if (o0 > o1) continue;
            o0 = std::max(at, x0 + (o0 - x0) / 8 * 8);
            o1 = std::min(x1, x0 + (o1 - x0) / 8 * 8 + 7);
            step(at, o0 - 1, false);
            step(o0, o1, true);
            at = o1 + 1;
        }
        step(at, x1, false);
        for (const auto& s : spans) {
            for (uint32_t x = s.first; x < std::min<uint32_t>(s.second, uint32_t(ax.lo)); ++x)
                std::memcpy(out + 4 * x, out + 4 * ax.lo, 4 * sizeof(T));
            for (uint32_t x = std::max<uint32_t>(s.first, uint32_t(ax.hi + 1)); x < s.second; ++x)
                std::memcpy(out + 4 * x, out + 4 * ax.hi, 4 * sizeof(T));
            sink.fn(sink.ctx, uint32_t(y), reinterpret_cast<const uint8_t*>(out), s.first, s.second);
        }
    }
    return true;
}

// `colourOnly`: the sink reads no blurred alpha (the glow's combine).
bool BlurBytes(const ImageView& src, int32_t radius, MemoryAllocator* alloc, RowSink sink, Area& area, bool colourOnly) {
    const GlowKernels& k = ActiveGlowKernels();
    const int32_t alpha = src.format == kFormatBGRA8 ? 3 : 0;
    return BlurLines<uint8_t, int32_t>(src, radius, alloc, sink, area, k.rowTent8, k.columnStep8, k.rowTents8,
                                       colourOnly ? alpha : -1);
}

// Float pictures: the weights divided by their sum, the sums in double.
bool BlurFloats(const ImageView& src, int32_t radius, MemoryAllocator* alloc, RowSink sink, Area& area) {
    const GlowKernels& k = ActiveGlowKernels();
    return BlurLines<float, double>(src, radius, alloc, sink, area, k.rowTentF, k.columnStepF);
}

enum class Kind { kNone, kBytes, kFloats };

Kind KindOf(const ImageView& v) {
    if (v.empty() || v.stride <= 0) return Kind::kNone;
    Kind kind;
    switch (v.format) {
    case kFormatBGRA8:
    case kFormatARGB8: kind = Kind::kBytes; break;
    case kFormatBGRAF:
    case kFormatARGBF: kind = Kind::kFloats; break;
    default: return Kind::kNone;
    }
    const int32_t ps = kind == Kind::kBytes ? 4 : 16;
    if (v.pixelSize != ps) return Kind::kNone;
    if (v.height > 1 && int64_t(v.stride) < int64_t(v.width) * ps) return Kind::kNone;
    if (v.width > 0x3FFFFFF || v.height > 0x3FFFFFF) return Kind::kNone;
    return kind;
}

// Channel positions: blue, green, red, alpha for codes 0 and 3; alpha, red,
// green, blue for 1 and 4.
struct Channels {
    int32_t red, green, blue, alpha;
};
Channels ChannelsOf(uint32_t format) {
    return format == kFormatBGRA8 || format == kFormatBGRAF ? Channels{2, 1, 0, 3} : Channels{1, 2, 3, 0};
}

bool Blur(const ImageView& src, int32_t radius, MemoryAllocator* alloc, RowSink sink, bool colourOnly) {
    Area all(src.width, src.height, nullptr, 0);
    switch (KindOf(src)) {
    case Kind::kBytes: return BlurBytes(src, radius, alloc, sink, all, colourOnly);
    case Kind::kFloats: return BlurFloats(src, radius, alloc, sink, all);
    default: return false;
    }
}

// Glow combine ____________________________________________________________________

struct CombineContext {
    ImageView* image;
    Combine8 bytes;
    CombineF floats;
};

void CombineBytesRow(void* ctx, uint32_t y, const uint8_t* g, uint32_t x0, uint32_t x1) {
    auto* c = static_cast<CombineContext*>(ctx);
    uint8_t* row = c->image->Row(y) + 4 * x0;
    ActiveGlowKernels().combine8(row, g + 4 * x0, row, int32_t(x1 - x0), c->bytes);
}

void CombineFloatsRow(void* ctx, uint32_t y, const uint8_t* g, uint32_t x0, uint32_t x1) {
    auto* c = static_cast<CombineContext*>(ctx);
    float* row = reinterpret_cast<float*>(c->image->Row(y) + 16 * x0);
    ActiveGlowKernels().combineF(row, reinterpret_cast<const float*>(g + 16 * x0), row, int32_t(x1 - x0), c->floats);
}

void CopyRow(void* ctx, uint32_t y, const uint8_t* g, uint32_t x0, uint32_t x1) {
    auto* dst = static_cast<ImageView*>(ctx);
    const size_t ps = size_t(dst->pixelSize);
    std::memcpy(dst->Row(y) + x0 * ps, g + x0 * ps, (x1 - x0) * ps);
}

} // namespace
} // namespace glow

// Public passes _____________________________________________________________________

bool TentBlur(const ImageView& src, ImageView& dst, int32_t radius, MemoryAllocator* allocator) {
    using namespace glow;
    if (KindOf(src) == Kind::kNone || KindOf(dst) == Kind::kNone || dst.format != src.format ||
        dst.width != src.width || dst.height != src.height || dst.data == src.data)
        return false;
    return Blur(src, radius, allocator, RowSink{CopyRow, &dst}, false);
}

namespace glow {
namespace {

// The metal pass prepared once for a picture, then run row by row: on its
// own in place, or on each row the glow's combine has just written.
class MetalPass {
public:
    // False when the pass does nothing to this picture.
    bool Prepare(const ImageView& image, float metal, uint32_t colour) {
        kind_ = KindOf(image);
        if (kind_ == Kind::kNone || !(metal > 0)) return false;
        const Channels ch = ChannelsOf(image.format);
        const double m = metal;
        q_ = 0.6 * m, keep_ = 1 - q_, phase_ = 6.283 * m;
        const int32_t pos[3] = {ch.red, ch.green, ch.blue};
        for (int i = 0; i < 3; ++i) cc_[pos[i]] = double((colour >> (8 * i)) & 0xFF) * 0.0028089888;
        first_ = ch.alpha == 0 ? 1 : 0; // the three colour channels sit together
        if (kind_ != Kind::kBytes) {
            // Float pictures: the sheen tabulated over brightness 0 to 1 and
            // interpolated, within 10^-4 of a level of the sine itself, for
            // pictures large enough to pay for the table.
            if (uint64_t(image.width) * image.height >= 16 * (kSheenSteps + 1) && !LiteralLookOrder()) {
                sheen_.reset(new (std::nothrow) double[kSheenSteps + 1]);
                if (sheen_)
                    for (int i = 0; i <= kSheenSteps; ++i) sheen_[i] = Weight(double(i) / kSheenSteps, q_);
            }
            floats_.keep = keep_;
            std::memcpy(floats_.cc, cc_, sizeof cc_);
            floats_.first = first_;
            floats_.sheen = sheen_.get();
            floats_.steps = kSheenSteps;
            floats_.weight = [](const void* self, double l) {
                const auto* pass = static_cast<const MetalPass*>(self);
                return pass->Weight(l, pass->q_);
            };
            floats_.ctx = this;
            return true;
        }
        // The sheen depends on the pixel only through blue + green + red:
        // tabulate its exact terms once.
        for (int sum = 0; sum < 766; ++sum) {
            const double w = Weight(sum * 0.0013020833333333333, q_ * 256);
            for (int i = 0; i < 3; ++i) add_[i][sum] = cc_[first_ + i] * w;
        }
        const bool grey = cc_[first_] == cc_[first_ + 1] && cc_[first_] == cc_[first_ + 2];
        bytes_.keep = keep_;
        bytes_.first = first_;
        // Single precision rounds v * keep and each weight once and the sum
        // once (2^-24 each, relative): 4 times that bound is the slack.
        double most = 0;
        for (int i = 0; i < 3; ++i)
            for (int sum = 0; sum < 766; ++sum) {
                addF_[i][sum] = float(add_[i][sum]);
                most = std::max(most, std::fabs(add_[i][sum]));
            }
        const double slack = std::ldexp(3 * 255 * std::fabs(keep_) + 2 * most + 1, -22);
        const bool single = std::isfinite(slack) && slack < 1e-2;
        bytes_.keepF = float(keep_);
        bytes_.slack = float(slack);
        for (int i = 0; i < 3; ++i) {
            bytes_.add[i] = add_[grey ? 0 : i];
            bytes_.addF[i] = single ? addF_[grey ? 0 : i] : nullptr;
        }
        return true;
    }

    // The float pass's table form; null where Row takes another route.
    const MetalF* TabledFloats() const { return sheen_ ? &floats_ : nullptr; }

    void Row(uint8_t* row, uint32_t width) const {
        if (kind_ == Kind::kBytes) {
            ActiveGlowKernels().metal8(row, int32_t(width), bytes_);
            return;
        }
        float* f = reinterpret_cast<float*>(row);
        if (sheen_) {
            ActiveGlowKernels().metalF(f, int32_t(width), floats_);
            return;
        }
        for (uint32_t x = 0; x < width; ++x, f += 4) {
            const double w = Weight((double(f[first_]) + f[first_ + 1] + f[first_ + 2]) / 3, q_);
            for (int i = first_; i < first_ + 3; ++i) {
                const double v = f[i] * keep_ + cc_[i] * w;
                f[i] = static_cast<float>(v < 0 ? 0 : (v > 1 ? 1 : v));
            }
        }
    }

private:
    Kind kind_ = Kind::kNone;
    double q_ = 0, keep_ = 1, phase_ = 0;
    double cc_[4] = {};
    int first_ = 0;
    double add_[3][766] = {};
    float addF_[3][766] = {};
    Metal8 bytes_;
    static constexpr int kSheenSteps = 1024;
    std::unique_ptr<double[]> sheen_;
    MetalF floats_;

    double Weight(double l, double scale) const {
        constexpr double kSheen = double(0.8f); // the single-precision 0.8
        const double sigma = std::sin(phase_ + 28.901800863695144 * l);
        return ((kSheen * sigma + 1) * 0.5 + l) * scale;
    }
};

// The glow's combine written into another picture, the metal pass on each
// row as it is finished.
struct LookContext {
    const ImageView* src;
    ImageView* dst;
    Combine8 bytes;
    CombineF floats;
    const MetalPass* metal; // null: no metal
};

void LookBytesRow(void* ctx, uint32_t y, const uint8_t* g, uint32_t x0, uint32_t x1) {
    auto* c = static_cast<LookContext*>(ctx);
    uint8_t* row = c->dst->Row(y) + 4 * x0;
    ActiveGlowKernels().combine8(c->src->Row(y) + 4 * x0, g + 4 * x0, row, int32_t(x1 - x0), c->bytes);
    if (c->metal) c->metal->Row(row, x1 - x0);
}

void LookFloatsRow(void* ctx, uint32_t y, const uint8_t* g, uint32_t x0, uint32_t x1) {
    auto* c = static_cast<LookContext*>(ctx);
    uint8_t* row = c->dst->Row(y) + 16 * x0;
    if (const MetalF* m = c->metal ? c->metal->TabledFloats() : nullptr) {
        ActiveGlowKernels().combineMetalF(reinterpret_cast<const float*>(c->src->Row(y) + 16 * x0),
                                          reinterpret_cast<const float*>(g + 16 * x0), reinterpret_cast<float*>(row),
                                          int32_t(x1 - x0), c->floats, *m);
        return;
    }
    ActiveGlowKernels().combineF(reinterpret_cast<const float*>(c->src->Row(y) + 16 * x0),
                                 reinterpret_cast<const float*>(g + 16 * x0), reinterpret_cast<float*>(row),
                                 int32_t(x1 - x0), c->floats);
    if (c->metal) c->metal->Row(row, x1 - x0);
}

// The combine's constants for `image`; false when the glow does nothing.
float GlowStrength(float glow) { return std::sqrt(0.8f * glow) * 1.5f; }

bool PrepareCombine(const ImageView& image, float glow, uint32_t colour, Combine8& b, CombineF& f) {
    const float k = GlowStrength(glow);
    if (!(k > 0)) return false;
    const Channels ch = ChannelsOf(image.format);
    const int32_t byteOf[3] = {int32_t(colour & 0xFF), int32_t((colour >> 8) & 0xFF), int32_t((colour >> 16) & 0xFF)};
    const int32_t pos[3] = {ch.red, ch.green, ch.blue};
    b.k = static_cast<int32_t>(k * 380.0f);
    b.red = ch.red, b.green = ch.green, b.blue = ch.blue, b.alpha = ch.alpha;
    for (int i = 0; i < 3; ++i) b.colour[pos[i]] = byteOf[i];
    b.colour[ch.alpha] = 255;
    f.k2 = k * 1.49f;
    f.red = ch.red, f.green = ch.green, f.blue = ch.blue, f.alpha = ch.alpha;
    for (int i = 0; i < 3; ++i) f.colour[pos[i]] = float(byteOf[i]) * 0.003921569f;
    f.colour[ch.alpha] = 1.0f;
    return true;
}

} // namespace
} // namespace glow

bool ApplyGlow(ImageView& image, int32_t radius, float glow, uint32_t colour, MemoryAllocator* allocator) {
    using namespace glow;
    const Kind kind = KindOf(image);
    if (kind == Kind::kNone) return false;
    CombineContext ctx{&image, {}, {}};
    if (!PrepareCombine(image, glow, colour, ctx.bytes, ctx.floats)) return false;
    return Blur(image, radius, allocator, RowSink{kind == Kind::kBytes ? CombineBytesRow : CombineFloatsRow, &ctx}, true);
}

bool ApplyMetal(ImageView& image, float metal, uint32_t colour) {
    glow::MetalPass pass;
    if (!pass.Prepare(image, metal, colour)) return false;
    for (uint32_t y = 0; y < image.height; ++y) pass.Row(image.Row(y), image.width);
    return true;
}

bool ApplyLook(const ImageView& src, ImageView& dst, int32_t radius, float glow, float metal, uint32_t colour,
               MemoryAllocator* allocator, const IntRect* parts, size_t count) {
    using namespace glow;
    const Kind kind = KindOf(src);
    if (kind == Kind::kNone || KindOf(dst) != kind || dst.format != src.format || dst.width != src.width ||
        dst.height != src.height || dst.data == src.data)
        return false;
    Area area(src.width, src.height, parts, count);
    MetalPass pass;
    LookContext ctx{&src, &dst, {}, {}, pass.Prepare(dst, metal, colour) ? &pass : nullptr};
    if (PrepareCombine(src, glow, colour, ctx.bytes, ctx.floats)) {
        const bool done = kind == Kind::kBytes ? BlurBytes(src, radius, allocator, RowSink{LookBytesRow, &ctx}, area, true)
                                               : BlurFloats(src, radius, allocator, RowSink{LookFloatsRow, &ctx}, area);
        if (done) return true;
        // No memory for the blur: the glow is skipped, as in place.
    }
    const size_t ps = size_t(src.pixelSize);
    for (uint32_t y = area.top; y < area.bottom; ++y)
        for (const auto& s : area.Spans(y)) {
            std::memcpy(dst.Row(y) + s.first * ps, src.Row(y) + s.first * ps, (s.second - s.first) * ps);
            if (ctx.metal) pass.Row(dst.Row(y) + s.first * ps, s.second - s.first);
        }
    return true;
}

bool PRDreamGlowEffect::ChangesPictures() const {
    return glow::GlowStrength(glow) > 0 || metal > 0;
}

bool PRDreamGlowEffect::ApplyInto(const ImageView& src, ImageView& dst) {
    return ApplyLook(src, dst, radius, glow, metal, colour, allocator) || PREffect::ApplyInto(src, dst);
}

void PRDreamGlowEffect::Apply(ImageView& image) {
    ApplyGlow(image, radius, glow, colour, allocator);
    ApplyMetal(image, metal, colour);
}

} // namespace svt
