// TranslationHelper: how the library's own dialogs get their texts. It asks
// IMultiLingual of its source (the library object) for a translation and
// falls back to the built-in English text, so every call yields something to
// show, with or without a language library.
#pragma once

#include <cstdint>
#include <span>

#include "library/abi.h"

namespace svt {

// Sections of the language file. 4, 5 and 10 hold the library's own texts;
// 20 to 24 hold what a host shows of the transitions, each keyed by the
// English text the transition reports.
enum TranslationSection : uint32_t {
    kSectionPresetDialogs = 4,  // preset file dialogs and messages
    kSectionOptions = 5,        // labels of the options dialog
    kSectionProduct = 10,       // product name and button captions
    kSectionEffectNames = 20,   // GetEffectName
    kSectionParamLabels = 21,   // ParamInfo::name
    kSectionChoiceEntries = 22, // ParamInfo::choice.entries
    kSectionToolTips = 23,      // IParamToolTip::GetToolTip
    kSectionPresetNames = 24,   // GetPresetName
};

// One text of the library: where the language file keeps it and its English
// form. A null `english` means the key is the English text itself.
struct LibraryText {
    uint32_t section;
    const char* key;
    const char* english;
};

inline constexpr LibraryText kTextOpenPreset{kSectionPresetDialogs, "Open Preset", nullptr};
inline constexpr LibraryText kTextSavePresetAs{kSectionPresetDialogs, "Save Preset As", nullptr};
inline constexpr LibraryText kTextPresetFiles{kSectionPresetDialogs, "Preset Files", nullptr};
inline constexpr LibraryText kTextKnobsLabel{kSectionOptions, "Up/Down Knobs Control",
                                             "Up / Down mouse control of circular knobs"};
inline constexpr LibraryText kTextKeyFramesLabel{kSectionOptions, "Key Frames or Presets",
                                                 "Use Key Frames instead of Presets"};
inline constexpr LibraryText kTextCropOverscanLabel{kSectionOptions, "Crop Overscan", nullptr};
inline constexpr LibraryText kTextForcedCPULabel{kSectionOptions, "Forced CPU", nullptr};
inline constexpr LibraryText kTextProductName{kSectionProduct, "Product Name", "Solvane Tumblers"};
inline constexpr LibraryText kTextOK{kSectionProduct, "OK", nullptr};
inline constexpr LibraryText kTextCancel{kSectionProduct, "Cancel", nullptr};

// Every text above, for whoever checks that a language file covers them.
std::span<const LibraryText> LibraryTexts();

class TranslationHelper {
public:
    static constexpr uint32_t kTextCapacity = 2048; // characters, with the terminator

    TranslationHelper();
    TranslationHelper(const TranslationHelper&) = delete;
    TranslationHelper& operator=(const TranslationHelper&) = delete;
    ~TranslationHelper();

    // Remembers `source` (not counted: the caller keeps it alive while the
    // helper is used) and the language: exactly two characters are taken as
    // they are, anything else gives "en". Clears the text.
    void Bind(IUnknown* source, const char* language);

    // The translation of `key` in `section` for the bound language; when
    // there is none, `english`, or the key itself when `english` is null,
    // cut at 2047 characters. The text stays valid until the next call.
    const char16_t* Translate(uint32_t section, const char* key, const char* english);
    const char16_t* Translate(const LibraryText& text) { return Translate(text.section, text.key, text.english); }

    // The source's current language when it reports one, else the bound code.
    const char* Language();
    // The bound code itself.
    const char* code() const { return language_; }

private:
    char language_[3];
    char16_t text_[kTextCapacity];
    IUnknown* source_ = nullptr;
};

} // namespace svt
