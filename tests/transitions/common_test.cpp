// What all transitions share: easing, parameter reading, and the render
// skeleton driven through a probe transition.
#include "transitions/common.h"

#include <new>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "host/builtin_pictures.h"
#include "host/effect_info.h"
#include "host/renderer.h"
#include "transitions/base_effect.h"

namespace svt {
namespace {

TEST(EaseProgress, HandComputedPointsAndFlipsCurve) {
    // {t, e, s, eased}: e = 2, s = 0.4 at t = 0.2 is u = 0.5, 0.5²·0.4·0.5 +
    // 0.5·0.2 = 0.15; at 0.8 (√0.5·0.4 + 0.6)·0.5 + 0.5·0.8; the middle
    // stretch is linear.
    const double cases[][4] = {{0.2, 2.0, 0.4, 0.15}, {0.8, 2.0, 0.4, 0.841421356237309505}, {0.5, 2.0, 0.4, 0.5}};
    for (const auto& c : cases) EXPECT_NEAR(EaseProgress(c[0], c[1], c[2]), c[3], 1e-15) << c[0];
    // Flip's exponent grows with t from 2.5 to 3.5 over a share of 0.45:
    // slow at both ends, never turning back.
    double last = 0.0;
    for (int i = 1; i <= 1000; ++i) {
        const double t = i / 1000.0, u = EaseProgress(t, 2.5 + t, 0.45);
        EXPECT_GE(u, last) << t;
        last = u;
    }
    EXPECT_LT(EaseProgress(0.1, 2.6, 0.45), 0.05);
    EXPECT_GT(EaseProgress(0.9, 3.4, 0.45), 0.95);
}

constexpr ParamSpec kProbeParams[] = {
    Slider("Speed", 0.25f, 0, 100, {0, 0, 48, 30}, ""),
    CountSlider("Slices", 0.5f, 1, 30, {66, 0, 48, 30}, ""),
    Check("Reverse", false, {0, 100, 114, 10}, ""),
    Choice("Background", 2, kBackgroundEntries, {132, 90, 114, 20}, ""),
    Point("Tilt", 0.25f, 0.75f, {132, 0, 180, 30}, ""),
};
constexpr const char* kProbePresetNames[] = {"Only"};
constexpr ParamValue kProbePresets[] = {S(0), S(0), Off(), C(0), P(0, 0)};
const EffectDescription kProbeDescription{"Probe", 966, kProbeParams, kProbePresetNames, kProbePresets};

TEST(ParamReader, DefaultsWhenRefusedAndCountsTruncateOnTheirScale) {
    const ParamReader none(nullptr, kProbeDescription);
    EXPECT_EQ(none.Slider(0), 0.25f);
    EXPECT_EQ(none.Choice(3), 2u);
    EXPECT_EQ(none.Point(4).y, 0.75f);
    EXPECT_EQ(none.Slider(9), 0.0f); // no such parameter
    host::HostContext refusing(host::EffectInfo{}.params); // knows no parameter
    EXPECT_EQ(ParamReader(&refusing, kProbeDescription).Count(1), 15); // 0.5·29 + 1 = 15.5

    std::vector<ParamInfo> infos(std::size(kProbeParams));
    for (size_t i = 0; i < infos.size(); ++i) FillParamInfo(kProbeParams[i], &infos[i]);
    host::HostContext ctx(infos);
    const ParamReader p(&ctx, kProbeDescription);
    const std::pair<float, int> cases[] = {
        {0.0f, 1}, {1.0f, 30}, {11.0f / 29, 11}, // float(11/29)·29 + 1 lies just below 12
        {-3.0f, 1}, {7.0f, 30}, {NAN, 1},        // no panel sends these
    };
    for (auto [v, count] : cases) {
        ctx.SetValue(1, ParamValue::Slider(v));
        EXPECT_EQ(p.Count(1), count) << v;
    }
    EXPECT_EQ(ctx.typeMismatches(), 0u);
}

// A transition whose scene is the shared frame (reverse and background from
// its parameters) plus whatever a test adds.
class Probe final : public BaseEffect {
public:
    Probe() : BaseEffect(kProbeDescription) {}
    std::function<void(Scene&)> adjust;

