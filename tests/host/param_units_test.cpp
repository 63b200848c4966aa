// Display units of the host's panel against the stored, normalised values.
#include "host/param_units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace svt::host {
namespace {

ParamInfo SliderInfo(const char* name, float lo, float hi, bool continuous) {
    ParamInfo p{};
    p.type = kParamSlider;
    p.slider.minimum = lo;
    p.slider.maximum = hi;
    p.slider.continuous = continuous ? 1 : 0;
    std::strncpy(p.name, name, sizeof(p.name) - 1);
    return p;
}

ParamInfo ChoiceInfo(const char* name, std::initializer_list<const char*> entries) {
    ParamInfo p{};
    p.type = kParamChoice;
    for (const char* e : entries) std::strncpy(p.choice.entries[p.choice.count++], e, kChoiceEntryBytes - 1);
    std::strncpy(p.name, name, sizeof(p.name) - 1);
    return p;
}

ParamInfo TypedInfo(const char* name, uint32_t type) {
    ParamInfo p{};
    p.type = type;
    std::strncpy(p.name, name, sizeof(p.name) - 1);
    return p;
}

ParamValue Parse(const ParamInfo& info, const std::string& text) {
    ParamValue v = ParamValue::FromWords(0xDEADBEEF, 0xDEADBEEF);
    std::string error;
    EXPECT_TRUE(ParseDisplayValue(info, text, &v, &error)) << text << ": " << error;
    return v;
}

std::string Rejection(const ParamInfo& info, const std::string& text) {
    ParamValue v = ParamValue::FromWords(7, 7);
    std::string error;
    EXPECT_FALSE(ParseDisplayValue(info, text, &v, &error)) << text;
    EXPECT_EQ(v.Word(0), 7u) << "a rejected value must leave the output alone";
    return error;
}

TEST(SliderUnits, ContinuousScalesMapLinearlyBothWays) {
    const ParamInfo offset = SliderInfo("Offset", -100, 100, true);
    // (v - min)/(max - min): -100 -> 0, 0 -> 0.5, 100 -> 1, 50 -> 150/200.
    EXPECT_EQ(Parse(offset, "-100").AsSlider(), 0.0f);
    EXPECT_EQ(Parse(offset, "0").AsSlider(), 0.5f);
    EXPECT_EQ(Parse(offset, "100").AsSlider(), 1.0f);
    EXPECT_EQ(Parse(offset, "50").AsSlider(), 0.75f);
    // The stored 0.49 of the "Flip Over" preset shows as 0.49·200 - 100 = -2.
    EXPECT_EQ(FormatDisplayValue(offset, ParamValue::Slider(0.49f)), "-2");
    const ParamInfo shading = SliderInfo("Shading", 0, 100, true);
    EXPECT_EQ(FormatDisplayValue(shading, ParamValue::Slider(0.335f)), "33.5");
    for (int shown = 0; shown <= 100; ++shown)
        EXPECT_EQ(FormatDisplayValue(shading, Parse(shading, std::to_string(shown))), std::to_string(shown));
}

TEST(SliderUnits, CountsSurviveTheModulesTruncation) {
    // The module takes trunc(v·(max - min) + min). The plain float quotient
    // lands below the exact fraction for many counts (on 1 to 30, 12 stored
    // as float(11/29) gives 11.999999... in double), so every count of every
    // range in use is checked in both precisions.
    const std::pair<float, float> ranges[] = {{1, 30}, {1, 40}, {1, 20}, {1, 15}, {1, 10}, {2, 10}};
    for (auto [lo, hi] : ranges) {
        const ParamInfo slices = SliderInfo("Slices", lo, hi, false);
        for (int n = int(lo); n <= int(hi); ++n) {
            const float f = Parse(slices, std::to_string(n)).AsSlider();
            EXPECT_EQ(int(std::trunc(double(f) * (hi - lo) + lo)), n) << lo << ".." << hi;
            EXPECT_EQ(int(std::trunc(f * (hi - lo) + lo)), n) << lo << ".." << hi;
            // and no further from the exact fraction than the nudge needs
            EXPECT_NEAR(f, (n - lo) / (hi - lo), 4e-7);
            EXPECT_EQ(FormatDisplayValue(slices, ParamValue::Slider(f)), std::to_string(n));
        }
    }
}

TEST(SliderUnits, OutOfRangeAndMalformedNumbersAreRefusedByName) {
    const ParamInfo offset = SliderInfo("Offset", -100, 100, true);
    EXPECT_EQ(Rejection(offset, "-300"), "\"Offset\" takes a number from -100 to 100, not \"-300\"");
    Rejection(offset, "abc");
    Rejection(offset, "");
    Rejection(offset, "5x");
    Rejection(offset, "nan");
    const ParamInfo slices = SliderInfo("Slices", 1, 30, false);
    EXPECT_EQ(Rejection(slices, "12.5"), "\"Slices\" takes a whole number from 1 to 30, not \"12.5\"");
    Rejection(slices, "0");
    Rejection(slices, "31");
}

TEST(ChoiceUnits, EntriesByNameAnyCase) {
    const ParamInfo bg = ChoiceInfo("Background", {"First Picture", "Second Picture", "Transparent"});
    EXPECT_EQ(Parse(bg, "Second Picture").AsChoice(), 1u);
    EXPECT_EQ(Parse(bg, "transparent").AsChoice(), 2u);
    EXPECT_EQ(FormatDisplayValue(bg, ParamValue::Choice(0)), "First Picture");
    // A stored index past the entries (some presets hold one) stays visible.
    EXPECT_EQ(FormatDisplayValue(bg, ParamValue::Choice(5)), "#5");
    EXPECT_EQ(Rejection(bg, "Opaque"),
              "\"Background\" takes one of: First Picture | Second Picture | Transparent, not \"Opaque\"");
}

TEST(ChoiceUnits, TenEntriesWithoutTerminatorStayBounded) {
    ParamInfo p = ChoiceInfo("Pattern", {});
    p.choice.count = 200; // a record claiming more entries than fit
    std::memset(p.choice.entries, 'x', sizeof(p.choice.entries));
    EXPECT_EQ(DescribeRange(p).size(), 10 * 20 + 9 * 3u);
    Rejection(p, "y");
}

TEST(CheckUnits, OnOffInTheUsualSpellings) {
    const ParamInfo reverse = TypedInfo("Reverse", kParamCheck);
    for (const char* on : {"on", "ON", "true", "yes", "1"}) EXPECT_TRUE(Parse(reverse, on).AsCheck()) << on;
    for (const char* off : {"off", "False", "no", "0"}) EXPECT_FALSE(Parse(reverse, off).AsCheck()) << off;
    EXPECT_EQ(FormatDisplayValue(reverse, ParamValue::Check(true)), "on");
    // Only byte 0 counts, as in the module.
    EXPECT_EQ(FormatDisplayValue(reverse, ParamValue::FromWords(0x100, 0)), "off");
    Rejection(reverse, "maybe");
}

TEST(PointUnits, TwoFractionsWithOptionalParentheses) {
    const ParamInfo tilt = TypedInfo("Tilt", kParamPoint);
    const ParamValue v = Parse(tilt, "0.25,0.75");
    EXPECT_EQ(v.X(), 0.25f);
    EXPECT_EQ(v.Y(), 0.75f);
    EXPECT_EQ(Parse(tilt, "(1, 0)").X(), 1.0f);
    EXPECT_EQ(FormatDisplayValue(tilt, ParamValue::Point(0.255814f, 0.767442f)), "0.255814,0.767442");
    Rejection(tilt, "0.5");
    Rejection(tilt, "1.5,0");
    Rejection(tilt, "0.5,-0.1");
    Rejection(tilt, "a,b");
}

} // namespace
} // namespace svt::host
