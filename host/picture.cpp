#include "host/picture.h"

#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "host/files.h"

namespace svt::host {

// ---------------------------------------------------------------------------
// Picture

Picture::Picture(int width, int height, Rgba fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), pixels_(size_t(width_) * height_, fill) {}

void Picture::Fill(Rgba c) { std::fill(pixels_.begin(), pixels_.end(), c); }

void Picture::Blend(int x, int y, Rgba c, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const float a = c.a / 255.0f * std::clamp(coverage, 0.0f, 1.0f);
    if (a <= 0) return;
    Rgba& d = at(x, y);
    const float da = d.a / 255.0f;
    const float oa = a + da * (1 - a);
    auto mix = [&](uint8_t s, uint8_t t) {
        return static_cast<uint8_t>(std::lround((s * a + t * da * (1 - a)) / oa));
    };
    d = {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), static_cast<uint8_t>(std::lround(oa * 255))};
}

void Picture::Blit(const Picture& src, int x, int y) {
    for (int j = 0; j < src.height(); ++j)
        for (int i = 0; i < src.width(); ++i) Blend(x + i, y + j, src.at(i, j));
}

namespace {

// Weights of a tent filter that maps `dstSize` samples onto `srcSize`.
struct Taps {
    std::vector<int> first;     // first source index per destination sample
    std::vector<int> count;
    std::vector<float> weights; // count[i] weights per sample, padded to `span`
    int span = 0;
};

Taps MakeTaps(int srcSize, int dstSize) {
    Taps t;
    const double scale = double(srcSize) / dstSize;
    const double radius = std::max(1.0, scale);
    t.span = int(std::ceil(radius)) * 2 + 2;
    for (int i = 0; i < dstSize; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int lo = std::max(0, int(std::floor(centre - radius)) + 1);
        const int hi = std::min(srcSize - 1, int(std::ceil(centre + radius)) - 1);
        double sum = 0;
        std::vector<double> w;
        for (int s = lo; s <= hi; ++s) {
            const double v = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
            w.push_back(v);
            sum += v;
        }
        int first = lo, n = int(w.size());
        if (sum <= 0) { // the sample falls outside: take the nearest pixel
            first = std::clamp(int(std::lround(centre)), 0, srcSize - 1);
            w.assign(1, 1.0);
            sum = 1;
            n = 1;
        }
        t.first.push_back(first);
        t.count.push_back(n);
        for (int k = 0; k < t.span; ++k) t.weights.push_back(k < n ? float(w[k] / sum) : 0.0f);
    }
    return t;
}

} // namespace

Picture Resized(const Picture& src, int width, int height) {
    if (src.empty() || width <= 0 || height <= 0) return Picture(std::max(width, 0), std::max(height, 0));
    if (src.width() == width && src.height() == height) return src;
    const Taps tx = MakeTaps(src.width(), width), ty = MakeTaps(src.height(), height);
    // Colour is weighted by alpha so transparent pixels do not darken edges.
    std::vector<float> rows(size_t(width) * src.height() * 4);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < width; ++x) {
            float acc[4] = {};
            for (int k = 0; k < tx.count[x]; ++k) {
                const Rgba& p = src.at(tx.first[x] + k, y);
                const float w = tx.weights[size_t(x) * tx.span + k], a = p.a * w;
                acc[0] += p.r * a, acc[1] += p.g * a, acc[2] += p.b * a, acc[3] += a;
            }
            std::copy(acc, acc + 4, &rows[(size_t(y) * width + x) * 4]);
        }
    Picture out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float acc[4] = {};
            for (int k = 0; k < ty.count[y]; ++k) {
                const float w = ty.weights[size_t(y) * ty.span + k];
                const float* p = &rows[(size_t(ty.first[y] + k) * width + x) * 4];
                for (int c = 0; c < 4; ++c) acc[c] += p[c] * w;
            }
            auto byte = [](float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
            const float a = acc[3];
            out.at(x, y) = a > 0 ? Rgba{byte(acc[0] / a), byte(acc[1] / a), byte(acc[2] / a), byte(a)} : Rgba{0, 0, 0, 0};
        }
    return out;
}

// ---------------------------------------------------------------------------
// Formats

bool ParseFormat(const std::string& name, uint32_t* code) {
    static const struct { const char* name; uint32_t code; } kNames[] = {
        {"bgra8", kFormatBGRA8}, {"argb8", kFormatARGB8}, {"bgraf", kFormatBGRAF}, {"argbf", kFormatARGBF}};
    for (const auto& n : kNames)
        if (name == n.name) {
            *code = n.code;
            return true;
        }
    return false;
}

