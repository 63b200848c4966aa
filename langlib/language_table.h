// The contents of one language file, read once and then only looked up.
// The format is described in langlib/README.md.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace svt::lang {

struct Language {
    std::string code;    // two lower-case ASCII letters
    std::u16string name; // the language's own name ("Deutsch")

    struct Key {
        uint32_t section;
        std::string key;
    };
    struct KeyLess {
        using is_transparent = void;
        template <class A, class B>
        bool operator()(const A& a, const B& b) const {
            if (a.section != b.section) return a.section < b.section;
            return std::string_view(a.key) < std::string_view(b.key);
        }
    };
    struct KeyView {
        uint32_t section;
        std::string_view key;
    };
    std::map<Key, std::u16string, KeyLess> texts;

    // The text of `key` in `section`, or null.
    const std::u16string* Find(uint32_t section, std::string_view key) const;
};

class LanguageTable {
public:
    // Reads the file at the UTF-8 path `path`. On success the table holds the
    // file's languages; on failure it is left as it was. Fails for a file
    // that cannot be read or parsed, whose root is not "Languages", or that
    // holds no valid language.
    bool Load(const char* path);
    // The same from text in memory (the tests and Load share it).
    bool LoadText(const char* text, size_t size);

    // The language with `code` (compared without case), or null.
    const Language* Find(const char* code) const;
    const std::vector<Language>& languages() const { return languages_; }
    // The file's "default" attribute when that language is in the file, or
    // empty.
    const std::string& defaultCode() const { return defaultCode_; }

private:
    std::vector<Language> languages_;
    std::string defaultCode_;
};

// The two-letter code of the user's message language from the environment
// (LC_ALL, then LC_MESSAGES, then LANG: the first one set decides, as for
// any POSIX program), lower-cased; empty for "C", "POSIX" or anything that
// does not start with two letters.
std::string EnvironmentLanguage();

} // namespace svt::lang
