#include "host/translate.h"

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

std::string ToUtf8(const std::u16string& text) { return platform::Utf16ToUtf8Lossy(text); }

} // namespace svt::host
