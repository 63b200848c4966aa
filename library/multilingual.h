// CMultiLingualBase: the library's IMultiLingual sub-object. It loads the
// language library and its parser, opens the library's language file, and
// forwards IMultiLingual slots 3 to 6 to the parser.
#pragma once

#include "library/abi.h"

namespace svt {

// The library's language file, looked for beside the module.
inline constexpr const char* kLanguageFileName = "SVTumblersLang.xml";

// The parser object the language library's "GetLangXMLParser" returns
// (langlib/README.md describes our library and its file). Slot 2 releases
// it, slot 4 opens a language file by its UTF-16 path (false leaves what it
// had), slots 5 to 8 serve IMultiLingual slots 3 to 6 with the same
// arguments: 6 cuts a text at capacity - 1 and terminates it, returning the
// characters written (0: no text); 7 answers a two-letter code or null.
struct ILangXMLParser {
    virtual Result QueryInterface(const GUID* iid, void** out) = 0;               // 0
    virtual uint32_t AddRef() = 0;                                                // 1
    virtual uint32_t Release() = 0;                                               // 2
    virtual uint32_t GetVersion() = 0;                                            // 3
    virtual Bool8 Open(const char16_t* path) = 0;                                 // 4
    virtual int64_t EnumerateLanguages(uint32_t index, char* code, uint32_t codeCapacity, char16_t* name,
                                       uint32_t nameCapacity, uint32_t reserved0, uint64_t reserved1) = 0; // 5
    virtual uint32_t Translate(const char* language, uint32_t section, const char* key, char16_t* out,
                               uint32_t capacity) = 0;                            // 6
    virtual const char* CurrentLanguage() = 0;                                    // 7
    virtual Bool8 HasLanguage(const char* code) = 0;                              // 8
protected:
    ~ILangXMLParser() = default;
};

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

    ILangXMLParser* parser_ = nullptr;
    void* languageLibrary_ = nullptr;
    uint8_t loaded_ = 0;
};

} // namespace svt