const char* FormatName(uint32_t code) {
    switch (code) {
    case kFormatBGRA8: return "bgra8";
    case kFormatARGB8: return "argb8";
    case kFormatBGRAF: return "bgraf";
    case kFormatARGBF: return "argbf";
    default: return "?";
    }
}

int PixelSizeOf(uint32_t code) {
    switch (code) {
    case kFormatBGRA8:
    case kFormatARGB8: return 4;
    case kFormatBGRAF:
    case kFormatARGBF: return 16;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------
// HostFrame

namespace {
constexpr uint8_t kGuardByte = 0xA5;

} // namespace

bool HostFrame::Allocate(int width, int height, uint32_t format, const FrameLayout& layout) {
    const int ps = PixelSizeOf(format);
    if (width < 1 || height < 1 || ps == 0 || layout.rowPadding < 0 || layout.guard < 0) return false;
    layout_ = layout;
    rowBytes_ = width * ps;
    stride_ = rowBytes_ + layout.rowPadding;
    buffer_.assign(size_t(layout.guard) * 2 + size_t(stride_) * height, kGuardByte);
    uint8_t* first = buffer_.data() + layout.guard;
    desc_ = FrameDesc{};
    desc_.width = width;
    desc_.height = height;
    desc_.pixelSize = ps;
    desc_.format = format;
    desc_.topDown = layout.topDown ? 1 : 0;
    if (layout.negativeStride) {
        desc_.data = first + size_t(stride_) * (height - 1);
        desc_.stride = -stride_;
    } else {
        desc_.data = first;
        desc_.stride = stride_;
    }
    FillBytes(0);
    return true;
}

bool HostFrame::Holds(int width, int height, uint32_t format, const FrameLayout& layout) const {
    return !buffer_.empty() && desc_.width == width && desc_.height == height && desc_.format == format &&
           layout_.topDown == layout.topDown && layout_.negativeStride == layout.negativeStride &&
           layout_.rowPadding == layout.rowPadding && layout_.guard == layout.guard;
}

bool HostFrame::Allocate(const Picture& picture, uint32_t format, const FrameLayout& layout) {
    if (!Allocate(picture.width(), picture.height(), format, layout)) return false;
    Store(picture);
    return true;
}

uint8_t* HostFrame::RowOf(int y) const {
    const int r = desc_.topDown ? y : desc_.height - 1 - y;
    return static_cast<uint8_t*>(desc_.data) + ptrdiff_t(r) * desc_.stride;
}

const uint8_t* HostFrame::PixelAt(int x, int y) const { return RowOf(y) + size_t(x) * desc_.pixelSize; }

void HostFrame::FillBytes(uint8_t value) {
    for (int y = 0; y < desc_.height; ++y) std::memset(RowOf(y), value, rowBytes_);
}

namespace {

// Whole rows at a time, in loops simple enough for the compiler to
// vectorise: a clip converts two pictures in and one out every frame.
// Rgba in memory is r, g, b, a; as a little-endian word a<<24 | b<<16 | g<<8 | r.
uint32_t ToBGRA(uint32_t v) { return (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16; }
uint32_t ToARGB(uint32_t v) { return v << 8 | v >> 24; } // memory a, r, g, b
uint32_t FromARGB(uint32_t v) { return v >> 8 | v << 24; }

// The exact quotients v / 255.0f the per-pixel rule gives.
const std::array<float, 256>& UnitFloats() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) t[size_t(i)] = float(i) / 255.0f;
        return t;
    }();
    return table;
}

// round(clamp(v, 0, 1) * 255) with halves up, NaN as 0; p - trunc(p) is exact
// below 256, so this equals lround on the float product.
uint8_t ToByte(float v) {
    const float p = (v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f) * 255.0f; // NaN fails v > 0
    const int whole = int(p);
    return uint8_t(whole + (p - float(whole) >= 0.5f ? 1 : 0));
}

void StoreRow(const Rgba* src, uint8_t* dst, int width, uint32_t format) {
    if (format == kFormatBGRA8 || format == kFormatARGB8) {
        const bool argb = format == kFormatARGB8;
        for (int x = 0; x < width; ++x) {
            uint32_t v;
            std::memcpy(&v, src + x, 4);
            v = argb ? ToARGB(v) : ToBGRA(v);
            std::memcpy(dst + 4 * x, &v, 4);
        }
        return;
    }
    const std::array<float, 256>& unit = UnitFloats();
    const bool argb = format == kFormatARGBF;
    float* out = reinterpret_cast<float*>(dst);
    for (int x = 0; x < width; ++x) {
        const Rgba c = src[x];
        const float b = unit[c.b], g = unit[c.g], r = unit[c.r], a = unit[c.a];
        const float px[4] = {argb ? a : b, argb ? r : g, argb ? g : r, argb ? b : a};
        std::memcpy(out + 4 * x, px, sizeof(px));
    }
}

void LoadRow(const uint8_t* src, Rgba* dst, int width, uint32_t format) {
    if (format == kFormatBGRA8 || format == kFormatARGB8) {
        const bool argb = format == kFormatARGB8;
        for (int x = 0; x < width; ++x) {
            uint32_t v;
            std::memcpy(&v, src + 4 * x, 4);
            v = argb ? FromARGB(v) : ToBGRA(v); // swapping red and blue undoes itself
            std::memcpy(static_cast<void*>(dst + x), &v, 4);
        }
        return;
    }
    const bool argb = format == kFormatARGBF;
    for (int x = 0; x < width; ++x) {
        float px[4];
        std::memcpy(px, src + 16 * size_t(x), sizeof(px));
        const uint8_t c0 = ToByte(px[0]), c1 = ToByte(px[1]), c2 = ToByte(px[2]), c3 = ToByte(px[3]);
        dst[x] = argb ? Rgba{c1, c2, c3, c0} : Rgba{c2, c1, c0, c3};
    }
}

} // namespace

