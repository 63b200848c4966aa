// The software renderer on 1080p frames, single thread: warping one full
// picture flat and turned, the same picture cut into strips, cells and a
// receding board of tiles (drawn straight from the picture, as faces are),
// the glow at the largest radius a transition asks for at 1080p, the
// overscan crop, and memcpy of one frame for scale. With OpenCV present, its
// perspective warp of the same picture onto the same quad runs beside ours.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "frames/image_ops.h"
#include "frames/image_view.h"
#include "softrender/glow.h"
#include "softrender/glow_p.h"
#include "softrender/smart_crop.h"
#include "softrender/warp.h"
#include "softrender/warp_p.h"

#ifdef SVT_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace svt {
namespace {

constexpr uint32_t kWidth = 1920, kHeight = 1080;
constexpr double kPi = 3.14159265358979323846;

struct Frame {
    ImageView view;
    explicit Frame(uint32_t format) {
        const bool isFloat = format == kFormatBGRAF;
        view.Allocate(kWidth, kHeight, isFloat ? 16 : 4, nullptr, format, 1);
        for (uint32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = view.Row(y);
            for (uint32_t i = 0; i < 4 * kWidth; ++i) {
                // A picture with detail at every scale, and letterbox bars
                // of 40 rows for the crop.
                const uint32_t x = i / 4;
                uint32_t v = (x * 7 + y * 13 + (x ^ y) % 61 + i % 4 * 50) % 256;
                if (y < 40 || y >= kHeight - 40) v = 4;
                if (isFloat)
                    reinterpret_cast<float*>(row)[i] = float(v) / 255.0f;
                else
                    row[i] = uint8_t(v);
            }
        }
    }
};

Frame& Picture(uint32_t format) {
    static Frame bytes(kFormatBGRA8), floats(kFormatBGRAF);
    return format == kFormatBGRAF ? floats : bytes;
}
Frame& Screen(uint32_t format) {
    static Frame bytes(kFormatBGRA8), floats(kFormatBGRAF);
    return format == kFormatBGRAF ? floats : bytes;
}

// Geometry ________________________________________________________________________

struct Pt {
    double x, y;
};

// A point of the picture plane (X, Y in [-1, 1], Y up) turned by `angle`
// about the vertical axis, seen from distance 10, in screen pixels.
Pt Project(double X, double Y, double angle) {
    const double x = X * std::cos(angle), z = -X * std::sin(angle);
    const double w = 1 - z / 10;
    return {(x / w + 1) * (kWidth - 1) / 2, (kHeight - 1) / 2.0 - Y / w * (kHeight - 1) / 2};
}

QuadCorners Corners(Pt p0, Pt p1, Pt p2, Pt p3) { return QuadCorners{{p0.x, p1.x, p2.x, p3.x}, {p0.y, p1.y, p2.y, p3.y}}; }

QuadCorners Turned(double angle) {
    return Corners(Project(-1, 1, angle), Project(1, 1, angle), Project(1, -1, angle), Project(-1, -1, angle));
}

struct Face {
    WarpSource src;
    QuadCorners quad;
};

// The picture cut into cols x rows faces lying flat over the whole frame,
// sharing their corners.
std::vector<Face> Grid(const ImageView& pic, int cols, int rows) {
    std::vector<Face> faces;
    auto at = [&](int i, int j) {
        return Pt{double(i) / cols * (kWidth - 1), double(j) / rows * (kHeight - 1)};
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            const int x0 = i * int(kWidth) / cols, x1 = (i + 1) * int(kWidth) / cols;
            const int y0 = j * int(kHeight) / rows, y1 = (j + 1) * int(kHeight) / rows;
            faces.push_back({WarpSource{&pic, x0, y0, x1 - x0, y1 - y0, 1.0f},
                             Corners(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1))});
        }
    return faces;
}

