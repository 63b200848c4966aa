// libFuzzer target: the language file reader on arbitrary bytes. Built and
// run by scripts/fuzz (target "language"), outside the normal build.
#include <cstddef>
#include <cstdint>

#include "langlib/language_table.h"

namespace {

bool WellFormedUtf16(const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    svt::lang::LanguageTable table;
    if (!table.LoadText(reinterpret_cast<const char*>(data), size)) {
        if (!table.languages().empty()) __builtin_trap(); // a failed load keeps what the table had (nothing)
        return 0;
    }
    // What a successful load promises: languages with two-letter lower-case
    // codes, found again by their codes, and texts that are whole UTF-16.
    if (table.languages().empty()) __builtin_trap();
    for (const svt::lang::Language& l : table.languages()) {
        if (l.code.size() != 2 || l.code[0] < 'a' || l.code[0] > 'z' || l.code[1] < 'a' || l.code[1] > 'z')
            __builtin_trap();
        if (table.Find(l.code.c_str()) != &l || !WellFormedUtf16(l.name)) __builtin_trap();
        for (const auto& [key, text] : l.texts)
            if (text.empty() || !WellFormedUtf16(text) || l.Find(key.section, key.key) != &text) __builtin_trap();
    }
    if (!table.defaultCode().empty() && !table.Find(table.defaultCode().c_str())) __builtin_trap();
    return 0;
}
