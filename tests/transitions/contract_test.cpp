// What every transition owes a host, checked through the loaded module:
// exact pictures outside the scene, determinism, no write outside the output
// frame, no host memory or reference kept, and no crash on bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "host/effect_info.h"
#include "module/effect_registry.h"
#include "tests/transitions/probe.h"

namespace svt {
namespace {

using test::NewRenderer;
using test::PictureA;
using test::PictureB;
using host::EffectRenderer;
using host::FrameLayout;
using host::HostFrame;
using host::RenderCheck;

constexpr uint32_t kFormats[] = {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF};
constexpr double kInf = std::numeric_limits<double>::infinity();

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
        auto r = NewRenderer(GetParam());
        EXPECT_TRUE(r && r->SetPictures(PictureA(w, h), PictureB(w, h), format, GuardedLayout(format)))
            << "transition " << GetParam() << " could not be loaded, or no memory for frames";
        return r && r->output().width() == w ? std::move(r) : nullptr;
    }
};

TEST_P(Contract, ExactPicturesOutsideTheSceneGuardsIntactAndNothingKeptInside) {
    // Every preset and the defaults, every format, with "Reverse" off and on:
    // exactly A or B outside the scene (progress that is huge, tiny or not a
    // number included), and inside it no stray write and nothing kept.
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
                for (double t : {-kInf, -0.5, -1e-300, 0.0, 0.001, 0.25, 0.5, 0.77, 0.999, 1.0, 1.75, 1e300, kInf,
                                 std::nan("")}) {
                    const RenderCheck c = r->Render(t);
                    SCOPED_TRACE(::testing::Message() << r->info().name << " format " << format << " preset "
                                                      << preset << " reverse " << rev << " t " << t);
                    ASSERT_TRUE(c.rendered);
                    if (!(t > 0 && t < 1)) { // a progress that is not a number shows the first picture
                        EXPECT_TRUE(r->output().SamePixels(t >= 1 ? r->frameB() : r->frameA()));
                    }
                    EXPECT_TRUE(r->output().GuardsIntact());
                    EXPECT_TRUE(c.clean()) << c.Problems();
                }
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
    // Parameter values no panel would produce: NaN then ones, 1e9 as a float.
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

// Every preset and the defaults, both row orders: near the ends the pictures
// themselves, and "Reverse" running the same scene backward with the
// pictures exchanged: at t exactly what the forward run from B to A draws at
// 1 - t (t dyadic, so that 1 - t is exact).
TEST_P(Contract, NearTheEndsThePicturesAndReverseMirrorsTheMotion) {
    using test::QuartersA, test::QuartersB, test::Rows, test::kW, test::kH;
    for (bool topDown : {true, false}) {
        test::TransitionProbe r(GetParam()), backward(GetParam());
        const bool reverses = r.renderer().info().FindParam("Reverse") >= 0;
        const bool background = r.renderer().info().FindParam("Background") >= 0; // else B is always behind
        for (int preset = -1; preset < int(r.renderer().info().presets.size()); ++preset) {
            const std::string what = "preset " + std::to_string(preset) + (topDown ? " top-down" : " bottom-up");
            for (test::TransitionProbe* p : {&r, &backward}) {
                p->renderer().context().ResetToDefaults();
                p->renderer().ApplyPreset(preset);
            }
            r.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
            ExpectEndsShowTheirPictures(r, QuartersA(kW, kH), QuartersB(kW, kH), what);
            if (!reverses) continue;
            r.Set("Reverse", "on");
            ExpectEndsShowTheirPictures(r, QuartersA(kW, kH), QuartersB(kW, kH), what + " reversed");
            backward.Set("Reverse", "off");
            for (test::TransitionProbe* p : {&r, &backward})
                if (background) p->Set("Background", "Transparent");
            r.Pictures(QuartersB(kW, kH), QuartersA(kW, kH), Rows(topDown));
            backward.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
            for (double t : {0.125, 0.375, 0.5, 0.8125})
                EXPECT_TRUE(r.Render(t) == backward.Render(1 - t)) << what << " t " << t;
        }
    }
}

// The description tables, read as a host reads them through IVideoEffect
// and IParamToolTip, beyond the records' layout and bounds (which the C host
// test checks): defaults and every stored preset cell are valid values of
// their parameter (or the one stray word a few presets carry: no host could
// have set it; the transitions tolerate it), unused bytes are zeroed, preset
// names unique.
bool AllBytes(const void* p, size_t n, uint8_t b) {
    const auto* c = static_cast<const uint8_t*>(p);
    return std::all_of(c, c + n, [b](uint8_t v) { return v == b; });
}

bool In01(float v) { return v >= 0.0f && v <= 1.0f; }

bool Valid(const ParamInfo& info, const ParamValue& v) {
    switch (info.type) {
    case kParamChoice: return v.AsChoice() < info.choice.count && v.Word(1) == 0;
    case kParamSlider: return In01(v.AsSlider()) && v.Word(1) == 0;
    case kParamCheck: return v.bytes[0] <= 1 && AllBytes(v.bytes + 1, 7, 0);
    case kParamPoint: return In01(v.X()) && In01(v.Y());
    }
    return false;
}

TEST_P(Contract, DefaultsAndPresetCellsAreValidAndUnusedBytesZeroed) {
    host::ComPtr<IVideoEffect> fx = test::SharedModule().CreateEffect(GetParam());
    ASSERT_TRUE(fx);
    const host::EffectInfo read = host::EffectInfo::Read(fx.get(), GetParam());
    ASSERT_GT(read.presets.size(), 0u);
    for (uint32_t i = 0; i < read.params.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "parameter " << i);
        ParamInfo p;
        std::memset(&p, 0xAB, sizeof p); // a byte the record leaves unwritten shows
        ASSERT_TRUE(fx->GetParamInfo(i, &p));
        const auto* raw = reinterpret_cast<const uint8_t*>(&p);
        EXPECT_FALSE(read.tooltips[i].empty());
        EXPECT_TRUE(Valid(p, p.defaultValue)) << "default";
        if (p.type == kParamChoice) {
            EXPECT_GE(p.choice.count, 2u);
            for (uint32_t e = p.choice.count; e < kMaxChoiceEntries; ++e)
                EXPECT_TRUE(AllBytes(raw + 16 + kChoiceEntryBytes * e, kChoiceEntryBytes, 0)) << "entry " << e;
        } else if (p.type == kParamSlider) {
            // Scales that count things start at 1 or 2, are stepped and end
            // on a whole number; all others start at 0 or -100.
            const bool counts = p.slider.minimum >= 1.0f;
            EXPECT_EQ(p.slider.continuous, counts ? 0u : 1u) << p.name;
            EXPECT_TRUE(!counts || p.slider.maximum == std::floor(p.slider.maximum)) << p.name;
        } else {
            EXPECT_TRUE(AllBytes(raw + 12, 216 - 12, 0));
        }
    }
    // Every preset value was answered: the C host test asks for them all.
    std::set<std::string> names;
    for (const host::PresetInfo& preset : read.presets) {
        EXPECT_TRUE(!preset.name.empty() && names.insert(preset.name).second) << "empty or duplicate " << preset.name;
        for (size_t i = 0; i < preset.values.size(); ++i)
            EXPECT_TRUE(Valid(read.params[i], preset.values[i]) || preset.values[i].Word(0) == 0xCCCCCCCCu)
                << preset.name << " / parameter " << i;
    }
}

// The transition's name without its "3D " and blanks ("BoxFold").
std::string IndexName(const ::testing::TestParamInfo<uint32_t>& info) {
    host::ComPtr<IVideoEffect> fx = test::SharedModule().CreateEffect(info.param);
    std::string name = fx ? fx->GetEffectName() + 3 : std::to_string(info.param);
    std::erase(name, ' ');
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryTransition, Contract, ::testing::Range(0u, kEffectCount), IndexName);

} // namespace
} // namespace svt