// A 3 x 3 board of whole-picture tiles on a floor receding from the full
// width at the bottom of the frame to its middle third at the top.
std::vector<Face> Board(const ImageView& pic) {
    const double W = kWidth - 1, H = kHeight - 1;
    const Pt c[4] = {{W / 3, 0}, {2 * W / 3, 0}, {W, H}, {0, H}};
    // Square-to-quad map (the warp's own construction, redone here).
    const double sx = c[0].x - c[1].x + c[2].x - c[3].x, sy = c[0].y - c[1].y + c[2].y - c[3].y;
    const double dx1 = c[1].x - c[2].x, dx2 = c[3].x - c[2].x, dy1 = c[1].y - c[2].y, dy2 = c[3].y - c[2].y;
    const double den = dx1 * dy2 - dx2 * dy1;
    const double g = (sx * dy2 - sy * dx2) / den, h = (dx1 * sy - dy1 * sx) / den;
    auto map = [&](double u, double v) {
        const double w = g * u + h * v + 1;
        return Pt{((c[1].x - c[0].x + g * c[1].x) * u + (c[3].x - c[0].x + h * c[3].x) * v + c[0].x) / w,
                  ((c[1].y - c[0].y + g * c[1].y) * u + (c[3].y - c[0].y + h * c[3].y) * v + c[0].y) / w};
    };
    std::vector<Face> faces;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            faces.push_back({WarpSource{&pic, 0, 0, int32_t(kWidth), int32_t(kHeight), 1.0f},
                             Corners(map(i / 3.0, j / 3.0), map((i + 1) / 3.0, j / 3.0),
                                     map((i + 1) / 3.0, (j + 1) / 3.0), map(i / 3.0, (j + 1) / 3.0))});
    return faces;
}

// Benchmarks ______________________________________________________________________

const char* LevelName(warp::SpanLevel level) {
    switch (level) {
    case warp::SpanLevel::kAvx2: return "avx2";
    case warp::SpanLevel::kSse2: return "sse2";
    default: return "scalar";
    }
}

enum class Scene { kFlat, kTurned, kStrips, kCells, kBoard };

