// The description tables of all thirteen transitions, read the way a host
// reads them: through IVideoEffect and IParamToolTip of registry objects.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "library/abi.h"
#include "module/effect_registry.h"

namespace svt {
namespace {

struct Counts {
    const char* name;
    uint32_t params;
    uint32_t presets;
};

// Registry order; these counts bound every description slot.
constexpr Counts kCounts[kEffectCount] = {
    {"3D Box Fold", 5, 8},         {"3D Checker Board", 7, 18},  {"3D Comb", 11, 19},
    {"3D Flip", 8, 8},             {"3D Fly Away", 6, 12},       {"3D Louver Grid", 9, 12},
    {"3D Louvers", 8, 11},         {"3D Magic Carpet", 4, 6},    {"3D Page Turn", 5, 14},
    {"3D Pizza Boxes", 11, 18},    {"3D Rotating Frames", 8, 11}, {"3D Spiral Bounce", 7, 10},
    {"3D Twist", 11, 16},
};

// Owns one reference to a registry object and reads its tables.
class Effect {
public:
    explicit Effect(uint32_t index) : fx_(CreateRegisteredEffect(index)) {
        if (fx_) fx_->QueryInterface(&IID_IParamToolTip, reinterpret_cast<void**>(&tips_));
    }
    ~Effect() {
        if (tips_) tips_->Release();
        if (fx_) fx_->Release();
    }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    IVideoEffect* operator->() const { return fx_; }
    IParamToolTip* tips() const { return tips_; }
    bool ok() const { return fx_ && tips_; }

