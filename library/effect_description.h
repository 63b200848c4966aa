// A transition's description as data: its name and flags, parameter records,
// tooltips and built-in presets, read by BaseEffect's description slots.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "library/abi.h"

namespace svt {

// Placement of a control in the host's panel, in panel units.
struct PanelRect {
    int32_t x, y, width, height;
};

struct ParamSpec {
    const char* name = nullptr;
    uint32_t type = kParamSlider;
    ParamValue defaultValue{};
    float minimum = 0, maximum = 0; // sliders: displayed scale
    uint32_t continuous = 0;        // sliders: 1 continuous, 0 whole numbers
    std::array<const char*, kMaxChoiceEntries> entries{};
    uint32_t entryCount = 0;
    PanelRect rect{};
    const char* tooltip = nullptr;
};

// Sliders on a continuous scale (0 to 100, -100 to 100, 0 to 90).
constexpr ParamSpec Slider(const char* name, float def, float minimum, float maximum, PanelRect r,
                           const char* tooltip) {
    ParamSpec p;
    p.name = name;
    p.type = kParamSlider;
    p.defaultValue = ParamValue::Slider(def);
    p.minimum = minimum;
    p.maximum = maximum;
    p.continuous = 1;
    p.rect = r;
    p.tooltip = tooltip;
    return p;
}

// Sliders that count whole things (1 to 30, 2 to 10, ...).
constexpr ParamSpec CountSlider(const char* name, float def, float minimum, float maximum, PanelRect r,
                                const char* tooltip) {
    ParamSpec p = Slider(name, def, minimum, maximum, r, tooltip);
    p.continuous = 0;
    return p;
}

constexpr ParamSpec Choice(const char* name, uint32_t def, std::initializer_list<const char*> entries,
                           PanelRect r, const char* tooltip) {
    ParamSpec p;
    p.name = name;
    p.type = kParamChoice;
    p.defaultValue = ParamValue::Choice(def);
    for (const char* e : entries) p.entries[p.entryCount++] = e;
    p.rect = r;
    p.tooltip = tooltip;
    return p;
}

constexpr ParamSpec Check(const char* name, bool def, PanelRect r, const char* tooltip) {
    ParamSpec p;
    p.name = name;
    p.type = kParamCheck;
    p.defaultValue = ParamValue::Check(def);
    p.rect = r;
    p.tooltip = tooltip;
    return p;
}

constexpr ParamSpec Point(const char* name, float x, float y, PanelRect r, const char* tooltip) {
    ParamSpec p;
    p.name = name;
    p.type = kParamPoint;
    p.defaultValue = ParamValue::Point(x, y);
    p.rect = r;
    p.tooltip = tooltip;
    return p;
}

// The three background entries most transitions share.
inline constexpr std::initializer_list<const char*> kBackgroundEntries = {"First Picture", "Second Picture",
                                                                          "Transparent"};

// Preset table cells, in the form the tables list them.
constexpr ParamValue S(float v) { return ParamValue::Slider(v); }
constexpr ParamValue C(uint32_t index) { return ParamValue::Choice(index); }
constexpr ParamValue On() { return ParamValue::Check(true); }
constexpr ParamValue Off() { return ParamValue::Check(false); }
constexpr ParamValue P(float x, float y) { return ParamValue::Point(x, y); }
// A stored word that is no valid value of its parameter, kept as stored.
constexpr ParamValue Raw(uint32_t lo, uint32_t hi = 0) { return ParamValue::FromWords(lo, hi); }

// The flags words transitions report. Their bits mean what the host's
// interface defines; ours differ in bit 0x4 alone, clear for the transitions
// whose crop check box the specialised slot 6 reads.
inline constexpr uint32_t kEffectFlags = 966;        // 0x3C6
inline constexpr uint32_t kEffectFlagsOwnCrop = 962; // 0x3C2
static_assert(kEffectFlagsOwnCrop == (kEffectFlags & ~0x4u));

struct EffectDescription {
    const char* name;
    uint32_t flags;
    std::span<const ParamSpec> params;
    std::span<const char* const> presetNames;
    std::span<const ParamValue> presetValues; // preset p, parameter i at p * params.size() + i
    int32_t cropCheckParam = -1; // the check box a specialised slot 6 reads, or -1

    uint32_t ParamCount() const { return static_cast<uint32_t>(params.size()); }
    uint32_t PresetCount() const { return static_cast<uint32_t>(presetNames.size()); }
};

// Fills a ParamInfo record for `param` (after zeroing all 276 bytes).
void FillParamInfo(const ParamSpec& param, ParamInfo* out);

} // namespace svt