void WarpScene(benchmark::State& state, Scene scene, uint32_t format, warp::SpanLevel level) {
    if (!warp::UseSpanLevel(level)) {
        state.SkipWithError("level not available");
        return;
    }
    ImageView& pic = Picture(format).view;
    ImageView& screen = Screen(format).view;
    std::vector<Face> faces;
    switch (scene) {
    case Scene::kFlat: faces.push_back({WarpSource{&pic, 0, 0, kWidth, kHeight, 1.0f}, Turned(0)}); break;
    case Scene::kTurned: faces.push_back({WarpSource{&pic, 0, 0, kWidth, kHeight, 1.0f}, Turned(30 * kPi / 180)}); break;
    case Scene::kStrips: faces = Grid(pic, 60, 1); break;
    case Scene::kCells: faces = Grid(pic, 29, 29); break;
    case Scene::kBoard: faces = Board(pic); break;
    }
    const bool whole = scene == Scene::kFlat || scene == Scene::kTurned;
    for (auto _ : state) {
        for (const Face& f : faces) {
            if (whole)
                WarpQuad(pic, screen, f.quad, kDrawDefault);
            else
                WarpQuad(f.src, screen, f.quad, kDrawDefault);
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(LevelName(level));
    warp::UseSpanLevel(warp::SpanLevel::kScalar);
}

void Memcpy(benchmark::State& state, uint32_t format) {
    ImageView& a = Picture(format).view;
    ImageView& b = Screen(format).view;
    const size_t bytes = size_t(kWidth) * a.pixelSize;
    for (auto _ : state) {
        for (uint32_t y = 0; y < kHeight; ++y) std::memcpy(b.Row(y), a.Row(y), bytes);
        benchmark::ClobberMemory();
    }
}

void Glow(benchmark::State& state, uint32_t format, bool simd) {
    glow::UseGlowKernels(simd);
    ImageView& pic = Screen(format).view;
    for (auto _ : state) {
        if (!ApplyGlow(pic, 216, 0.5f, 0xFFFFFF, nullptr)) state.SkipWithError("glow did not run");
        benchmark::ClobberMemory();
    }
    state.SetLabel(simd ? "simd" : "scalar");
    glow::UseGlowKernels(false);
}

// The look as whole-picture renders run it: glow and metal into a copy.
void Look(benchmark::State& state, uint32_t format) {
    glow::UseGlowKernels(true);
    ImageView& pic = Picture(format).view;
    ImageView& screen = Screen(format).view;
    for (auto _ : state) {
        if (!ApplyLook(pic, screen, 216, 1.0f, 0.51f, 0xFFFFFF, nullptr)) state.SkipWithError("look did not run");
        benchmark::ClobberMemory();
    }
    glow::UseGlowKernels(false);
}

// Cropping directly, whatever the user setting says.
void Crop(benchmark::State& state, uint32_t format) {
    FrameDesc d;
    Picture(format).view.Describe(&d);
    for (auto _ : state) {
        CSmartCrop crop(nullptr, &d, &d, 0.5, false, false);
        crop.CropPictures(nullptr, 0.5, true, false);
        benchmark::DoNotOptimize(crop.PictureA().data);
    }
}

#ifdef SVT_HAVE_OPENCV
void OpenCvTurned(benchmark::State& state, uint32_t format) {
    cv::setNumThreads(1);
    ImageView& pic = Picture(format).view;
    ImageView& screen = Screen(format).view;
    const int type = format == kFormatBGRAF ? CV_32FC4 : CV_8UC4;
    cv::Mat src(int(kHeight), int(kWidth), type, pic.data, size_t(pic.stride));
    cv::Mat dst(int(kHeight), int(kWidth), type, screen.data, size_t(screen.stride));
    const QuadCorners q = Turned(30 * kPi / 180);
    const cv::Point2f from[4] = {{0, 0}, {kWidth - 1, 0}, {kWidth - 1, kHeight - 1}, {0, kHeight - 1}};
    cv::Point2f to[4];
    for (int k = 0; k < 4; ++k) to[k] = cv::Point2f(float(q.x[k]), float(q.y[k]));
    const cv::Mat m = cv::getPerspectiveTransform(from, to);
    for (auto _ : state) {
        cv::warpPerspective(src, dst, m, dst.size(), cv::INTER_LINEAR, cv::BORDER_TRANSPARENT);
        benchmark::ClobberMemory();
    }
}
#endif

void Register() {
    struct Named {
        const char* name;
        Scene scene;
    };
    const Named scenes[] = {{"a_flat", Scene::kFlat},
                            {"b_turned30", Scene::kTurned},
                            {"c_strips60", Scene::kStrips},
                            {"d_cells29x29", Scene::kCells},
                            {"e_board3x3", Scene::kBoard}};
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        const std::string f = format == kFormatBGRAF ? "fmt3" : "fmt0";
        benchmark::RegisterBenchmark(("memcpy_frame/" + f).c_str(), Memcpy, format)->Unit(benchmark::kMillisecond);
        for (const Named& s : scenes)
            for (warp::SpanLevel level : {warp::SpanLevel::kScalar, warp::SpanLevel::kSse2, warp::SpanLevel::kAvx2})
                benchmark::RegisterBenchmark(("warp_" + std::string(s.name) + "/" + f + "/" + LevelName(level)).c_str(),
                                             WarpScene, s.scene, format, level)
                    ->Unit(benchmark::kMillisecond);
#ifdef SVT_HAVE_OPENCV
        benchmark::RegisterBenchmark(("opencv_b_turned30/" + f).c_str(), OpenCvTurned, format)
            ->Unit(benchmark::kMillisecond);
#endif
        for (bool simd : {false, true})
            benchmark::RegisterBenchmark(("glow_r216/" + f + (simd ? "/simd" : "/scalar")).c_str(), Glow, format, simd)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("crop/" + f).c_str(), Crop, format)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("look_r216/" + f).c_str(), Look, format)->Unit(benchmark::kMillisecond);
    }
}

} // namespace
} // namespace svt

int main(int argc, char** argv) {
#ifndef SVT_HAVE_OPENCV
    std::printf("OpenCV is absent: no cv::warpPerspective figure for comparison.\n");
#endif
    // The kernels the module picks when it is loaded: the crop resamples
    // through them.
    svt::SelectImageKernels();
    svt::Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
