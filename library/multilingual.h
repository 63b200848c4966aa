// CMultiLingualBase: the library's IMultiLingual sub-object. It loads the
// language library and its parser, opens the library's language file, and
// forwards IMultiLingual slots 3 to 6 to the parser.
#pragma once

#include "library/abi.h"
#include "library/language_parser.h"

namespace svt {

// The library's language file, looked for beside the module.
inline constexpr const char* kLanguageFileName = "SVTumblersLang.xml";

class CMultiLingualBase : public IMultiLingual {
public:
    CMultiLingualBase() = default;
    CMultiLingualBase(const CMultiLingualBase&) = delete;
    CMultiLingualBase& operator=(const CMultiLingualBase&) = delete;

    // Loads the language library beside the module (then through the
    // platform's search order) and opens `fileName` beside the module with
    // its parser (then the bare name). Returns the loaded flag; failure
    // leaves the library without translations. Called once, when the
    // library object is built: while a parser is held a second call keeps it
    // but reports (and sets) nothing loaded.
    bool LoadLanguageResources(const char* fileName);
    // Releases the parser and unloads the language library when it allows.
    void UnloadLanguageResources();

    int64_t EnumerateLanguages(uint32_t index, char* code, uint32_t codeCapacity, char16_t* name,
                               uint32_t nameCapacity, uint32_t reserved0, uint64_t reserved1) override;
    uint32_t Translate(const char* language, uint32_t section, const char* key, char16_t* out,
                       uint32_t capacity) override;
    const char* CurrentLanguage() override;
    Bool8 HasLanguage(const char* code) override;

protected:
    ~CMultiLingualBase() = default;

    bool LoadParser(const char* fileName);

    ILangXMLParser* parser_ = nullptr;
    void* languageLibrary_ = nullptr;
    uint8_t loaded_ = 0;
};

} // namespace svt
