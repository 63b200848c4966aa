// Matching what a person types against the names the tool knows, in any
// language the language file holds: case folded (ASCII and the Latin-1
// letters, "_" and "-" read as spaces), and the closest name by edit
// distance when nothing matches, for "did you mean".
#pragma once

#include <string>
#include <vector>

namespace svt::host {

// The ASCII letter under an accented Latin-1 letter ('é' -> 'e', 'Ü' -> 'U'),
// an ASCII character itself, '\x7f' for anything else.
char BaseLetter(char16_t c);
// `text` (UTF-8) folded for comparison: lower case, accents off.
std::u16string Folded(const std::string& text);
bool SameWords(const std::string& a, const std::string& b);
// Levenshtein distance in UTF-16 units.
size_t EditDistance(const std::u16string& a, const std::u16string& b);

// The index of the one candidate that starts with `typed` (two letters at
// least; "3D" may be left out), else of the candidate closest to `typed`
// when it is close enough to be a slip (at most a third of the candidate's length, 1 to 3 edits, or
// `maxDistance` when given), -1 otherwise. Empty candidates are ignored.
int Closest(const std::string& typed, const std::vector<std::string>& candidates, size_t maxDistance = 0);

// One thing a person may name in two ways: the module's own (English) word
// and its translation. Looks up `typed` in either (folded); on no match
// returns -1 and sets *suggestion to the closest form, if one is close.
struct NamePair {
    std::string english, shown;
};
int FindName(const std::string& typed, const std::vector<NamePair>& names, std::string* suggestion,
             size_t maxDistance = 0);
// "; did you mean \"X\"?" for a non-empty suggestion, else "".
std::string DidYouMean(const std::string& suggestion);

// Characters (not bytes) of a UTF-8 text, and the text padded with spaces
// to `width` characters, for tables.
size_t DisplayWidth(const std::string& text);
std::string Padded(const std::string& text, size_t width);

// A JSON string literal (UTF-8 passes through; control characters escaped).
std::string JsonString(const std::string& text);
} // namespace svt::host
