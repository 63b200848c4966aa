// What every transition owes a host, checked through the loaded module:
// exact pictures outside the scene, determinism, no write outside the output
// frame, no host memory or reference kept, and no crash on bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "module/effect_registry.h"
#include "tests/transitions/probe.h"

namespace svt {
namespace {

using test::MakeRenderer;
using test::PictureA;
using test::PictureB;
using host::EffectRenderer;
using host::FrameLayout;
using host::HostFrame;
using host::RenderCheck;

constexpr uint32_t kFormats[] = {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF};

// Padding inside each row and guards around the frame; the row order and the
// sign of the stride vary with the format so every combination is met.
FrameLayout GuardedLayout(uint32_t format) {
    FrameLayout l;
    l.rowPadding = 20;
    l.guard = 64;
    l.topDown = format == kFormatBGRA8 || format == kFormatBGRAF;
    l.negativeStride = format == kFormatARGB8 || format == kFormatBGRAF;
    return l;
}

class Contract : public ::testing::TestWithParam<uint32_t> {
protected:
    std::unique_ptr<EffectRenderer> Renderer(int w, int h, uint32_t format = kFormatBGRA8) {
        auto r = MakeRenderer(GetParam());
        EXPECT_TRUE(r && r->SetPictures(PictureA(w, h), PictureB(w, h), format, GuardedLayout(format)))
            << "transition " << GetParam() << " could not be loaded, or no memory for frames";
        return r && r->output().width() == w ? std::move(r) : nullptr;
    }
};

TEST_P(Contract, ExactPicturesOutsideTheSceneGuardsIntactAndNothingKeptInside) {
    // Every preset and the defaults, every format, with "Reverse" off and on:
    // exactly A or B outside the scene, and inside it no stray write and
    // nothing kept.
    for (uint32_t format : kFormats) {
        auto r = Renderer(96, 54, format);
        ASSERT_TRUE(r);
        int reverse = r->info().FindParam("Reverse");
        if (reverse >= 0 && r->info().params[size_t(reverse)].type != kParamCheck) reverse = -1;
        for (int preset = -1; preset < int(r->info().presets.size()); ++preset)
            for (int rev = 0; rev < (reverse >= 0 ? 2 : 1); ++rev) {
                r->context().ResetToDefaults();
                r->ApplyPreset(preset);
                if (reverse >= 0) r->context().SetValue(uint32_t(reverse), ParamValue::Check(rev == 1));
                for (double t : {-0.5, 0.0, 0.001, 0.25, 0.5, 0.77, 0.999, 1.0, 1.75}) {
                    const RenderCheck c = r->Render(t);
                    SCOPED_TRACE(::testing::Message() << r->info().name << " format " << format << " preset "
                                                      << preset << " reverse " << rev << " t " << t);
                    ASSERT_TRUE(c.rendered);
                    if (t <= 0 || t >= 1) {
                        EXPECT_TRUE(r->output().SamePixels(t <= 0 ? r->frameA() : r->frameB()));
                    }
                    EXPECT_TRUE(r->output().GuardsIntact());
                    EXPECT_TRUE(c.clean()) << c.Problems();
                }
            }
    }
}

TEST_P(Contract, TheSameInputGivesTheSameOutput) {
    for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
        auto r1 = Renderer(96, 54, format), r2 = Renderer(96, 54, format);
        ASSERT_TRUE(r1 && r2);
        for (double t : {0.37, 0.81, 0.37}) {
            r1->Render(t);
            r2->Render(0.9); // a different frame first: nothing may carry over
            r2->Render(t);
            EXPECT_TRUE(r1->output().SamePixels(r2->output())) << "t " << t << " format " << format;
        }
    }
}

TEST_P(Contract, WithoutHostMemoryItStillRendersAndCleansUp) {
    auto r = Renderer(96, 54);
    ASSERT_TRUE(r);
    // Every allocation refused from the n-th on, for a range of n: whatever
    // gives out, the render must end with nothing held and nothing stray.
    for (long n = 0; n < 6; ++n) {
        r->context().allocator().FailAfter(n);
        const RenderCheck c = r->Render(0.4);
        EXPECT_TRUE(r->output().GuardsIntact()) << n;
        EXPECT_TRUE(c.clean()) << n << ": " << c.Problems();
    }
    r->context().allocator().FailAfter(-1);
    // A host that offers no allocator: the module uses its own heap.
    r->context().OfferAllocator(false);
    const size_t before = r->context().allocator().allocations();
    const RenderCheck c = r->Render(0.4);
    EXPECT_TRUE(c.rendered);
    EXPECT_EQ(r->context().allocator().allocations(), before);
    EXPECT_TRUE(c.clean()) << c.Problems();
}

TEST_P(Contract, BadInputIsRefusedOrSurvived) {
    auto r = Renderer(48, 27);
    ASSERT_TRUE(r);
    IVideoEffect* fx = r->effect();
    HostFrame& out = r->output();
    out.FillBytes(0x5A);
    const HostFrame before = out;
    TimingRecord timing{0, 0.5};
    // Missing frames or timing: nothing rendered, the host's output kept.
    EXPECT_FALSE(fx->Render(&r->context(), nullptr, r->frameB().desc(), out.desc(), &timing));
    EXPECT_FALSE(fx->Render(&r->context(), r->frameA().desc(), nullptr, out.desc(), &timing));
    EXPECT_FALSE(fx->Render(&r->context(), r->frameA().desc(), r->frameB().desc(), nullptr, &timing));
    EXPECT_FALSE(fx->Render(&r->context(), r->frameA().desc(), r->frameB().desc(), out.desc(), nullptr));
    EXPECT_TRUE(out.SamePixels(before));
    // No context: the defaults are used.
    EXPECT_TRUE(fx->Render(nullptr, r->frameA().desc(), r->frameB().desc(), out.desc(), &timing));
    // Progress values that are not numbers or are huge.
    for (double t : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), 1e300, -1e-300}) {
        timing.progress = t;
        fx->Render(&r->context(), r->frameA().desc(), r->frameB().desc(), out.desc(), &timing);
        EXPECT_TRUE(out.GuardsIntact()) << t;
    }
    // Parameter values no panel would produce: NaN then ones, 1e9 as a float.
    timing.progress = 0.5;
    for (auto [w0, w1] : {std::pair{0x7FC00000u, 0xFFFFFFFFu}, std::pair{0x4E6E6B28u, 1000u}}) {
        for (size_t i = 0; i < r->info().params.size(); ++i)
            r->context().SetValue(uint32_t(i), ParamValue::FromWords(w0, w1));
        fx->Render(&r->context(), r->frameA().desc(), r->frameB().desc(), out.desc(), &timing);
        EXPECT_TRUE(out.GuardsIntact()) << std::hex << w0;
    }
    // An output smaller than the pictures, and one larger.
    for (auto [w, h] : {std::pair{20, 11}, std::pair{70, 40}}) {
        HostFrame other;
        ASSERT_TRUE(other.Allocate(w, h, kFormatBGRA8, GuardedLayout(kFormatBGRA8)));
        r->context().ResetToDefaults();
        EXPECT_TRUE(fx->Render(&r->context(), r->frameA().desc(), r->frameB().desc(), other.desc(), &timing));
        EXPECT_TRUE(other.GuardsIntact()) << w << "x" << h;
    }
    EXPECT_EQ(r->context().allocator().live(), 0u);
}

std::string IndexName(const ::testing::TestParamInfo<uint32_t>& info) {
    static const char* kNames[kEffectCount] = {"BoxFold",    "CheckerBoard",  "Comb",       "Flip",  "FlyAway",
                                               "LouverGrid", "Louvers",       "MagicCarpet", "PageTurn",
                                               "PizzaBoxes", "RotatingFrames", "SpiralBounce", "Twist"};
    return info.param < kEffectCount ? kNames[info.param] : std::to_string(info.param);
}

INSTANTIATE_TEST_SUITE_P(EveryTransition, Contract, ::testing::Range(0u, kEffectCount), IndexName);

} // namespace
} // namespace svt
