// Image operations on 1080p and 2160p frames, with the selected kernels and
// (at 1080p) with the scalar ones, beside memcpy of the same bytes. The
// "bytes" counter is the memory an operation must move (read plus written)
// per second, so each row compares directly with memcpy's. Times are the
// thread's CPU time and five repetitions report their median: the build
// machines are shared and wall times wander with everyone else's load.
//
// NOTE: memcpy touches two frames, Composite and WeightedBlend three. At
// 1080p (8 MB a frame) two may stay in the last-level cache where three do
// not, so "Average" (two frames in, one out, one instruction per 32 bytes)
// is the floor those two can reach; at 2160p nothing stays cached.
#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <cstring>
#include <string>

#include "frames/image_kernels_p.h"
#include "frames/image_ops.h"
#include "frames/image_view.h"

namespace svt {
namespace {

struct Frames {
    uint32_t width, height;
    ImageView a, b, d;
    Frames(uint32_t format, uint32_t w, uint32_t h) : width(w), height(h) {
        const int32_t ps = format == kFormatBGRAF ? 16 : 4;
        for (ImageView* v : {&a, &b, &d}) {
            v->Allocate(width, height, ps, nullptr, format, 1);
            for (uint32_t y = 0; y < height; ++y) {
                uint8_t* row = v->Row(y);
                if (format == kFormatBGRAF) {
                    float* f = reinterpret_cast<float*>(row);
                    // Alpha 1: Premultiply runs on the same frame again and
                    // again, and lower alphas would drive the colours into
                    // subnormals, which multiply many times slower than any
                    // picture a host hands over.
                    for (uint32_t i = 0; i < 4 * width; ++i)
                        f[i] = i % 4 == 3 ? 1.0f : float((i * 7 + y * 13) % 256) / 255.0f;
                } else {
                    for (uint32_t i = 0; i < 4 * width; ++i) row[i] = uint8_t(i * 7 + y * 13);
                }
            }
        }
    }
    double FrameBytes() const { return double(width) * height * a.pixelSize; }
};

// d = (a + b + 1) / 2 byte by byte: the least work over the three frames.
__attribute__((target("avx2"))) void Average(const ImageView& a, const ImageView& b, ImageView& d) {
    const size_t n = size_t(a.width) * a.pixelSize;
    for (uint32_t y = 0; y < a.height; ++y) {
        const uint8_t *pa = a.Row(y), *pb = b.Row(y);
        uint8_t* pd = d.Row(y);
        for (size_t i = 0; i + 32 <= n; i += 32)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pd + i),
                                _mm256_avg_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(pa + i)),
                                                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pb + i))));
    }
}

enum class Op { kMemcpy, kAverage, kCopy, kComposite, kBlend, kPremultiply, kResizeCubic, kExtendBorder };

// Border of the extend benchmark: what the overscan crop typically repeats.
constexpr int32_t kBorder = 16;

void Run(benchmark::State& state, Op op, uint32_t format, bool scalar, uint32_t w, uint32_t h) {
    SelectImageKernelsForTest(scalar);
    Frames f(format, w, h);
    const double frame = f.FrameBytes();
    double moved = 0;
    const uint32_t inner[4] = {w / 40, h / 40, w - 1 - w / 40, h - 1 - h / 40}; // a 2.5 % overscan on each side
    for (auto _ : state) {
        switch (op) {
        case Op::kMemcpy:
            for (uint32_t y = 0; y < h; ++y) std::memcpy(f.d.Row(y), f.a.Row(y), size_t(w) * f.a.pixelSize);
            moved = 2 * frame;
            break;
        case Op::kAverage:
            Average(f.a, f.b, f.d);
            moved = 3 * frame;
            break;
        case Op::kCopy:
            CopyImage(&f.a, &f.d);
            moved = 2 * frame;
            break;
        case Op::kComposite:
            Composite(&f.a, &f.b, &f.d, false);
            moved = 3 * frame;
            break;
        case Op::kBlend:
            WeightedBlend(&f.a, &f.b, &f.d, 0.3f, 0.7f);
            moved = 3 * frame;
            break;
        case Op::kPremultiply:
            Premultiply(&f.d);
            moved = 2 * frame;
            break;
        case Op::kResizeCubic:
            ResizeRect(&f.a, inner, &f.d, kCubic);
            moved = frame * (double(inner[2] - inner[0] + 1) * (inner[3] - inner[1] + 1) / (double(w) * h)) + frame;
            break;
        case Op::kExtendBorder:
            ExtendBorder(&f.d, kBorder, kBorder);
            moved = frame * (1.0 - double(w - 2 * kBorder) * (h - 2 * kBorder) / (double(w) * h));
            break;
        }
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = benchmark::Counter(moved, benchmark::Counter::kIsIterationInvariantRate,
                                                 benchmark::Counter::kIs1024);
    state.SetLabel(scalar ? "scalar" : ImageKernelLevel());
    SelectImageKernelsForTest(false);
}

void Register() {
    struct Named {
        const char* name;
        Op op;
    };
    const Named ops[] = {{"Memcpy", Op::kMemcpy},           {"Average", Op::kAverage},
                         {"CopyImage", Op::kCopy},
                         {"Composite", Op::kComposite},     {"WeightedBlend", Op::kBlend},
                         {"Premultiply", Op::kPremultiply}, {"ResizeRectCubic", Op::kResizeCubic},
                         {"ExtendBorder", Op::kExtendBorder}};
    for (uint32_t h : {1080u, 2160u}) {
        const uint32_t w = h * 16 / 9;
        for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
            for (const Named& n : ops) {
                for (bool scalar : {false, true}) {
                    if (scalar && (n.op == Op::kMemcpy || n.op == Op::kAverage || h > 1080)) continue;
                    if (n.op == Op::kAverage && !__builtin_cpu_supports("avx2")) continue;
                    const std::string name = std::string(n.name) + "/" + std::to_string(h) + "p/format" +
                                             std::to_string(format) + (scalar ? "/scalar" : "");
                    benchmark::RegisterBenchmark(name.c_str(),
                                                 [=](benchmark::State& s) { Run(s, n.op, format, scalar, w, h); })
                        ->Unit(benchmark::kMillisecond)
                        ->Repetitions(5)
                        ->ReportAggregatesOnly(true);
                }
            }
        }
    }
}

} // namespace
} // namespace svt

int main(int argc, char** argv) {
    svt::Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
