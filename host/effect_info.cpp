#include "host/effect_info.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/com_ptr.h"

namespace svt::host {

namespace {
// A transition has at most this many of either; a module that never says
// false is cut off here instead of looping.
constexpr uint32_t kMaxParams = 100;
constexpr uint32_t kMaxPresets = 1000;

std::string Bounded(const char* s, size_t capacity) { return std::string(s, strnlen(s, capacity)); }
} // namespace

std::string ParamLabel(const ParamInfo& info) { return Bounded(info.name, sizeof(info.name)); }

uint32_t ChoiceCount(const ParamInfo& info) {
    return info.type == kParamChoice ? std::min<uint32_t>(info.choice.count, kMaxChoiceEntries) : 0;
}

std::string ChoiceEntry(const ParamInfo& info, uint32_t i) {
    if (i >= ChoiceCount(info)) return "";
    return Bounded(info.choice.entries[i], kChoiceEntryBytes);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
    return s;
}

EffectInfo EffectInfo::Read(IVideoEffect* effect, uint32_t index) {
    EffectInfo info;
    info.index = index;
    if (!effect) return info;
    if (const char* n = effect->GetEffectName()) info.name = n;
    info.flags = effect->GetEffectFlags();
    for (uint32_t i = 0; i < kMaxParams; ++i) {
        ParamInfo p;
        if (!effect->GetParamInfo(i, &p)) break;
        info.params.push_back(p);
    }
    void* tipsRaw = nullptr;
    ComPtr<IParamToolTip> tips;
    if (effect->QueryInterface(&IID_IParamToolTip, &tipsRaw) == kOk && tipsRaw)
        tips = ComPtr<IParamToolTip>::Adopt(static_cast<IParamToolTip*>(tipsRaw));
    for (uint32_t i = 0; i < info.params.size(); ++i) {
        const char* t = tips ? tips->GetToolTip(i) : nullptr;
        info.tooltips.push_back(t ? t : "");
    }
    for (uint32_t p = 0; p < kMaxPresets; ++p) {
        const char* n = effect->GetPresetName(p);
        if (!n) break;
        PresetInfo preset{n, {}};
        for (uint32_t i = 0; i < info.params.size(); ++i) {
            ParamValue v = info.params[i].defaultValue;
            effect->GetPresetValue(p, i, &v);
            preset.values.push_back(v);
        }
        info.presets.push_back(std::move(preset));
    }
    return info;
}

int EffectInfo::FindParam(const std::string& label) const {
    for (size_t i = 0; i < params.size(); ++i)
        if (SameName(ParamLabel(params[i]), label)) return int(i);
    return -1;
}

int EffectInfo::FindPreset(const std::string& presetName) const {
    for (size_t i = 0; i < presets.size(); ++i)
        if (SameName(presets[i].name, presetName)) return int(i);
    return -1;
}

std::vector<std::string> EffectInfo::ParamNames() const {
    std::vector<std::string> v;
    for (const ParamInfo& p : params) v.push_back(ParamLabel(p));
    return v;
}

std::vector<std::string> EffectInfo::PresetNames() const {
    std::vector<std::string> v;
    for (const PresetInfo& p : presets) v.push_back(p.name);
    return v;
}

} // namespace svt::host
