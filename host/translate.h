// The module's translations as the host reads them: IMultiLingual of the
// library object, one language, with the English text wherever the language
// file has nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/com_ptr.h"
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

// UTF-16 to UTF-8 for printing; unpaired surrogates become U+FFFD.
std::string ToUtf8(const std::u16string& text);

} // namespace svt::host
