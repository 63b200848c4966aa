// What the host learns about a transition through its description slots:
// name, flags, parameter records, tooltips and built-in presets, read once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/abi.h"

namespace svt::host {

struct PresetInfo {
    std::string name;
    std::vector<ParamValue> values; // one per parameter
};

struct EffectInfo {
    uint32_t index = 0;
    std::string name;
    uint32_t flags = 0;
    std::vector<ParamInfo> params;      // GetParamInfo until it returns false
    std::vector<std::string> tooltips;  // "" where the transition gives none
    std::vector<PresetInfo> presets;

    // Reads everything through IVideoEffect (and IParamToolTip when offered).
    static EffectInfo Read(IVideoEffect* effect, uint32_t index);

    // Case-insensitive look-ups; -1 when there is none.
    int FindParam(const std::string& label) const;
    int FindPreset(const std::string& name) const;
    std::vector<std::string> ParamNames() const;
    std::vector<std::string> PresetNames() const;
};

// The label of a record (bounded: the record's name field need not end).
std::string ParamLabel(const ParamInfo& info);
// The i-th entry of a choice record, bounded likewise.
std::string ChoiceEntry(const ParamInfo& info, uint32_t i);
uint32_t ChoiceCount(const ParamInfo& info); // at most 10

bool SameName(const std::string& a, const std::string& b); // ASCII case-insensitive
// "a, b, c" for error messages.
std::string JoinNames(const std::vector<std::string>& names);

} // namespace svt::host