void HostFrame::Store(const Picture& picture) {
    const int w = std::min(picture.width(), desc_.width), h = std::min(picture.height(), desc_.height);
    for (int y = 0; y < h; ++y) StoreRow(&picture.at(0, y), RowOf(y), w, desc_.format);
}

Picture HostFrame::Load() const {
    Picture p;
    LoadInto(&p);
    return p;
}

void HostFrame::LoadInto(Picture* p) const {
    if (p->width() != desc_.width || p->height() != desc_.height) *p = Picture(desc_.width, desc_.height);
    for (int y = 0; y < desc_.height; ++y) LoadRow(RowOf(y), &p->at(0, y), desc_.width, desc_.format);
}

bool HostFrame::GuardsIntact() const {
    if (buffer_.empty()) return true;
    auto clean = [&](size_t from, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (buffer_[from + i] != kGuardByte) return false;
        return true;
    };
    const size_t g = layout_.guard;
    if (!clean(0, g) || !clean(buffer_.size() - g, g)) return false;
    for (int r = 0; r < desc_.height; ++r)
        if (!clean(g + size_t(r) * stride_ + rowBytes_, layout_.rowPadding)) return false;
    return true;
}

bool HostFrame::SamePixels(const HostFrame& other) const {
    if (desc_.width != other.desc_.width || desc_.height != other.desc_.height || desc_.format != other.desc_.format)
        return false;
    for (int y = 0; y < desc_.height; ++y)
        if (std::memcmp(RowOf(y), other.RowOf(y), rowBytes_) != 0) return false;
    return true;
}

// ---------------------------------------------------------------------------
// Files

namespace {

bool SizeAllowed(uint64_t w, uint64_t h, std::string* error) {
    if (w > uint64_t(kMaxSide) || h > uint64_t(kMaxSide)) {
        *error = "the picture is " + std::to_string(w) + "x" + std::to_string(h) + "; the largest side read is " +
                 std::to_string(kMaxSide);
        return false;
    }
    return FitsInMemory(double(w) * double(h) * 4 * 2, "reading the picture", error);
}

// libjpeg's warnings are counted, not printed.
void JpegWarn(j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
}

bool ReadPng(const std::string& path, Picture* out, std::string* error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        *error = image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    if (!SizeAllowed(image.width, image.height, error)) {
        png_image_free(&image);
        return false;
    }
    Picture p(int(image.width), int(image.height));
    static_assert(sizeof(Rgba) == 4);
    if (!png_image_finish_read(&image, nullptr, p.data(), 0, nullptr)) {
        *error = image.message;
        png_image_free(&image);
        return false;
    }
    *out = std::move(p);
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegFail(j_common_ptr info) {
    auto* e = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, e->message);
    std::longjmp(e->jump, 1);
}

bool ReadJpeg(std::FILE* file, Picture* out, std::string* error, bool lenient) {
    jpeg_decompress_struct info{};
    JpegError err{};
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.emit_message = JpegWarn;
    std::vector<uint8_t> row;
    Picture p;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        *error = err.message;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    if (!SizeAllowed(info.image_width, info.image_height, error)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    p = Picture(int(info.output_width), int(info.output_height));
    row.resize(size_t(info.output_width) * 3);
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < p.width(); ++x) p.at(x, y) = {row[x * 3], row[x * 3 + 1], row[x * 3 + 2], 255};
    }
    // libjpeg only warns about a file that ends early, and fills the rest.
    const bool damaged = err.mgr.num_warnings > 0;
    if (damaged) (*err.mgr.format_message)(reinterpret_cast<j_common_ptr>(&info), err.message);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (damaged && !lenient) {
        *error = std::string("the JPEG is damaged (") + err.message + "); --lenient reads what it can";
        return false;
    }
    *out = std::move(p);
    return true;
}

