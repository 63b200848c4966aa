// Image operations on 1080p frames, with the selected kernels and with the
// scalar ones, beside memcpy of the same bytes. The "bytes" counter is the
// memory an operation must move (read plus written) per second, so each row
// compares directly with memcpy's. Times are the thread's CPU time and five
// repetitions report their median: the build machines are shared and wall
// times wander with everyone else's load.
#include <benchmark/benchmark.h>

#include <cstring>

#include "frames/image_kernels_p.h"
#include "frames/image_ops.h"
#include "frames/image_view.h"

namespace svt {
namespace {

constexpr uint32_t kWidth = 1920, kHeight = 1080;

struct Frames {
    ImageView a, b, d;
    explicit Frames(uint32_t format) {
        const int32_t ps = format == kFormatBGRAF ? 16 : 4;
        for (ImageView* v : {&a, &b, &d}) {
            v->Allocate(kWidth, kHeight, ps, nullptr, format, 1);
            for (uint32_t y = 0; y < kHeight; ++y) {
                uint8_t* row = v->Row(y);
                if (format == kFormatBGRAF) {
                    float* f = reinterpret_cast<float*>(row);
                    // Alpha 1: Premultiply runs on the same frame again and
                    // again, and lower alphas would drive the colours into
                    // subnormals, which multiply many times slower than any
                    // picture a host hands over.
                    for (uint32_t i = 0; i < 4 * kWidth; ++i)
                        f[i] = i % 4 == 3 ? 1.0f : float((i * 7 + y * 13) % 256) / 255.0f;
                } else {
                    for (uint32_t i = 0; i < 4 * kWidth; ++i) row[i] = uint8_t(i * 7 + y * 13);
                }
            }
        }
    }
    double FrameBytes() const { return double(kWidth) * kHeight * a.pixelSize; }
};

enum class Op { kMemcpy, kCopy, kComposite, kBlend, kPremultiply, kResizeCubic, kExtendBorder };

// Border of the extend benchmark: what the overscan crop typically repeats.
constexpr int32_t kBorder = 16;

void Run(benchmark::State& state, Op op, uint32_t format, bool scalar) {
    SelectImageKernelsForTest(scalar);
    Frames f(format);
    const double frame = f.FrameBytes();
    double moved = 0;
    const uint32_t inner[4] = {48, 27, kWidth - 49, kHeight - 28}; // a 2.5 % overscan on each side
    for (auto _ : state) {
        switch (op) {
        case Op::kMemcpy:
            for (uint32_t y = 0; y < kHeight; ++y) std::memcpy(f.d.Row(y), f.a.Row(y), size_t(kWidth) * f.a.pixelSize);
            moved = 2 * frame;
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
            moved = frame * (double(inner[2] - inner[0] + 1) * (inner[3] - inner[1] + 1) / (double(kWidth) * kHeight)) + frame;
            break;
        case Op::kExtendBorder:
            ExtendBorder(&f.d, kBorder, kBorder);
            moved = frame * (1.0 - double(kWidth - 2 * kBorder) * (kHeight - 2 * kBorder) / (double(kWidth) * kHeight));
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
    const Named ops[] = {{"Memcpy", Op::kMemcpy},           {"CopyImage", Op::kCopy},
                         {"Composite", Op::kComposite},     {"WeightedBlend", Op::kBlend},
                         {"Premultiply", Op::kPremultiply}, {"ResizeRectCubic", Op::kResizeCubic},
                         {"ExtendBorder", Op::kExtendBorder}};
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        for (const Named& n : ops) {
            for (bool scalar : {false, true}) {
                if (n.op == Op::kMemcpy && scalar) continue;
                const std::string name = std::string(n.name) + "/format" + std::to_string(format) + (scalar ? "/scalar" : "");
                benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) { Run(s, n.op, format, scalar); })
                    ->Unit(benchmark::kMillisecond)
                    ->Repetitions(5)
                    ->ReportAggregatesOnly(true);
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
