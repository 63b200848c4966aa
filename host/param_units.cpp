#include "host/param_units.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/effect_info.h"

namespace svt::host {

namespace {

bool ParseNumber(const std::string& text, double* out) {
    const char* s = text.c_str();
    while (*s == ' ') ++s;
    if (!*s) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s, &end);
    while (*end == ' ') ++end;
    if (*end || errno == ERANGE || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

// Shortest decimal form with at most `decimals` places ("33.5", "-100").
std::string Decimal(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%.*f", decimals, v);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

bool IsCount(const ParamInfo& info) { return info.type == kParamSlider && info.slider.continuous == 0; }

} // namespace

float CountToFraction(int n, float minimum, float maximum) {
    const double range = double(maximum) - minimum;
    if (!(range > 0)) return 0.0f;
    float f = static_cast<float>((n - double(minimum)) / range);
    // The division rounds to the nearest float, which may sit just below the
    // exact fraction; step up until the module's truncation returns n.
    for (int i = 0; i < 8 && FractionToCount(f, minimum, maximum) < n; ++i) f = std::nextafter(f, 2.0f);
    return f;
}

int FractionToCount(float v, float minimum, float maximum) {
    const double inDouble = double(v) * (double(maximum) - minimum) + minimum;
    const float inFloat = v * (maximum - minimum) + minimum;
    return static_cast<int>(std::min(std::trunc(inDouble), std::trunc(double(inFloat))));
}

std::string DescribeRange(const ParamInfo& info) {
    switch (info.type) {
    case kParamSlider:
        return std::string(IsCount(info) ? "whole number " : "") + Decimal(info.slider.minimum, 3) + " to " +
               Decimal(info.slider.maximum, 3);
    case kParamChoice: {
        std::string s;
        for (uint32_t i = 0; i < ChoiceCount(info); ++i) s += (i ? " | " : "") + ChoiceEntry(info, i);
        return s;
    }
    case kParamCheck: return "on | off";
    case kParamPoint: return "x,y (each 0 to 1)";
    default: return "unknown type " + std::to_string(info.type);
    }
}

std::string FormatDisplayValue(const ParamInfo& info, const ParamValue& value) {
    switch (info.type) {
    case kParamSlider: {
        const float v = value.AsSlider();
        if (IsCount(info)) return std::to_string(FractionToCount(v, info.slider.minimum, info.slider.maximum));
        return Decimal(double(v) * (double(info.slider.maximum) - info.slider.minimum) + info.slider.minimum, 2);
    }
    case kParamChoice: {
        const uint32_t i = value.AsChoice();
        return i < ChoiceCount(info) ? ChoiceEntry(info, i) : "#" + std::to_string(i);
    }
    case kParamCheck: return value.AsCheck() ? "on" : "off";
    case kParamPoint: return Decimal(value.X(), 6) + "," + Decimal(value.Y(), 6);
    default: return "?";
    }
}

bool ParseDisplayValue(const ParamInfo& info, const std::string& text, ParamValue* out, std::string* error) {
    const std::string label = Quoted(ParamLabel(info));
    auto fail = [&](const std::string& takes) {
        *error = label + " takes " + takes + ", not " + Quoted(text);
        return false;
    };
    switch (info.type) {
    case kParamSlider: {
        const double lo = info.slider.minimum, hi = info.slider.maximum;
        double v;
        if (IsCount(info)) {
            const std::string takes = "a whole number from " + Decimal(lo, 3) + " to " + Decimal(hi, 3);
            if (!ParseNumber(text, &v) || v != std::floor(v) || v < lo || v > hi) return fail(takes);
            *out = ParamValue::Slider(CountToFraction(int(v), info.slider.minimum, info.slider.maximum));
            return true;
        }
        const std::string takes = "a number from " + Decimal(lo, 3) + " to " + Decimal(hi, 3);
        if (!ParseNumber(text, &v) || v < lo || v > hi || !(hi > lo)) return fail(takes);
        *out = ParamValue::Slider(static_cast<float>((v - lo) / (hi - lo)));
        return true;
    }
    case kParamChoice:
        for (uint32_t i = 0; i < ChoiceCount(info); ++i)
            if (SameName(ChoiceEntry(info, i), text)) {
                *out = ParamValue::Choice(i);
                return true;
            }
        return fail("one of: " + DescribeRange(info));
    case kParamCheck:
        for (const char* on : {"on", "true", "yes", "1"})
            if (SameName(text, on)) {
                *out = ParamValue::Check(true);
                return true;
            }
        for (const char* off : {"off", "false", "no", "0"})
            if (SameName(text, off)) {
                *out = ParamValue::Check(false);
                return true;
            }
        return fail("on or off");
    case kParamPoint: {
        std::string t = text;
        if (t.size() >= 2 && t.front() == '(' && t.back() == ')') t = t.substr(1, t.size() - 2);
        const size_t comma = t.find(',');
        double x, y;
        if (comma == std::string::npos || !ParseNumber(t.substr(0, comma), &x) ||
            !ParseNumber(t.substr(comma + 1), &y) || x < 0 || x > 1 || y < 0 || y > 1)
            return fail("a point x,y with each coordinate from 0 to 1");
        *out = ParamValue::Point(static_cast<float>(x), static_cast<float>(y));
        return true;
    }
    default:
        *error = label + " has a type (" + std::to_string(info.type) + ") this host cannot set";
        return false;
    }
}

} // namespace svt::host