    ParamInfo Info(uint32_t i) const {
        ParamInfo info;
        std::memset(&info, 0xAB, sizeof info);
        EXPECT_TRUE(fx_->GetParamInfo(i, &info)) << "parameter " << i;
        return info;
    }
    uint32_t Param(const std::string& name) const {
        ParamInfo info;
        for (uint32_t i = 0; fx_->GetParamInfo(i, &info); ++i)
            if (name == info.name) return i;
        ADD_FAILURE() << "no parameter " << name;
        return 0;
    }
    ParamValue Value(const std::string& preset, const std::string& param) const {
        uint32_t p = 0;
        while (fx_->GetPresetName(p) && preset != fx_->GetPresetName(p)) ++p;
        ParamValue v{};
        EXPECT_TRUE(fx_->GetPresetValue(p, Param(param), &v)) << preset;
        return v;
    }
    // The entry text a preset's choice (or, without a preset, the default) selects.
    std::string Entry(const std::string& param, const std::string& preset = "") const {
        const ParamInfo info = Info(Param(param));
        const ParamValue v = preset.empty() ? info.defaultValue : Value(preset, param);
        return v.AsChoice() < info.choice.count ? info.choice.entries[v.AsChoice()] : "?";
    }

private:
    IVideoEffect* fx_;
    IParamToolTip* tips_ = nullptr;
};

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

class TablesTest : public testing::TestWithParam<uint32_t> {};

TEST_P(TablesTest, CountsBoundEveryDescriptionSlot) {
    const Counts& want = kCounts[GetParam()];
    Effect fx(GetParam());
    ASSERT_TRUE(fx.ok());
    EXPECT_STREQ(fx->GetEffectName(), want.name);

    uint32_t n = 0;
    ParamInfo info;
    while (n < 64 && fx->GetParamInfo(n, &info)) ++n;
    EXPECT_EQ(n, want.params);
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_FALSE(fx->GetParamInfo(want.params, &info));
    EXPECT_TRUE(AllBytes(&info, sizeof info, 0)) << "record past the end is not zeroed";
    EXPECT_EQ(fx.tips()->GetToolTip(want.params), nullptr);
    EXPECT_EQ(fx.tips()->GetToolTip(0xFFFFFFFFu), nullptr);
    EXPECT_NE(fx->GetPresetName(want.presets - 1), nullptr);
    EXPECT_EQ(fx->GetPresetName(want.presets), nullptr);
    ParamValue v{};
    EXPECT_FALSE(fx->GetPresetValue(want.presets, 0, &v));
    EXPECT_FALSE(fx->GetPresetValue(0, want.params, &v));
    EXPECT_FALSE(fx->GetPresetValue(0, 0, nullptr));
}

// Every record is well formed, and every stored preset cell is a valid value
// of its parameter, except a few presets that carry a word no host could have
// set; the transitions tolerate those, and this list pins exactly which ones
// they are.
TEST_P(TablesTest, RecordsAreWellFormedAndPresetValuesValidExceptTheKnownStrayWords) {
    using Cell = std::tuple<std::string, std::string, std::string>;
    const std::set<Cell> stray = {
        {"3D Comb", "Closing Horizontal Combs", "Shine"}, {"3D Comb", "Closing Vertical Combs", "Shine"},
        {"3D Comb", "Opening Horizontal Combs", "Shine"}, {"3D Comb", "Opening Vertical Combs", "Shine"},
        {"3D Twist", "Left To Right", "Background"},      {"3D Twist", "Right To Left", "Background"},
    };
    const Counts& c = kCounts[GetParam()];
    Effect fx(GetParam());
    ASSERT_TRUE(fx.ok());
    for (uint32_t i = 0; i < c.params; ++i) {
        SCOPED_TRACE(testing::Message() << "parameter " << i);
        const ParamInfo info = fx.Info(i);
        const auto* raw = reinterpret_cast<const uint8_t*>(&info);
        EXPECT_EQ(info.present, 1);
        EXPECT_TRUE(AllBytes(info.padding, 3, 0));
        EXPECT_NE(std::memchr(info.name, 0, kParamNameBytes), nullptr);
        EXPECT_GT(std::strlen(info.name), 0u);
        EXPECT_TRUE(info.width > 0 && info.height > 0);
        const char* tip = fx.tips()->GetToolTip(i);
        EXPECT_TRUE(tip && *tip);
        EXPECT_TRUE(Valid(info, info.defaultValue)) << "default";
        if (info.type == kParamChoice) {
            EXPECT_GE(info.choice.count, 2u);
            EXPECT_LE(info.choice.count, uint32_t(kMaxChoiceEntries));
            // Entry strings at their offsets, the unused ones zeroed.
            for (uint32_t e = 0; e < kMaxChoiceEntries; ++e) {
                const uint8_t* entry = raw + 16 + kChoiceEntryBytes * e;
                if (e < info.choice.count) {
                    EXPECT_TRUE(entry[0] != 0 && std::memchr(entry, 0, kChoiceEntryBytes)) << "entry " << e;
                } else {
                    EXPECT_TRUE(AllBytes(entry, kChoiceEntryBytes, 0)) << "entry " << e;
                }
            }
        } else if (info.type == kParamSlider) {
            // Scales that count things start at 1 or 2, are stepped and end
            // on a whole number; all others start at 0 or -100.
            EXPECT_LT(info.slider.minimum, info.slider.maximum);
            const bool counts = info.slider.minimum >= 1.0f;
            EXPECT_EQ(info.slider.continuous, counts ? 0u : 1u) << info.name;
            if (counts) EXPECT_EQ(info.slider.maximum, std::floor(info.slider.maximum));
        } else {
            EXPECT_TRUE(AllBytes(raw + 12, 216 - 12, 0));
        }
    }
    std::set<std::string> names;
    for (uint32_t p = 0; p < c.presets; ++p) {
        const std::string preset = fx->GetPresetName(p);
        EXPECT_TRUE(!preset.empty() && names.insert(preset).second) << "empty or duplicate preset " << preset;
        for (uint32_t i = 0; i < c.params; ++i) {
            const ParamInfo info = fx.Info(i);
            ParamValue v{};
            ASSERT_TRUE(fx->GetPresetValue(p, i, &v));
            const bool known = stray.count({c.name, preset, info.name}) != 0;
            EXPECT_NE(Valid(info, v), known) << preset << " / " << info.name << " word 0x" << std::hex << v.Word(0);
            if (known) EXPECT_EQ(v.Word(0), 0xCCCCCCCCu);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, TablesTest, testing::Range(0u, kEffectCount),
                         [](const testing::TestParamInfo<uint32_t>& i) {
                             std::string s = kCounts[i.param].name + 3;
                             std::erase(s, ' ');
                             return s;
                         });

// Cells chosen so that a transposed row, a shifted column or an entry list in
// the wrong order shows up as a wrong text.
TEST(Tables, SpotValuesPinRowsColumnsAndEntryOrder) {
    Effect box(0), comb(2), flip(3), grid(5), louvers(6), page(8), rings(10), spiral(11), twist(12);
    ASSERT_TRUE(box.ok() && comb.ok() && flip.ok() && grid.ok() && louvers.ok() && page.ok() && rings.ok() &&
                spiral.ok() && twist.ok());
    EXPECT_TRUE(box.Value("Enter the Box", "Reverse").AsCheck());
    EXPECT_EQ(box.Entry("Background", "Enter the Box"), "Second Picture");
    EXPECT_TRUE(louvers.Value("Right To Left", "Reverse").AsCheck());
    EXPECT_TRUE(flip.Value("Revolve In Right", "Clockwise").AsCheck());
    // Entry lists that differ in order from one transition to the next.
    EXPECT_EQ(comb.Entry("Orientation"), "Vertical");
    EXPECT_EQ(grid.Entry("Rotation"), "Horizontal");
    EXPECT_EQ(twist.Entry("Axis"), "Vertical");
    EXPECT_EQ(twist.Entry("Axis", "Right To Left"), "Horizontal");
    EXPECT_EQ(page.Entry("Peel Edge", "Foil Page From Above"), "Top");
    EXPECT_EQ(page.Entry("Peel Edge", "Page Away Right"), "Right");
    EXPECT_EQ(spiral.Entry("Rotation", "Shake N Swirl"), "Vertical");
    EXPECT_EQ(spiral.Entry("Rotation"), "None");
    // Point cells keep x in the first word and y in the second.
    const ParamValue tilt = rings.Value("Frames In Space!", "Tilt");
    EXPECT_EQ(tilt.X(), 0.872093f);
    EXPECT_EQ(tilt.Y(), 0.11627907f);
}

} // namespace
} // namespace svt
