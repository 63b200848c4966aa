// SVLang.so: the language library. Its factory GetLangXMLParser hands out
// parser objects that read one language file each and answer lookups in it
// (the table ILangXMLParser of library/language_parser.h).
#include <atomic>
#include <cstring>
#include <new>

#include "langlib/language_table.h"
#include "library/language_parser.h"
#include "platform/ref_count.h"
#include "platform/text.h"

#define SVLANG_EXPORT extern "C" __attribute__((visibility("default")))

namespace svt::lang {

namespace {

std::atomic<uint32_t> g_liveParsers{0};

// Copies `text` into `out` cut at capacity - 1 characters, never splitting a
// surrogate pair, and terminates it. Returns the characters written.
uint32_t CopyCut(const std::u16string& text, char16_t* out, uint32_t capacity) {
    if (!out || capacity == 0) return 0;
    size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    std::memcpy(out, text.data(), n * sizeof(char16_t));
    out[n] = 0;
    return static_cast<uint32_t>(n);
}

class LangXMLParser final : public ILangXMLParser {
public:
    LangXMLParser() { g_liveParsers.fetch_add(1, std::memory_order_acq_rel); }
    ~LangXMLParser() { g_liveParsers.fetch_sub(1, std::memory_order_acq_rel); }

    Result QueryInterface(const GUID* iid, void** out) override {
        if (!out) return kNullOutPointer;
        *out = nullptr;
        if (!iid || !(*iid == IID_IUnknown)) return kNoInterface;
        *out = this;
        AddRef();
        return kOk;
    }

    uint32_t AddRef() override { return refs_.AddRef(); }

    uint32_t Release() override {
        const uint32_t left = refs_.Release();
        if (left == 0) delete this;
        return left;
    }

    uint32_t GetVersion() override { return 1; }

    Bool8 Open(const char16_t* path) override {
        // NOTE: a parser sits inside someone else's process; running out of
        // memory while reading a file must not take it down.
        try {
            std::string narrow;
            if (!platform::Utf16ToNarrow(path, &narrow) || narrow.empty()) return 0;
            return table_.Load(narrow.c_str()) ? 1 : 0;
        } catch (...) {
            return 0;
        }
    }

    int64_t EnumerateLanguages(uint32_t index, char* code, uint32_t codeCapacity, char16_t* name,
                               uint32_t nameCapacity, uint32_t, uint64_t) override {
        const auto& languages = table_.languages();
        if (index < languages.size()) {
            const Language& l = languages[index];
            if (code && codeCapacity > 0) {
                const size_t n = l.code.size() < codeCapacity - 1 ? l.code.size() : codeCapacity - 1;
                std::memcpy(code, l.code.data(), n);
                code[n] = '\0';
            }
            CopyCut(l.name, name, nameCapacity);
        } else {
            if (code && codeCapacity > 0) code[0] = '\0';
            if (name && nameCapacity > 0) name[0] = 0;
        }
        return static_cast<int64_t>(languages.size());
    }

    uint32_t Translate(const char* language, uint32_t section, const char* key, char16_t* out,
                       uint32_t capacity) override {
        if (out && capacity > 0) out[0] = 0;
        if (!key || !out || capacity == 0) return 0;
        const Language* l = (language && *language) ? table_.Find(language) : table_.Find(CurrentLanguage());
        if (!l) return 0;
        const std::u16string* text = l->Find(section, key);
        return text ? CopyCut(*text, out, capacity) : 0;
    }

    const char* CurrentLanguage() override {
        const Language* l = table_.Find(EnvironmentLanguage().c_str());
        if (!l) l = table_.Find(table_.defaultCode().c_str());
        return l ? l->code.c_str() : nullptr;
    }

    Bool8 HasLanguage(const char* code) override { return table_.Find(code) ? 1 : 0; }

private:
    platform::RefCount refs_;
    LanguageTable table_;
};

} // namespace

} // namespace svt::lang

// A new parser holding one reference the caller owns, or null.
SVLANG_EXPORT svt::ILangXMLParser* GetLangXMLParser() {
    return new (std::nothrow) svt::lang::LangXMLParser();
}

// True when no parser is alive, so the library may be unloaded.
SVLANG_EXPORT svt::Bool8 CanUnloadDLLNow() {
    return svt::lang::g_liveParsers.load(std::memory_order_acquire) == 0 ? 1 : 0;
}
