#include "library/translation.h"

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace svt {

namespace {

constexpr LibraryText kLibraryTexts[] = {
    kTextOpenPreset, kTextSavePresetAs, kTextPresetFiles, kTextKnobsLabel,  kTextKeyFramesLabel,
    kTextCropOverscanLabel, kTextForcedCPULabel, kTextProductName, kTextOK, kTextCancel,
};

// Copies at most `capacity` - 1 characters and terminates, without leaving
// half of a surrogate pair at the end.
void CopyCut(const char16_t* text, size_t length, char16_t* out, size_t capacity) {
    size_t n = length < capacity - 1 ? length : capacity - 1;
    if (n > 0 && n < length && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    std::memcpy(out, text, n * sizeof(char16_t));
    out[n] = 0;
}

IMultiLingual* AskMultiLingual(IUnknown* source) {
    if (!source) return nullptr;
    void* p = nullptr;
    if (source->QueryInterface(&IID_IMultiLingual, &p) != kOk) return nullptr;
    return static_cast<IMultiLingual*>(p);
}

} // namespace

std::span<const LibraryText> LibraryTexts() { return kLibraryTexts; }

TranslationHelper::TranslationHelper() : language_{'e', 'n', '\0'}, text_{} {}

TranslationHelper::~TranslationHelper() = default;

void TranslationHelper::Bind(IUnknown* source, const char* language) {
    source_ = source;
    text_[0] = 0;
    if (language && language[0] && language[1] && !language[2]) {
        language_[0] = language[0];
        language_[1] = language[1];
    } else {
        language_[0] = 'e';
        language_[1] = 'n';
    }
    language_[2] = '\0';
}

const char16_t* TranslationHelper::Translate(uint32_t section, const char* key, const char* english) {
    text_[0] = 0;
    if (IMultiLingual* ml = AskMultiLingual(source_)) {
        const uint32_t n = ml->Translate(language_, section, key, text_, kTextCapacity);
        ml->Release();
        text_[kTextCapacity - 1] = 0; // whatever the parser did with the buffer
        if (n > 0) return text_;
        text_[0] = 0;
    }
    const char* fallback = english ? english : key;
    if (!fallback) return text_;
    std::u16string wide;
    if (platform::NarrowToUtf16(fallback, &wide)) {
        CopyCut(wide.data(), wide.size(), text_, kTextCapacity);
        return text_;
    }
    // Not valid UTF-8 (or no memory to convert it): keep what is ASCII and
    // mark the rest, in place.
    uint32_t n = 0;
    for (const char* p = fallback; *p && n + 1 < kTextCapacity; ++p)
        text_[n++] = static_cast<unsigned char>(*p) < 0x80 ? static_cast<char16_t>(*p) : u'\uFFFD';
    text_[n] = 0;
    return text_;
}

const char* TranslationHelper::Language() {
    if (IMultiLingual* ml = AskMultiLingual(source_)) {
        const char* current = ml->CurrentLanguage();
        ml->Release();
        if (current) return current;
    }
    return language_;
}

} // namespace svt
