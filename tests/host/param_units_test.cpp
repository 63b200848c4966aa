// Display units of the host's panel against the stored, normalised values.
#include "host/param_units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace svt::host {
namespace {

ParamInfo Info(const char* name, uint32_t type, float lo = 0, float hi = 0, bool continuous = true) {
    ParamInfo p{};
    p.type = type;
    p.slider.minimum = lo;
    p.slider.maximum = hi;
    p.slider.continuous = continuous ? 1 : 0;
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
    const ParamInfo offset = Info("Offset", kParamSlider, -100, 100);
    // (v - min)/(max - min): -100 -> 0, 0 -> 0.5, 100 -> 1, 50 -> 150/200.
    const std::pair<const char*, float> cases[] = {{"-100", 0.0f}, {"0", 0.5f}, {"100", 1.0f}, {"50", 0.75f}};
    for (auto [text, stored] : cases) EXPECT_EQ(Parse(offset, text).AsSlider(), stored) << text;
    // The stored 0.49 of the "Flip Over" preset shows as 0.49·200 - 100 = -2.
    EXPECT_EQ(FormatDisplayValue(offset, ParamValue::Slider(0.49f)), "-2");
    const ParamInfo shading = Info("Shading", kParamSlider, 0, 100);
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
        const ParamInfo slices = Info("Slices", kParamSlider, lo, hi, false);
        for (int n = int(lo); n <= int(hi); ++n) {
            const float f = Parse(slices, std::to_string(n)).AsSlider();
            EXPECT_EQ(int(std::trunc(double(f) * (hi - lo) + lo)), n) << lo << ".." << hi;
            EXPECT_EQ(int(std::trunc(f * (hi - lo) + lo)), n) << lo << ".." << hi;
            EXPECT_NEAR(f, (n - lo) / (hi - lo), 4e-7); // no further off than the nudge needs
            EXPECT_EQ(FormatDisplayValue(slices, ParamValue::Slider(f)), std::to_string(n));
        }
    }
}

TEST(ParamUnits, BadValuesAreRefusedByName) {
    const ParamInfo offset = Info("Offset", kParamSlider, -100, 100);
    const ParamInfo slices = Info("Slices", kParamSlider, 1, 30, false);
    const ParamInfo reverse = Info("Reverse", kParamCheck);
    const ParamInfo tilt = Info("Tilt", kParamPoint);
    const struct {
        const ParamInfo& info;
        const char* text;
        const char* error; // checked where given
    } cases[] = {
        {offset, "-300", "\"Offset\" takes a number from -100 to 100, not \"-300\""},
        {offset, "abc"}, {offset, ""}, {offset, "5x"}, {offset, "nan"},
        {slices, "12.5", "\"Slices\" takes a whole number from 1 to 30, not \"12.5\""},
        {slices, "0"}, {slices, "31"},
        {reverse, "maybe", "\"Reverse\" takes on or off, not \"maybe\""},
        {tilt, "0.5"}, {tilt, "1.5,0"}, {tilt, "0.5,-0.1"}, {tilt, "a,b"},
    };
    for (const auto& c : cases) {
        const std::string error = Rejection(c.info, c.text);
        EXPECT_TRUE(!c.error || error == c.error) << error;
    }
}

TEST(ChoiceUnits, EntriesByNameAnyCaseAndBounded) {
    ParamInfo bg = Info("Background", kParamChoice);
    for (const char* e : {"First Picture", "Second Picture", "Transparent"})
        std::strcpy(bg.choice.entries[bg.choice.count++], e);
    EXPECT_EQ(Parse(bg, "Second Picture").AsChoice(), 1u);
    EXPECT_EQ(Parse(bg, "transparent").AsChoice(), 2u);
    EXPECT_EQ(FormatDisplayValue(bg, ParamValue::Choice(0)), "First Picture");
    // A stored index past the entries (some presets hold one) stays visible.
    EXPECT_EQ(FormatDisplayValue(bg, ParamValue::Choice(5)), "#5");
    Rejection(bg, "Opaque"); // the message: tests/cli/errors.sh

    bg.choice.count = 200; // a record claiming more entries than fit, none terminated
    std::memset(bg.choice.entries, 'x', sizeof(bg.choice.entries));
    EXPECT_EQ(DescribeRange(bg).size(), 10 * 20 + 9 * 3u);
    Rejection(bg, "y");
}

TEST(CheckAndPointUnits, BothWays) {
    const ParamInfo reverse = Info("Reverse", kParamCheck);
    for (const char* on : {"on", "ON", "true", "yes", "1"}) EXPECT_TRUE(Parse(reverse, on).AsCheck()) << on;
    for (const char* off : {"off", "False", "no", "0"}) EXPECT_FALSE(Parse(reverse, off).AsCheck()) << off;
    EXPECT_EQ(FormatDisplayValue(reverse, ParamValue::Check(true)), "on");
    // Only byte 0 counts, as in the module.
    EXPECT_EQ(FormatDisplayValue(reverse, ParamValue::FromWords(0x100, 0)), "off");

    const ParamInfo tilt = Info("Tilt", kParamPoint);
    const ParamValue v = Parse(tilt, "0.25,0.75");
    EXPECT_EQ(v.X(), 0.25f);
    EXPECT_EQ(v.Y(), 0.75f);
    EXPECT_EQ(Parse(tilt, "(1, 0)").X(), 1.0f);
    EXPECT_EQ(FormatDisplayValue(tilt, ParamValue::Point(0.255814f, 0.767442f)), "0.255814,0.767442");
}

} // namespace
} // namespace svt::host
