#include "library/multilingual.h"

#include <string>

#include "platform/platform.h"

namespace svt {

namespace {

// The language library's file name without the platform's ending.
constexpr const char* kLanguageLibraryStem = "SVLang";

using GetLangXMLParserFn = ILangXMLParser* (*)();
using CanUnloadFn = Bool8 (*)();

// Unloads the language library unless it says it is still in use (its
// CanUnloadDLLNow exists and answers false), and forgets the handle either way.
void DropLanguageLibrary(void*& library) {
    if (!library) return;
    const auto canUnload = reinterpret_cast<CanUnloadFn>(platform::FindExport(library, "CanUnloadDLLNow"));
    if (!canUnload || canUnload()) platform::FreeLibrary(library);
    library = nullptr;
}

bool OpenWith(ILangXMLParser* parser, const char* path) {
    std::u16string wide;
    if (!path || !*path || !platform::NarrowToUtf16(path, &wide)) return false;
    return parser->Open(wide.c_str()) != 0;
}

} // namespace

bool CMultiLingualBase::LoadLanguageResources(const char* fileName) {
    loaded_ = 0;
    if (parser_) return loaded_ != 0; // a second load keeps the parser but reports nothing loaded
    DropLanguageLibrary(languageLibrary_);
    // NOTE: called while the library object is built; running out of memory
    // here leaves it without translations rather than throwing to the host.
    try {
        return LoadParser(fileName);
    } catch (...) {
        if (parser_) parser_->Release();
        parser_ = nullptr;
        loaded_ = 0;
        return false;
    }
}

bool CMultiLingualBase::LoadParser(const char* fileName) {
    const std::string libraryName = std::string(kLanguageLibraryStem) + platform::LibrarySuffix();
    const std::string libraryPath = platform::PathBesideModule(libraryName.c_str());
    const std::string filePath = fileName ? platform::PathBesideModule(fileName) : std::string();
    if (!libraryPath.empty()) languageLibrary_ = platform::LoadLibrary(libraryPath.c_str());
    if (!languageLibrary_) languageLibrary_ = platform::LoadLibrary(libraryName.c_str());
    if (!languageLibrary_) return false;

    const auto factory = reinterpret_cast<GetLangXMLParserFn>(platform::FindExport(languageLibrary_, "GetLangXMLParser"));
    if (!factory) return false;
    parser_ = factory();
    if (!parser_) return false;
    loaded_ = (OpenWith(parser_, filePath.c_str()) || OpenWith(parser_, fileName)) ? 1 : 0;
    return loaded_ != 0;
}

void CMultiLingualBase::UnloadLanguageResources() {
    loaded_ = 0;
    if (parser_) {
        parser_->Release();
        parser_ = nullptr;
    }
    DropLanguageLibrary(languageLibrary_);
}

int64_t CMultiLingualBase::EnumerateLanguages(uint32_t index, char* code, uint32_t codeCapacity, char16_t* name,
                                              uint32_t nameCapacity, uint32_t reserved0, uint64_t reserved1) {
    if (!loaded_ || !parser_) return 0;
    return parser_->EnumerateLanguages(index, code, codeCapacity, name, nameCapacity, reserved0, reserved1);
}

uint32_t CMultiLingualBase::Translate(const char* language, uint32_t section, const char* key, char16_t* out,
                                      uint32_t capacity) {
    if (!loaded_ || !parser_) return 0;
    return parser_->Translate(language, section, key, out, capacity);
}

const char* CMultiLingualBase::CurrentLanguage() {
    if (!loaded_ || !parser_) return nullptr;
    return parser_->CurrentLanguage();
}

Bool8 CMultiLingualBase::HasLanguage(const char* code) {
    if (!loaded_ || !parser_) return 0;
    return parser_->HasLanguage(code);
}

} // namespace svt
