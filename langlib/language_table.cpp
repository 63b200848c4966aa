#include "langlib/language_table.h"

#include <tinyxml.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/xml_input.h"

namespace svt::lang {

namespace {

// A language file with every transition's texts in a few languages is some
// hundred kilobytes; anything far larger is not one of ours.
constexpr size_t kMaxFileBytes = 16u << 20;
constexpr int kMaxDepth = 64;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// "de", "DE" -> "de"; anything that is not exactly two letters -> empty.
std::string NormaliseCode(const char* code) {
    if (!code || !IsAsciiLetter(code[0]) || !IsAsciiLetter(code[1]) || code[2] != '\0') return {};
    return {Lower(code[0]), Lower(code[1])};
}

bool ParseSection(const char* text, uint32_t* out) {
    if (!text || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

void AppendUtf16(std::u16string* out, uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out->push_back(static_cast<char16_t>(cp));
    }
}

} // namespace

const std::u16string* Language::Find(uint32_t section, std::string_view key) const {
    const auto it = texts.find(KeyView{section, key});
    return it == texts.end() ? nullptr : &it->second;
}

bool LanguageTable::Load(const char* path) {
    std::string text;
    if (!ReadSmallFile(path, kMaxFileBytes, &text)) return false;
    return LoadText(text.data(), text.size());
}

bool LanguageTable::LoadText(const char* text, size_t size) {
    if (!text || !XmlDepthWithin(text, size, kMaxDepth)) return false;
    const std::string prepared = PrepareXmlText(text, size);
    TiXmlDocument doc;
    doc.Parse(prepared.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (doc.Error()) return false;
    const TiXmlElement* root = doc.RootElement();
    if (!root || std::strcmp(root->Value(), "Languages") != 0) return false;

    std::vector<Language> languages;
    for (const TiXmlElement* le = root->FirstChildElement("Language"); le; le = le->NextSiblingElement("Language")) {
        Language language;
        language.code = NormaliseCode(le->Attribute("code"));
        if (language.code.empty()) continue;
        bool duplicate = false;
        for (const Language& l : languages) duplicate = duplicate || l.code == language.code;
        if (duplicate) continue; // the first one wins
        const char* name = le->Attribute("name");
        language.name = Utf8ToUtf16(name ? name : language.code.c_str());
        for (const TiXmlElement* se = le->FirstChildElement("Section"); se; se = se->NextSiblingElement("Section")) {
            uint32_t section = 0;
            if (!ParseSection(se->Attribute("id"), &section)) continue;
            for (const TiXmlElement* te = se->FirstChildElement("Text"); te; te = te->NextSiblingElement("Text")) {
                const char* key = te->Attribute("key");
                const char* value = te->GetText();
                if (!key || !value || !*value) continue;
                language.texts.emplace(Language::Key{section, key}, Utf8ToUtf16(value));
            }
        }
        languages.push_back(std::move(language));
    }
    if (languages.empty()) return false;

    languages_ = std::move(languages);
    defaultCode_ = NormaliseCode(root->Attribute("default"));
    if (!Find(defaultCode_.c_str())) defaultCode_.clear();
    return true;
}

const Language* LanguageTable::Find(const char* code) const {
    const std::string wanted = NormaliseCode(code);
    if (wanted.empty()) return nullptr;
    for (const Language& l : languages_)
        if (l.code == wanted) return &l;
    return nullptr;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        int extra = 0;
        uint32_t cp = 0;
        uint32_t minimum = 0;
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        } else if ((b0 & 0xE0) == 0xC0) {
            extra = 1, cp = b0 & 0x1F, minimum = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            extra = 2, cp = b0 & 0x0F, minimum = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            extra = 3, cp = b0 & 0x07, minimum = 0x10000;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool ok = i + static_cast<size_t>(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            ok = (b & 0xC0) == 0x80;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (!ok || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i; // resynchronise on the next byte
            continue;
        }
        AppendUtf16(&out, cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

bool Utf16ToUtf8(const char16_t* text, std::string* out) {
    if (!out) return false;
    out->clear();
    if (!text) return false;
    for (size_t i = 0; text[i]; ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            const uint32_t lo = text[i + 1];
            if (lo < 0xDC00 || lo > 0xDFFF) return out->clear(), false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return out->clear(), false;
        }
        if (cp < 0x80) {
            out->push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return true;
}

std::string EnvironmentLanguage() {
    const char* value = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        value = std::getenv(name);
        if (value && *value) break;
        value = nullptr;
    }
    if (!value || !IsAsciiLetter(value[0]) || !IsAsciiLetter(value[1])) return {};
    const char after = value[2];
    if (after != '\0' && after != '_' && after != '.' && after != '@') return {};
    return {Lower(value[0]), Lower(value[1])};
}

} // namespace svt::lang
