// The description tables of all thirteen transitions, read the way a host
// reads them: through IVideoEffect and IParamToolTip of registry objects.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "library/abi.h"
#include "module/effect_registry.h"

namespace svt {
namespace {

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

// What a host reading the tables relies on beyond the records' layout and
// bounds (which the C host test checks through the raw tables): defaults and
// every stored preset cell are valid values of their parameter (or the one
// stray word a few presets carry: no host could have set it; the
// transitions tolerate it), unused bytes are zeroed, preset names unique.
TEST_P(TablesTest, DefaultsAndPresetCellsAreValidAndUnusedBytesZeroed) {
    Effect fx(GetParam());
    ASSERT_TRUE(fx.ok());
    uint32_t params = 0, presets = 0;
    ParamInfo info;
    while (params < 64 && fx->GetParamInfo(params, &info)) ++params;
    while (presets < 64 && fx->GetPresetName(presets)) ++presets;
    ASSERT_GT(presets, 0u);
    for (uint32_t i = 0; i < params; ++i) {
        SCOPED_TRACE(testing::Message() << "parameter " << i);
        const ParamInfo info = fx.Info(i);
        const auto* raw = reinterpret_cast<const uint8_t*>(&info);
        const char* tip = fx.tips()->GetToolTip(i);
        EXPECT_TRUE(tip && *tip);
        EXPECT_TRUE(Valid(info, info.defaultValue)) << "default";
        if (info.type == kParamChoice) {
            EXPECT_GE(info.choice.count, 2u);
            for (uint32_t e = info.choice.count; e < kMaxChoiceEntries; ++e)
                EXPECT_TRUE(AllBytes(raw + 16 + kChoiceEntryBytes * e, kChoiceEntryBytes, 0)) << "entry " << e;
        } else if (info.type == kParamSlider) {
            // Scales that count things start at 1 or 2, are stepped and end
            // on a whole number; all others start at 0 or -100.
            const bool counts = info.slider.minimum >= 1.0f;
            EXPECT_EQ(info.slider.continuous, counts ? 0u : 1u) << info.name;
            if (counts) EXPECT_EQ(info.slider.maximum, std::floor(info.slider.maximum));
        } else {
            EXPECT_TRUE(AllBytes(raw + 12, 216 - 12, 0));
        }
    }
    std::set<std::string> names;
    ParamValue v{};
    for (uint32_t p = 0; p < presets; ++p) {
        const std::string preset = fx->GetPresetName(p);
        EXPECT_TRUE(!preset.empty() && names.insert(preset).second) << "empty or duplicate preset " << preset;
        for (uint32_t i = 0; i < params; ++i) {
            ASSERT_TRUE(fx->GetPresetValue(p, i, &v));
            EXPECT_TRUE(Valid(fx.Info(i), v) || v.Word(0) == 0xCCCCCCCCu) << preset << " / parameter " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, TablesTest, testing::Range(0u, kEffectCount));

} // namespace
} // namespace svt
