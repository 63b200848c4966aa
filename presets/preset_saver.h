// CPresetSaver: the IPresetSaver a host gets from CreatePresetSaver. It shows
// the file dialog, writes or reads a preset file (presets/preset_file.h),
// checks that a loaded file belongs to the transition at hand, and reports
// problems in message boxes (library/host_dialogs.h).
#pragma once


#include "library/abi.h"
#include "library/translation.h"
#include "platform/ref_count.h"

namespace svt {

// The three messages, shown with the exclamation icon. They stay in English
// whatever language the dialogs use.
inline constexpr const char16_t* kSaveErrorTitle = u"Preset save error";
inline constexpr const char16_t* kSaveErrorText =
    u"Sorry, can't save preset.\nPossible reason: access denied or disk is full.";
inline constexpr const char16_t* kLoadErrorTitle = u"Preset load error";
inline constexpr const char16_t* kLoadErrorText =
    u"Sorry, can't open the preset specified.\nPossible reason: access denied or file is corrupted.";
inline constexpr const char16_t* kOpenWarningTitle = u"Preset open warning";

// Wide characters of the dialog's path buffer and of the filter text.
inline constexpr uint32_t kPresetPathCapacity = 1024;
inline constexpr uint32_t kPresetFilterCapacity = 260;

class CPresetSaver final : public IPresetSaver {
public:
    CPresetSaver() = default;
    CPresetSaver(const CPresetSaver&) = delete;
    CPresetSaver& operator=(const CPresetSaver&) = delete;

    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // 3: shows the open dialog and reads the chosen file. Returns 0 when the
    // file was loaded (the record then holds its values) or the user
    // cancelled; 1 after the load error; 2 after the warning that the file
    // belongs to another transition. The record changes only with result 0.
    uint32_t LoadPreset(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex, PresetData* record,
                        const char* language) override;
    // 4: shows the save dialog and writes the record's first `count` entries
    // with the library's and the transition's names. Returns 0 when written
    // or cancelled, 1 after the save error.
    // Neither slot throws: running out of memory is a load or save error.
    uint32_t SavePreset(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex, PresetData* record,
                        const char* language) override;
    void DeleteSelf(uint32_t flags) override; // 5

private:
    ~CPresetSaver() = default;
    uint32_t Load(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex, PresetData* record,
                  const char* language);
    uint32_t Save(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex, PresetData* record,
                  const char* language);

    platform::RefCount refs_;
    TranslationHelper translation_;
};

// The warning text for a file of `fileEffect` opened from `currentEffect`.
std::u16string OpenWarningText(const char* fileEffect, const char* currentEffect);

IPresetSaver* NewPresetSaver();

} // namespace svt
