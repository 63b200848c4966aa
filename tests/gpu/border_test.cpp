// The GPU border analysis on the real EGL host: the 1 x 1 results of
// pictures with dark bars, read back and turned into the content rectangle
// the crop program uses, must be the rectangle the CPU cropper detects.
#include <gtest/gtest.h>

#include <cmath>

#include "frames/image_view.h"
#include "gpu/gpu_effect_adapter.h"
#include "host/gl_host.h"
#include "host/picture.h"
#include "library/settings.h"
#include "softrender/smart_crop.h"

namespace svt {
namespace {

// A GPU effect that only runs the border analysis and keeps what it found.
class BorderProbe final : public GPUEffectAdapter {
public:
    explicit BorderProbe(host::GLHost& host) : gl_(host) {}

    Result QueryInterface(const GUID*, void**) override { return kNoInterface; }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    const char* GetEffectName() override { return "border probe"; }
    uint32_t GetEffectFlags() override { return 0; }
    Bool8 GetParamInfo(uint32_t, ParamInfo*) override { return 0; }
    Bool8 Render(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, const TimingRecord*) override { return 0; }
    const char* GetPresetName(uint32_t) override { return nullptr; }
    Bool8 GetPresetValue(uint32_t, uint32_t, ParamValue*) override { return 0; }
    void DeleteSelf(uint32_t) override {}
    Bool8 RenderFrame(IEffectContext*, FrameDesc*, FrameDesc*, FrameDesc*, double, MemoryAllocator*) override {
        return 0;
    }

    Bool8 RenderEffectGPU(IEffectContext* context, GPUFrame* from, GPUFrame* to, GPUFrame*,
                          const TimingRecord* timing) override {
        SceneStateSetup();
        CameraSetup();
        AnalyzeBorders(context, float(timing->progress), from, to);
        valid = borderAnalysisValid_ != 0;
        for (int k = 0; k < 2; ++k) {
            power[k] = cropPower_[k];
            measured[k] = borderResult_[k].texture != nullptr;
            if (!measured[k]) continue;
            FrameDesc out{result[k], 1, 1, 16, 16, 0, kFormatBGRAF, 1, {}};
            measured[k] = gl_.Download(borderResult_[k], out);
        }
        ReleaseBorderResults();
        return 1;
    }

    bool valid = false, measured[2] = {};
    float power[2] = {}, result[2][4] = {}; // blue, green, red, alpha
private:
    host::GLHost& gl_;
};

// The content rectangle the crop program derives from a result.
CropRect RectangleOf(const float bgra[4], int w, int h) {
    auto lines = [](float share, int size) { return std::max(0, int(std::floor(share * size + 0.5f)) - 1); };
    return CropRect{lines(bgra[2], w), lines(1 - bgra[3], h), w - 1 - lines(1 - bgra[0], w),
                    h - 1 - lines(bgra[1], h)};
}

// Content (every pixel bright, textured) inside dark bars.
struct Bars {
    int left, top, right, bottom; // bar widths in picture rows and columns
    uint8_t dark = 0;             // the bars' grey
    uint8_t content = 0;          // 0: textured content; else a flat grey
};

host::Picture Barred(int w, int h, const Bars& b) {
    host::Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool bar = x < b.left || y < b.top || x >= w - b.right || y >= h - b.bottom;
            const uint8_t v = uint8_t(100 + (x * 7 + y * 13) % 128);
            p.at(x, y) = bar ? host::Rgba{b.dark, b.dark, b.dark, 255}
                         : b.content ? host::Rgba{b.content, b.content, b.content, 255}
                                     : host::Rgba{v, uint8_t(255 - v), uint8_t(v / 2 + 60), 200};
        }
    return p;
}

class GPUBorders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(context.Create()) << context.error();
        host = std::make_unique<host::GLHost>(context);
        probe = std::make_unique<BorderProbe>(*host);
        LibrarySettings::Instance().SetCropOverscan(1);
    }
    void TearDown() override {
        LibrarySettings::Instance().SetCropOverscan(0);
        if (host) {
            EXPECT_EQ(host->liveObjects(), 0) << "a render target or program outlived the frame";
        }
        probe.reset();
        host.reset();
    }
    // The analysis of two frames at eased progress e.
    void Analyze(const FrameDesc& a, const FrameDesc& b, double e) {
        GPUFrame from{}, to{}, out{};
        ASSERT_TRUE(host->Upload(a, &from));
        ASSERT_TRUE(host->Upload(b, &to));
        host::GPUEffectContext gpuContext(*host, nullptr);
        TimingRecord timing{0, e};
        EXPECT_TRUE(probe->RenderGPU(nullptr, &gpuContext, &host->device(), &from, &to, &out, &timing));
        host->ReleaseRenderTarget(&from);
        host->ReleaseRenderTarget(&to);
    }

    host::GLContext context;
    std::unique_ptr<host::GLHost> host;
    std::unique_ptr<BorderProbe> probe;
};

