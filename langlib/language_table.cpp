#include "langlib/language_table.h"

#include <tinyxml.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"
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

// The file's text up to its first zero byte with every broken UTF-8 sequence
// replaced by U+FFFD, so that one stray byte costs one character of one text
// and TinyXML only ever sees well-formed UTF-8.
std::string RepairUtf8(const char* text, size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t length = 0;
    while (length < size && bytes[length]) ++length;
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length;) {
        bool valid = false;
        const size_t n = xml_input_detail::Utf8SequenceAt(bytes, length, i, &valid);
        if (valid)
            out.append(text + i, n);
        else
            out.append("\xEF\xBF\xBD");
        i += n;
    }
    return out;
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
    const std::string repaired = RepairUtf8(text, size);
    const std::string prepared = PrepareXmlText(repaired.data(), repaired.size());
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
        language.name = platform::Utf8ToUtf16Lossy(name ? name : language.code.c_str());
        for (const TiXmlElement* se = le->FirstChildElement("Section"); se; se = se->NextSiblingElement("Section")) {
            uint32_t section = 0;
            if (!ParseSection(se->Attribute("id"), &section)) continue;
            for (const TiXmlElement* te = se->FirstChildElement("Text"); te; te = te->NextSiblingElement("Text")) {
                const char* key = te->Attribute("key");
                const char* value = te->GetText();
                if (!key || !value || !*value) continue;
                language.texts.emplace(Language::Key{section, key}, platform::Utf8ToUtf16Lossy(value));
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
