#include "host/translate.h"

#include <cstdlib>

#include "host/param_units.h"
#include "library/translation.h"
#include "platform/text.h"

namespace svt::host {

Translator::Translator(IEffectLibrary* library, const std::string& language) : language_(language) {
    if (library) {
        void* raw = nullptr;
        if (library->QueryInterface(&IID_IMultiLingual, &raw) == kOk && raw)
            ml_ = ComPtr<IMultiLingual>::Adopt(static_cast<IMultiLingual*>(raw));
    }
    if (ml_ && language_.empty()) {
        const char* current = ml_->CurrentLanguage();
        language_ = current ? current : "en";
    }
    available_ = ml_ && ml_->HasLanguage(language_.c_str());
}

std::vector<std::string> Translator::Languages() const {
    std::vector<std::string> out;
    if (!ml_) return out;
    const int64_t count = ml_->EnumerateLanguages(0, nullptr, 0, nullptr, 0, 0, 0);
    for (int64_t i = 0; i < count && i < 1000; ++i) {
        char code[3] = {};
        char16_t name[64] = {};
        ml_->EnumerateLanguages(static_cast<uint32_t>(i), code, sizeof code, name, 64, 0, 0);
        out.push_back(std::string(code) + " " + ToUtf8(name));
    }
    return out;
}

std::string Translator::Text(uint32_t section, const std::string& english) const {
    if (!available_) return english;
    std::u16string buffer(TranslationHelper::kTextCapacity, u'\0');
    const uint32_t n = ml_->Translate(language_.c_str(), section, english.c_str(), buffer.data(),
                                      static_cast<uint32_t>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return english;
    buffer.resize(n);
    return ToUtf8(buffer);
}

EffectTexts::EffectTexts(const Translator& tr, const EffectInfo& info)
    : info_(info), name_(tr.Text(kSectionEffectNames, info.name)) {
    for (size_t i = 0; i < info.params.size(); ++i) {
        const ParamInfo& p = info.params[i];
        Param q;
        q.names = {ParamLabel(p), tr.Text(kSectionParamLabels, ParamLabel(p))};
        q.label = q.names.shown;
        q.tooltip = i < info.tooltips.size() && !info.tooltips[i].empty() ? tr.Text(kSectionToolTips, info.tooltips[i]) : "";
        for (uint32_t e = 0; e < ChoiceCount(p); ++e)
            q.entries.push_back({ChoiceEntry(p, e), tr.Text(kSectionChoiceEntries, ChoiceEntry(p, e))});
        labels_.push_back(q.names);
        params_.push_back(std::move(q));
    }
    for (const PresetInfo& p : info.presets) presets_.push_back({p.name, tr.Text(kSectionPresetNames, p.name)});
}

std::string EffectTexts::entry(size_t param, uint32_t e) const {
    const auto& entries = params_[param].entries;
    return e < entries.size() ? entries[e].shown : "";
}

std::vector<std::string> EffectTexts::labels() const {
    std::vector<std::string> v;
    for (const Param& p : params_) v.push_back(p.label);
    return v;
}

std::vector<std::string> EffectTexts::presetNames() const {
    std::vector<std::string> v;
    for (const NamePair& p : presets_) v.push_back(p.shown);
    return v;
}

std::string EffectTexts::Shown(size_t param, const ParamValue& value) const {
    const ParamInfo& p = info_.params[param];
    if (p.type == kParamChoice && value.AsChoice() < params_[param].entries.size())
        return params_[param].entries[value.AsChoice()].shown;
    return FormatDisplayValue(p, value);
}

std::string EffectTexts::Range(size_t param) const {
    if (info_.params[param].type != kParamChoice) return DescribeRange(info_.params[param]);
    std::string s;
    for (const NamePair& e : params_[param].entries) s += (s.empty() ? "" : " | ") + e.shown;
    return s;
}

namespace {

// The index of `text` among `names`, or -1 with a message naming what there is.
int FindOrExplain(const std::string& owner, const char* kind, const std::string& text,
                  const std::vector<NamePair>& names, const std::vector<std::string>& shown, std::string* error) {
    std::string close;
    const int i = FindName(text, names, &close);
    if (i < 0 && error)
        *error = owner + " has no " + kind + " \"" + text + "\"" + DidYouMean(close) + (close.empty() ? "; its" : " Its") +
                 " " + kind + "s are: " + JoinNames(shown);
    return i;
}

} // namespace

int EffectTexts::FindParam(const std::string& text, std::string* error) const {
    return FindOrExplain(name_, "parameter", text, labels_, labels(), error);
}

int EffectTexts::FindPreset(const std::string& text, std::string* error) const {
    return FindOrExplain(name_, "preset", text, presets_, presetNames(), error);
}

bool EffectTexts::Parse(size_t param, const std::string& text, ParamValue* out, std::string* error) const {
    const ParamInfo& p = info_.params[param];
    if (p.type != kParamChoice) {
        if (ParseDisplayValue(p, text, out, error)) return true;
        // The module's sentence names the English label.
        if (error && params_[param].label != params_[param].names.english) {
            const std::string english = "\"" + params_[param].names.english + "\"";
            if (error->rfind(english, 0) == 0) *error = "\"" + params_[param].label + "\"" + error->substr(english.size());
        }
        return false;
    }
    std::string close;
    const int e = FindName(text, params_[param].entries, &close);
    if (e >= 0) {
        *out = ParamValue::Choice(uint32_t(e));
        return true;
    }
    if (error)
        *error = "\"" + params_[param].label + "\" takes one of: " + Range(param) + ", not \"" + text + "\"" +
                 DidYouMean(close);
    return false;
}

bool EffectTexts::ParseSetting(const std::string& setting, int* param, ParamValue* out, std::string* error) const {
    const size_t eq = setting.find('=');
    if (eq == std::string::npos || eq == 0) {
        if (error) *error = "--set takes Label=value (e.g. Offset=-100), not \"" + setting + "\"";
        return false;
    }
    *param = FindParam(setting.substr(0, eq), error);
    return *param >= 0 && Parse(size_t(*param), setting.substr(eq + 1), out, error);
}

namespace {
// "3D Flip" -> "Flip", "3D-Wende" -> "Wende", "Retournement 3D" -> "Retournement".
std::string WithoutThreeD(const std::string& name) {
    const std::u16string f = Folded(name);
    if (f.size() > 3 && f.compare(0, 3, u"3d ") == 0) return name.substr(3);
    if (f.size() > 3 && f.compare(f.size() - 3, 3, u" 3d") == 0) return name.substr(0, name.size() - 3);
    return name;
}
} // namespace

int FindTransition(const std::vector<std::string>& names, const std::vector<std::string>& shown,
                   const std::string& typed, std::string* error) {
    std::vector<NamePair> forms; // two per transition: whole and without "3D"
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& local = i < shown.size() ? shown[i] : names[i];
        forms.push_back({names[i], local});
        forms.push_back({WithoutThreeD(names[i]), WithoutThreeD(local)});
    }
    std::string close;
    const int found = FindName(typed, forms, &close, 3);
    if (found >= 0) return found / 2;
    char* stop = nullptr;
    const long i = std::strtol(typed.c_str(), &stop, 10);
    if (!typed.empty() && !*stop && i >= 0 && size_t(i) < names.size()) return int(i);
    std::string suggestion;
    for (size_t k = 0; k < forms.size() && !close.empty(); ++k)
        if (forms[k].english == close || forms[k].shown == close)
            suggestion = forms[k].english == close ? names[k / 2] : forms[k & ~size_t(1)].shown;
    if (error)
        *error = "unknown transition \"" + typed + "\"" + DidYouMean(suggestion) +
                 (suggestion.empty() ? "; the" : " The") + " transitions are: " + JoinNames(shown.empty() ? names : shown);
    return -1;
}

std::string ToUtf8(const std::u16string& text) { return platform::Utf16ToUtf8Lossy(text); }

} // namespace svt::host
