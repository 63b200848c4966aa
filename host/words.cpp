#include "host/words.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"

namespace svt::host {

char BaseLetter(char16_t c) {
    static const char kBase[] = "AAAAAAACEEEEIIIIDNOOOOO*OUUUUYPsaaaaaaaceeeeiiiidnooooo/ouuuuypy";
    if (c < 0x80) return char(c);
    return c >= 0xC0 && c <= 0xFF ? kBase[c - 0xC0] : '\x7f';
}

std::u16string Folded(const std::string& text) {
    std::u16string s = platform::Utf8ToUtf16Lossy(text);
    for (char16_t& c : s) {
        if (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) c = char16_t(BaseLetter(c));
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 0x20);
        else if (c == u'_' || c == u'-') c = u' ';
    }
    return s;
}

bool SameWords(const std::string& a, const std::string& b) { return Folded(a) == Folded(b); }

size_t EditDistance(const std::u16string& x, const std::u16string& y) {
    std::vector<size_t> row(y.size() + 1);
    for (size_t j = 0; j <= y.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= x.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= y.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[y.size()];
}

int Closest(const std::string& typed, const std::vector<std::string>& candidates, size_t maxDistance) {
    const std::u16string t = Folded(typed);
    // The start of one name ("box" for "3D Box Fold") is a better guess than
    // whatever lies a few edits away.
    int prefixed = -1;
    std::u16string prefixedForm;
    bool unique = t.size() >= 2;
    for (size_t i = 0; i < candidates.size() && unique; ++i) {
        std::u16string c = Folded(candidates[i]);
        if (c.rfind(u"3d ", 0) == 0 && t.rfind(u"3d", 0) != 0) c.erase(0, 3);
        if (c.rfind(t, 0) != 0 || c == prefixedForm) continue;
        unique = prefixed < 0;
        prefixed = int(i), prefixedForm = c;
    }
    if (unique && prefixed >= 0) return prefixed;
    int best = -1;
    size_t bestDistance = SIZE_MAX;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const std::u16string c = Folded(candidates[i]);
        if (c.empty()) continue;
        const size_t limit = maxDistance ? maxDistance : std::clamp<size_t>(c.size() / 3, 1, 3);
        const size_t d = EditDistance(t, c);
        if (d <= limit && d < bestDistance) bestDistance = d, best = int(i);
    }
    return best;
}

int FindName(const std::string& typed, const std::vector<NamePair>& names, std::string* suggestion,
             size_t maxDistance) {
    const std::u16string t = Folded(typed);
    for (size_t i = 0; i < names.size(); ++i)
        if (Folded(names[i].english) == t || (!names[i].shown.empty() && Folded(names[i].shown) == t)) return int(i);
    std::vector<std::string> forms;
    for (const NamePair& n : names) forms.insert(forms.end(), {n.english, n.shown});
    const int best = Closest(typed, forms, maxDistance);
    if (suggestion) *suggestion = best < 0 ? "" : forms[size_t(best)];
    return -1;
}

std::string DidYouMean(const std::string& suggestion) {
    return suggestion.empty() ? "" : "; did you mean \"" + suggestion + "\"?";
}

size_t DisplayWidth(const std::string& text) {
    return size_t(std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Padded(const std::string& text, size_t width) {
    const size_t w = DisplayWidth(text);
    return w >= width ? text : text + std::string(width - w, ' ');
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}
} // namespace svt::host