bool WriteJpeg(std::FILE* file, const Picture& picture, std::string* error) {
    jpeg_compress_struct info{};
    JpegError err{};
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    std::vector<uint8_t> row(size_t(picture.width()) * 3);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&info);
        *error = err.message;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 92, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < picture.width(); ++x) {
            const Rgba& c = picture.at(x, y);
            row[x * 3] = c.r, row[x * 3 + 1] = c.g, row[x * 3 + 2] = c.b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

double MemoryLimit() {
    double limit = double(sysconf(_SC_PHYS_PAGES)) * double(sysconf(_SC_PAGE_SIZE));
    if (const char* mb = std::getenv("TUMBLERS_MEMORY_MB")) {
        char* stop = nullptr;
        const double v = std::strtod(mb, &stop);
        if (*mb && !*stop && v > 0) limit = v * 1e6;
    }
    rlimit r{};
    if (getrlimit(RLIMIT_AS, &r) == 0 && r.rlim_cur != RLIM_INFINITY) limit = std::min(limit, double(r.rlim_cur));
    return limit;
}

bool FitsInMemory(double bytes, const std::string& what, std::string* error) {
    const double limit = MemoryLimit();
    if (limit <= 0 || bytes <= limit * 0.8) return true;
    *error = what + " needs about " + std::to_string(int64_t(bytes / 1e6)) + " MB of memory; " +
             std::to_string(int64_t(limit / 1e6)) + " MB are available";
    return false;
}

bool ReadPicture(const std::string& path, Picture* out, std::string* error, bool lenient) {
    std::string why;
    if (IsDirectory(path)) {
        *error = path + " is a folder, not a picture";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = "cannot read the picture " + path + ": " + std::strerror(errno);
        return false;
    }
    unsigned char magic[8] = {};
    const size_t n = std::fread(magic, 1, sizeof(magic), file);
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bool ok = false;
    if (n == 8 && std::memcmp(magic, kPng, 8) == 0) {
        std::fclose(file);
        ok = ReadPng(path, out, &why);
    } else if (n >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
        std::rewind(file);
        ok = ReadJpeg(file, out, &why, lenient);
        std::fclose(file);
    } else {
        std::fclose(file);
        why = n == 0 ? "the file is empty" : "not a PNG or JPEG file";
    }
    if (!ok) *error = "cannot read the picture " + path + ": " + why;
    return ok;
}

bool WritePicture(const std::string& path, const Picture& picture, std::string* error) {
    if (picture.empty()) {
        *error = "nothing to write to " + path;
        return false;
    }
    const std::string temp = TemporaryNameFor(path);
    const std::string ext = ExtensionOf(path);
    std::string why;
    bool ok = false;
    if (ext == "jpg" || ext == "jpeg") {
        std::FILE* file = std::fopen(temp.c_str(), "wb");
        if (!file) {
            why = std::strerror(errno);
        } else {
            ok = WriteJpeg(file, picture, &why);
            if (std::fclose(file) != 0 && ok) {
                ok = false;
                why = std::strerror(errno);
            }
        }
    } else {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = png_uint_32(picture.width());
        image.height = png_uint_32(picture.height());
        image.format = PNG_FORMAT_RGBA;
        ok = png_image_write_to_file(&image, temp.c_str(), 0, picture.pixels().data(), 0, nullptr) != 0;
        if (!ok) why = image.message;
        png_image_free(&image);
    }
    if (!ok) {
        std::remove(temp.c_str());
        *error = "cannot write " + path + ": " + why;
        return false;
    }
    return CommitFile(temp, path, error);
}

} // namespace svt::host
