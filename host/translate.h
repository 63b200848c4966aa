// The module's translations as the host reads them: IMultiLingual of the
// library object, one language, with the English text wherever the language
// file has nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/com_ptr.h"
#include "host/effect_info.h"
#include "host/words.h"
#include "library/abi.h"

namespace svt::host {

class Translator {
public:
    // `language` is a two-letter code; empty means the module's current one.
    Translator(IEffectLibrary* library, const std::string& language);

    // The code in use, and whether the module has texts for it.
    const std::string& language() const { return language_; }
    bool available() const { return available_; }
    // The languages the module's language file holds ("de Deutsch").
    std::vector<std::string> Languages() const;

    // The translation of `english` in `section` (UTF-8), or `english` itself.
    std::string Text(uint32_t section, const std::string& english) const;

private:
    ComPtr<IMultiLingual> ml_;
    std::string language_;
    bool available_ = false;
};

// What the tool shows of one transition in the translator's language, and
// what it accepts: every name, label, entry and preset in that language or
// in the module's own English, case-insensitive.
class EffectTexts {
public:
    EffectTexts(const Translator& translator, const EffectInfo& info);

    const EffectInfo& info() const { return info_; }
    const std::string& name() const { return name_; }
    const std::string& label(size_t param) const { return params_[param].label; }
    const std::string& tooltip(size_t param) const { return params_[param].tooltip; }
    const std::string& preset(size_t p) const { return presets_[p].shown; }
    std::string entry(size_t param, uint32_t e) const;
    std::vector<std::string> labels() const;
    std::vector<std::string> presetNames() const;

    // A value as the panel shows it, choices by their shown entry.
    std::string Shown(size_t param, const ParamValue& value) const;
    // What the parameter takes ("-100 to 100", "Waagerecht | Senkrecht").
    std::string Range(size_t param) const;

    // The parameter or preset named `text`; -1 with *error a sentence (and
    // "did you mean" when something is close).
    int FindParam(const std::string& text, std::string* error) const;
    int FindPreset(const std::string& text, std::string* error) const;
    // `text` as a value of parameter `param`, entries in either language.
    bool Parse(size_t param, const std::string& text, ParamValue* out, std::string* error) const;
    // "Label=value" with the label in either language.
    bool ParseSetting(const std::string& setting, int* param, ParamValue* out, std::string* error) const;

private:
    struct Param {
        std::string label, tooltip;
        std::vector<NamePair> entries;
        NamePair names;
    };
    const EffectInfo& info_;
    std::string name_;
    std::vector<Param> params_;
    std::vector<NamePair> presets_, labels_;
};

// The transition `typed` names among `names` (the module's) and `shown`
// (the same in the user's language): either name, case-insensitive, with or
// without its "3D", or its index. -1 with *error a sentence (with "did you
// mean" in the language the slip was made in) when none.
int FindTransition(const std::vector<std::string>& names, const std::vector<std::string>& shown,
                   const std::string& typed, std::string* error);

// UTF-16 to UTF-8 for printing; unpaired surrogates become U+FFFD.
std::string ToUtf8(const std::u16string& text);

} // namespace svt::host
