#include "library/multilingual.h"

namespace svt {

bool CMultiLingualBase::LoadLanguageResources(const char*) {
    loaded_ = 0;
    return false;
}

void CMultiLingualBase::UnloadLanguageResources() {}

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