    Scene BuildScene(IEffectContext* context, double t, const FrameGeometry& frames,
                     MemoryAllocator*) const override {
        const ParamReader p(context, description());
        SceneSetup s;
        s.reverse = p.Check(2);
        s.background = p.Choice(3);
        Scene scene = BeginScene(s, t, frames);
        if (adjust && scene.drawing()) adjust(scene);
        return scene;
    }
};

// A face covering the frame exactly, lit head on at full ambient: the output
// shows its source pixel for pixel.
void ShowWhole(Scene& scene, PictureSource source) {
    scene.ambient = 1.0;
    scene.faces.push_back(QuadFace({-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, source, kSourceNone));
}

class Skeleton : public ::testing::Test {
protected:
    void SetUp() override {
        probe_ = new Probe();
        r_ = std::make_unique<host::EffectRenderer>(host::ComPtr<IVideoEffect>::Adopt(probe_->AsVideoEffect()), 0);
        ASSERT_TRUE(r_->SetPictures(host::BuiltinPictureA(32, 18), host::BuiltinPictureB(32, 18), kFormatBGRA8));
    }
    // Renders into the output frame filled with `fill` (the host's own Render
    // clears it first).
    bool RenderOver(uint8_t fill, double t) {
        r_->output().FillBytes(fill);
        const TimingRecord timing{0, t};
        return r_->effect()->Render(&r_->context(), r_->frameA().desc(), r_->frameB().desc(), r_->output().desc(),
                                    &timing);
    }
    bool OutputIs(const host::Rgba& c) {
        const host::Picture out = r_->output().Load();
        return std::all_of(out.pixels().begin(), out.pixels().end(), [&](const host::Rgba& p) { return p == c; });
    }
    Probe* probe_ = nullptr;
    std::unique_ptr<host::EffectRenderer> r_;
};

TEST_F(Skeleton, BackgroundComesFromTheHostsFramesWhateverTheExchange) {
    for (const char* reverse : {"off", "on"}) {
        r_->Set("Reverse", reverse);
        r_->Set("Background", "First Picture");
        RenderOver(0x77, 0.5);
        EXPECT_TRUE(r_->output().SamePixels(r_->frameA())) << reverse;
        r_->Set("Background", "Second Picture");
        RenderOver(0x77, 0.5);
        EXPECT_TRUE(r_->output().SamePixels(r_->frameB())) << reverse;
    }
    r_->Set("Background", "Transparent");
    RenderOver(0x77, 0.5);
    EXPECT_TRUE(OutputIs({0, 0, 0, 0}));
    // An unlisted background leaves the output alone.
    r_->context().SetValue(3, ParamValue::Choice(7));
    EXPECT_TRUE(RenderOver(0x77, 0.5));
    EXPECT_TRUE(OutputIs({0x77, 0x77, 0x77, 0x77}));
}

TEST_F(Skeleton, TheLookWorksOnCopiesOrFacePartsAndLeavesNothingBehind) {
    for (int perFace = 0; perFace < 2; ++perFace) {
        probe_->adjust = [&](Scene& scene) {
            ShowWhole(scene, kSourceFirst);
            if (perFace)
                LookOnFaces(scene, GlowLookAt(scene.t, 1.0, 0.5, scene.firstHeight));
            else
                LookOnPictures(scene, scene.t, 1.0, 0.5, true);
        };
        const host::RenderCheck c = r_->Render(0.5);
        EXPECT_TRUE(c.rendered && c.clean()) << c.Problems();
        EXPECT_FALSE(r_->output().SamePixels(r_->frameA())) << "the look shows, " << perFace;
        // A second render in the same state draws the same picture: nothing
        // of the first one's look stayed on the renderer.
        const host::Picture first = r_->output().Load();
        r_->Render(0.5);
        EXPECT_EQ(r_->output().Load(), first);
    }
}

TEST_F(Skeleton, AnExceptionNeverLeavesTheRenderSlots) {
    probe_->adjust = [](Scene&) { throw std::bad_alloc(); };
    EXPECT_FALSE(RenderOver(0x55, 0.5));
    EXPECT_TRUE(OutputIs({0x55, 0x55, 0x55, 0x55}));
    EXPECT_FALSE(probe_->RenderFrame(&r_->context(), r_->frameA().desc(), r_->frameB().desc(),
                                     r_->output().desc(), 0.5, nullptr));
}

} // namespace
} // namespace svt
