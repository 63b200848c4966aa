// The table between the module and its language library (langlib/): the
// only thing the two share besides library/abi.h.
#pragma once

#include "library/abi.h"

namespace svt {

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

} // namespace svt
