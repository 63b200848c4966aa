#include "presets/preset_saver.h"

#include <new>
#include <string>

#include "library/host_dialogs.h"
#include "platform/platform.h"
#include "presets/preset_file.h"

namespace svt {

namespace {

// Text from a file for a message: UTF-8 as it is, anything else with its
// non-ASCII bytes marked.
std::u16string Wide(const char* text) {
    std::u16string wide;
    if (!text || platform::NarrowToUtf16(text, &wide)) return wide;
    wide.clear();
    for (const char* p = text; *p; ++p)
        wide.push_back(static_cast<unsigned char>(*p) < 0x80 ? static_cast<char16_t>(*p) : u'\uFFFD');
    return wide;
}

// The dialog's title and filter: English without a language, else through
// the translation helper bound to the library.
struct DialogTexts {
    std::u16string title;
    char16_t filter[kPresetFilterCapacity];
    std::u16string extension;
};

void PrepareDialog(TranslationHelper& translation, IEffectLibrary* library, uint32_t effectIndex,
                   const char* language, const char16_t* englishTitle, const LibraryText& translatedTitle,
                   DialogTexts* texts) {
    const std::string extension = PresetExtension(library ? library->GetLibraryName() : nullptr, effectIndex);
    texts->extension.assign(extension.begin(), extension.end()); // ASCII
    std::u16string label;
    if (language) {
        translation.Bind(library, language);
        label = translation.Translate(kTextPresetFiles);
        texts->title = translation.Translate(translatedTitle);
        translation.Bind(nullptr, nullptr); // the library is only lent for this call
    } else {
        label = u"Preset Files";
        texts->title = englishTitle;
    }
    BuildPresetFilter(label.c_str(), extension, texts->filter, kPresetFilterCapacity);
}

void Exclaim(const char16_t* title, const char16_t* text) { ShowMessageBox(title, text, SVT_ICON_EXCLAMATION); }

uint32_t SaveError() {
    Exclaim(kSaveErrorTitle, kSaveErrorText);
    return kPresetError;
}

uint32_t LoadError() {
    Exclaim(kLoadErrorTitle, kLoadErrorText);
    return kPresetError;
}

// Running out of memory anywhere in a slot ends in its error message, as far
// as that can still be shown, and never in an exception through the host.
template <class Body>
uint32_t ErrorOnThrow(Body body, uint32_t (*error)()) {
    try {
        return body();
    } catch (...) {
    }
    try {
        return error();
    } catch (...) {
        return kPresetError;
    }
}

// Releases a transition the slot created, however it ends.
struct EffectRef {
    IVideoEffect* effect;
    ~EffectRef() {
        if (effect) effect->Release();
    }
};

} // namespace

std::u16string OpenWarningText(const char* fileEffect, const char* currentEffect) {
    return u"Error trying to open a " + Wide(fileEffect) + u" preset. This can only open " + Wide(currentEffect) +
           u" presets. Please try again.";
}

Result CPresetSaver::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!iid || !(*iid == IID_IUnknown || *iid == IID_IPresetSaver)) return kNoInterface;
    *out = static_cast<IPresetSaver*>(this);
    AddRef();
    return kOk;
}

uint32_t CPresetSaver::AddRef() { return refs_.AddRef(); }

uint32_t CPresetSaver::Release() {
    const uint32_t left = refs_.Release();
    if (left == 0) DeleteSelf(1);
    return left;
}

void CPresetSaver::DeleteSelf(uint32_t flags) {
    if (flags & 1)
        delete this;
    else
        this->~CPresetSaver();
}

uint32_t CPresetSaver::SavePreset(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex,
                                  PresetData* record, const char* language) {
    return ErrorOnThrow([&] { return Save(ownerWindow, library, effectIndex, record, language); }, SaveError);
}

uint32_t CPresetSaver::LoadPreset(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex,
                                  PresetData* record, const char* language) {
    return ErrorOnThrow([&] { return Load(ownerWindow, library, effectIndex, record, language); }, LoadError);
}

uint32_t CPresetSaver::Save(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex, PresetData* record,
                            const char* language) {
    DialogTexts texts;
    PrepareDialog(translation_, library, effectIndex, language, u"Save Preset", kTextSavePresetAs, &texts);
    if (!record) return SaveError();
    char16_t path[kPresetPathCapacity] = {};
    if (!ShowSaveDialog(ownerWindow, texts.title.c_str(), texts.filter, texts.extension.c_str(),
                                  path, kPresetPathCapacity))
        return kPresetOk;
    if (!path[0]) return SaveError();

    if (library) {
        const EffectRef ref{library->CreateEffect(effectIndex)};
        if (ref.effect) {
            CopyPresetName(record->libraryName, library->GetLibraryName());
            CopyPresetName(record->effectName, ref.effect->GetEffectName());
        }
    }
    std::string narrowPath;
    if (!platform::Utf16ToNarrow(path, &narrowPath) || narrowPath.empty()) return SaveError();
    return WritePresetFile(narrowPath.c_str(), *record) ? kPresetOk : SaveError();
}

uint32_t CPresetSaver::Load(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex, PresetData* record,
                            const char* language) {
    DialogTexts texts;
    PrepareDialog(translation_, library, effectIndex, language, u"Load Preset", kTextOpenPreset, &texts);
    if (!record) return LoadError();
    char16_t path[kPresetPathCapacity] = {};
    if (!ShowOpenDialog(ownerWindow, texts.title.c_str(), texts.filter, texts.extension.c_str(),
                                  path, kPresetPathCapacity))
        return kPresetOk;
    if (!path[0]) return LoadError();

    const EffectRef ref{library ? library->CreateEffect(effectIndex) : nullptr};
    IVideoEffect* effect = ref.effect;
    // NOTE: read into a copy so that the host's record changes only when the
    // file is accepted.
    PresetData loaded = *record;
    std::string narrowPath;
    uint32_t result = kPresetOk;
    if (!platform::Utf16ToNarrow(path, &narrowPath) || !ReadPresetFile(narrowPath.c_str(), &loaded)) {
        result = LoadError();
    } else if (ValidatePreset(library, effectIndex, &loaded)) {
        HoldPresetValues(library, effectIndex, &loaded);
        *record = loaded;
    } else if (effect) {
        const std::u16string warning = OpenWarningText(loaded.effectName, effect->GetEffectName());
        Exclaim(kOpenWarningTitle, warning.c_str());
        result = kPresetOtherEffect;
    } else {
        result = LoadError();
    }
    return result;
}

IPresetSaver* NewPresetSaver() { return new (std::nothrow) CPresetSaver(); }

} // namespace svt