TEST_F(GPUBorders, ResultsGiveTheRectangleTheCpuDetects) {
    struct Case {
        const char* what;
        int w, h;
        Bars bars;
        int toW, toH;
        Bars toBars;
        uint32_t format;
        bool topDown;
    };
    const Case cases[] = {
        {"letterbox", 192, 108, {0, 3, 0, 2}, 192, 108, {5, 0, 4, 0}, 0, false},
        {"letterbox, swapped channels", 192, 108, {0, 3, 0, 2}, 192, 108, {5, 0, 4, 0}, 1, true},
        {"letterbox, floats", 192, 108, {0, 2, 0, 4}, 192, 108, {1, 1, 1, 1}, 3, false},
        {"pillarbox, swapped floats", 192, 108, {6, 0, 3, 0}, 192, 108, {0, 2, 0, 2}, 4, true},
        {"bars wider than the examined strips", 192, 108, {30, 20, 0, 1}, 192, 108, {0, 0, 40, 30}, 0, true},
        {"grey bars just dark, content just bright", 192, 108, {4, 4, 4, 4, 74, 75}, 192, 108, {2, 2, 2, 2, 74, 75},
         0, false},
        {"grey bars just bright", 192, 108, {4, 4, 4, 4, 75, 75}, 192, 108, {0, 0, 0, 0}, 0, false},
        {"\"to\" smaller than \"from\"", 192, 108, {0, 3, 0, 3}, 120, 68, {2, 0, 2, 0}, 0, true},
        {"one-pixel profiles (narrow frames)", 30, 30, {3, 3, 3, 3}, 30, 30, {0, 0, 0, 0}, 0, true},
        {"two-pixel profiles", 50, 44, {1, 1, 1, 1}, 50, 44, {1, 0, 0, 1}, 0, false},
        {"720p, bars within and beyond the strips", 1280, 720, {0, 30, 0, 30}, 1280, 720, {0, 90, 0, 90}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host::HostFrame a, b;
        host::FrameLayout layout;
        layout.topDown = c.topDown;
        ASSERT_TRUE(a.Allocate(Barred(c.w, c.h, c.bars), c.format, layout));
        ASSERT_TRUE(b.Allocate(Barred(c.toW, c.toH, c.toBars), c.format, layout));
        Analyze(a.frame(), b.frame(), 0.5);
        ASSERT_TRUE(probe->valid);
        const FrameDesc* frames[2] = {&a.frame(), &b.frame()};
        for (int k = 0; k < 2; ++k) {
            ASSERT_TRUE(probe->measured[k]) << "source " << k;
            ImageView view;
            ASSERT_TRUE(view.BindFrame(frames[k]));
            const CropRect gpu = RectangleOf(probe->result[k], frames[k]->width, frames[k]->height);
            const CropRect cpu = DetectBorder(view);
            EXPECT_EQ(gpu, cpu) << "source " << k << ": GPU " << gpu.left << "," << gpu.top << "," << gpu.right
                                << "," << gpu.bottom << " CPU " << cpu.left << "," << cpu.top << "," << cpu.right
                                << "," << cpu.bottom;
        }
    }
}

TEST_F(GPUBorders, CropPowersRampOverTheFirstAndLastTenth) {
    host::HostFrame a;
    ASSERT_TRUE(a.Allocate(Barred(64, 48, {0, 2, 0, 2}), 0));
    const double eased[] = {0, 0.05, 0.5, 0.95, 1};
    const float expected[][2] = {{0, 1}, {0.5f, 1}, {1, 1}, {1, 0.5f}, {1, 0}};
    for (int i = 0; i < 5; ++i) {
        Analyze(a.frame(), a.frame(), eased[i]);
        EXPECT_NEAR(probe->power[0], expected[i][0], 1e-6) << "e = " << eased[i];
        EXPECT_NEAR(probe->power[1], expected[i][1], 1e-6) << "e = " << eased[i];
    }
}

} // namespace
} // namespace svt
