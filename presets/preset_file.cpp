#include "presets/preset_file.h"

#include <unistd.h>

#include <tinyxml.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/file_replace.h"
#include "platform/text.h"
#include "platform/xml_input.h"

namespace svt {

namespace {

// The maker's libraries and their codes in preset file extensions.
struct MakerLibrary {
    const char* name;
    const char* code;
};
constexpr MakerLibrary kMakerLibraries[] = {
    {"Solvane Tumblers", "tmb"},
};

constexpr const char* kTemplate =
    "<?xml version=\"1.0\"  standalone='no' >\n"
    "<!-- Effect's Preset File -->\n"
    "<Preset>\n"
    "</Preset>\n";

// A preset file holds a hundred short elements at most; anything far larger
// is not a preset file.
constexpr size_t kMaxFileBytes = 1u << 20;
constexpr int kMaxDepth = 64;

// --- Numbers, independent of the process's locale ---------------------------

std::string FormatFloat(float v) {
    char buf[400]; // "%f" of the largest float needs 46 characters
    const auto r = std::to_chars(buf, buf + sizeof(buf), static_cast<double>(v), std::chars_format::fixed, 6);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0.000000");
}

std::string FormatInt(int32_t v) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof(buf), v);
    return std::string(buf, r.ptr);
}

const char* SkipSpace(const char* p) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
    return p;
}

// Reads a decimal integer: optional blanks and sign, digits, optional
// blanks, nothing else. Accepts -2^31 to 2^32-1 so that both signed and
// unsigned writers round-trip. False when the text is not such a number.
bool ParseInt(const char* text, uint32_t* out) {
    if (!text) return false;
    const char* p = SkipSpace(text);
    const char* end = p + std::strlen(p);
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint64_t magnitude = 0;
    const auto r = std::from_chars(p, end, magnitude);
    if (r.ec != std::errc() || r.ptr == p || *SkipSpace(r.ptr) != '\0') return false;
    if (negative ? magnitude > 0x80000000ull : magnitude > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(negative ? 0 - magnitude : magnitude);
    return true;
}

// Reads a decimal number the same way (no hexadecimal, no "nan" or "inf")
// and narrows it to float. A finite number past the float range becomes the
// largest float of its sign, for the range check to hold; a number that
// overflows even a double ("1e999") is not finite and fails.
bool ParseFloat(const char* text, float* out) {
    if (!text) return false;
    const char* p = SkipSpace(text);
    const char* end = p + std::strlen(p);
    if (*p == '+') ++p;
    double d = 0;
    const auto r = std::from_chars(p, end, d, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr == p || *SkipSpace(r.ptr) != '\0' || !std::isfinite(d)) return false;
    constexpr double kMax = std::numeric_limits<float>::max();
    *out = static_cast<float>(d > kMax ? kMax : d < -kMax ? -kMax : d);
    return true;
}

// --- Elements -------------------------------------------------------------

// A value attribute that is absent leaves its part zero; one that is
// present but not a number makes the element (and the file) unreadable.
bool ReadFloatAttribute(const TiXmlElement& e, const char* name, float* out) {
    const char* text = e.Attribute(name);
    return !text || ParseFloat(text, out);
}
bool ReadIntAttribute(const TiXmlElement& e, const char* name, uint32_t* out) {
    const char* text = e.Attribute(name);
    return !text || ParseInt(text, out);
}

bool ReadEntry(const TiXmlElement& e, PresetEntry* entry) {
    *entry = PresetEntry{};
    uint32_t type = 0;
    if (!ReadIntAttribute(e, "type", &type)) return false;
    entry->type = type;
    switch (type) {
    case kParamPoint: {
        float x = 0, y = 0;
        if (!ReadFloatAttribute(e, "x", &x) || !ReadFloatAttribute(e, "y", &y)) return false;
        entry->value = ParamValue::Point(x, y);
        return true;
    }
    case kParamSlider: {
        float v = 0;
        if (!ReadFloatAttribute(e, "value", &v)) return false;
        entry->value = ParamValue::Slider(v);
        return true;
    }
    case kParamChoice:
    case 3: {
        uint32_t v = 0;
        if (!ReadIntAttribute(e, "value", &v)) return false;
        entry->value = ParamValue::FromWords(v, 0);
        return true;
    }
    case kParamCheck: {
        uint32_t v = 0;
        if (!ReadIntAttribute(e, "value", &v)) return false;
        entry->value = ParamValue::Check(v != 0);
        return true;
    }
    default:
        return true; // unknown type: zero value, for validation to judge
    }
}

void WriteEntry(const PresetEntry& entry, TiXmlElement* e) {
    e->SetAttribute("type", FormatInt(static_cast<int32_t>(entry.type)).c_str());
    switch (entry.type) {
    case kParamPoint:
        e->SetAttribute("x", FormatFloat(entry.value.X()).c_str());
        e->SetAttribute("y", FormatFloat(entry.value.Y()).c_str());
        break;
    case kParamSlider:
        e->SetAttribute("value", FormatFloat(entry.value.AsSlider()).c_str());
        break;
    case kParamChoice:
    case 3:
        e->SetAttribute("value", FormatInt(static_cast<int32_t>(entry.value.Word(0))).c_str());
        break;
    case kParamCheck:
        e->SetAttribute("value", entry.value.AsCheck() ? "1" : "0");
        break;
    default:
        break; // nothing known to write
    }
}

// A name field as text, even when the host left it unterminated.
std::string FieldText(const char (&field)[kPresetTextBytes]) {
    return std::string(field, strnlen(field, kPresetTextBytes - 1));
}

} // namespace

std::string PresetExtension(const char* libraryName, uint32_t effectIndex) {
    if (!libraryName || effectIndex >= 26) return "prs";
    const char* code = "unk";
    for (const MakerLibrary& row : kMakerLibraries)
        if (std::strcmp(row.name, libraryName) == 0) code = row.code;
    return std::string("fxp") + code + static_cast<char>('a' + effectIndex);
}

size_t BuildPresetFilter(const char16_t* label, const std::string& extension, char16_t* out, size_t capacity) {
    const size_t patterns = 2 * extension.size() + 10; // " (*." ")" NUL "*." NUL NUL
    if (!out || capacity < patterns) {
        if (out && capacity >= 2) out[0] = out[1] = 0;
        return 0;
    }
    size_t labelLength = 0;
    while (label && label[labelLength]) ++labelLength;
    if (labelLength > capacity - patterns) labelLength = capacity - patterns;
    if (labelLength > 0 && label[labelLength - 1] >= 0xD800 && label[labelLength - 1] <= 0xDBFF) --labelLength;

    size_t n = 0;
    const auto put = [&](char16_t c) { out[n++] = c; };
    const auto putAscii = [&](const char* s) {
        while (*s) put(static_cast<char16_t>(static_cast<unsigned char>(*s++)));
    };
    for (size_t i = 0; i < labelLength; ++i) put(label[i]);
    putAscii(" (*.");
    putAscii(extension.c_str());
    putAscii(")");
    put(0);
    putAscii("*.");
    putAscii(extension.c_str());
    put(0);
    put(0);
    return n;
}

namespace {

// Names are the host's narrow text, in the system's code page; the file holds
// them as UTF-8, so that a name outside ASCII survives a round trip where the
// code page is not UTF-8. Text that does not convert is kept as it is.
std::string NarrowToFileText(const std::string& narrow) {
    std::u16string wide;
    std::string utf8;
    if (platform::NarrowToUtf16(narrow.c_str(), &wide) && platform::Utf16ToUtf8(wide.c_str(), &utf8)) return utf8;
    return narrow;
}

std::string FileTextToNarrow(const char* utf8) {
    if (!utf8) return {};
    std::u16string wide;
    std::string narrow;
    if (platform::Utf8ToUtf16(utf8, &wide) && platform::Utf16ToNarrow(wide.c_str(), &narrow)) return narrow;
    return utf8;
}

} // namespace

void CopyPresetName(char (&field)[kPresetTextBytes], const char* text) {
    size_t n = text ? std::strlen(text) : 0;
    if (n > kPresetTextBytes - 1) {
        n = kPresetTextBytes - 1;
        // Back off over continuation bytes to the start of the cut character.
        size_t start = n;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
        n = start;
    }
    if (n > 0) std::memcpy(field, text, n);
    std::memset(field + n, 0, kPresetTextBytes - n);
}

bool WritePresetFile(const char* path, const PresetData& record) {
    if (!path || !*path) return false;
    TiXmlDocument doc;
    doc.Parse(kTemplate);
    TiXmlElement* root = doc.FirstChildElement("Preset");
    if (doc.Error() || !root) return false;
    root->SetAttribute("Name", NarrowToFileText(FieldText(record.name)).c_str());
    root->SetAttribute("LibraryName", NarrowToFileText(FieldText(record.libraryName)).c_str());
    root->SetAttribute("EffectName", NarrowToFileText(FieldText(record.effectName)).c_str());
    const int32_t count = record.count < 0 ? 0 : record.count > kPresetMaxEntries ? kPresetMaxEntries : record.count;
    for (int32_t i = 0; i < count; ++i) {
        TiXmlElement e("parameter");
        WriteEntry(record.entries[i], &e);
        root->InsertEndChild(e);
    }

    // NOTE: printed by TinyXML's own file printer, into the replacement file.
    return platform::ReplaceFile(path, 0666, [&](int fd) {
        const int own = ::dup(fd);
        FILE* fp = own >= 0 ? ::fdopen(own, "w") : nullptr;
        if (!fp) {
            if (own >= 0) ::close(own);
            return false;
        }
        bool ok = doc.SaveFile(fp);
        ok = std::fflush(fp) == 0 && ok;
        return std::fclose(fp) == 0 && ok;
    });
}

bool ReadPresetText(const char* text, size_t size, PresetData* record) {
    if (!record || !text || !XmlDepthWithin(text, size, kMaxDepth)) return false;
    const std::string prepared = PrepareXmlText(text, size);
    TiXmlDocument doc;
    doc.Parse(prepared.c_str());
    if (doc.Error()) return false;
    const TiXmlElement* root = doc.FirstChildElement("Preset");
    if (!root) return false;

    record->count = 0;
    CopyPresetName(record->name, FileTextToNarrow(root->Attribute("Name")).c_str());
    CopyPresetName(record->libraryName, FileTextToNarrow(root->Attribute("LibraryName")).c_str());
    CopyPresetName(record->effectName, FileTextToNarrow(root->Attribute("EffectName")).c_str());
    for (const TiXmlElement* e = root->FirstChildElement("parameter"); e; e = e->NextSiblingElement()) {
        PresetEntry entry;
        if (!ReadEntry(*e, &entry)) return false;
        if (record->count < kPresetMaxEntries) record->entries[record->count++] = entry;
    }
    return record->count != 0;
}

bool ReadPresetFile(const char* path, PresetData* record) {
    std::string text;
    if (!record || !ReadSmallFile(path, kMaxFileBytes, &text)) return false;
    return ReadPresetText(text.data(), text.size(), record);
}

bool ValidatePreset(IEffectLibrary* library, uint32_t effectIndex, const PresetData* record) {
    if (!record) return false;
    if (!library) return record->count > 0;
    IVideoEffect* effect = library->CreateEffect(effectIndex);
    if (!effect) return false;
    // Released however the comparison ends (it may run out of memory).
    const struct Held {
        IVideoEffect* effect;
        ~Held() { effect->Release(); }
    } held{effect};
    const char* libraryName = library->GetLibraryName();
    const char* effectName = effect->GetEffectName();
    bool valid = libraryName && effectName && FieldText(record->libraryName) == libraryName &&
                 FieldText(record->effectName) == effectName;
    ParamInfo info;
    for (uint32_t i = 0; valid && effect->GetParamInfo(i, &info); ++i)
        valid = static_cast<int64_t>(i) < record->count && record->entries[i].type == info.type;
    return valid;
}

void HoldPresetValues(IEffectLibrary* library, uint32_t effectIndex, PresetData* record) {
    if (!library || !record) return;
    IVideoEffect* effect = library->CreateEffect(effectIndex);
    if (!effect) return;
    const auto unit = [](float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; };
    ParamInfo info;
    for (uint32_t i = 0; static_cast<int64_t>(i) < record->count && effect->GetParamInfo(i, &info); ++i) {
        PresetEntry& entry = record->entries[i];
        if (entry.type != info.type) continue;
        switch (info.type) {
        case kParamSlider: entry.value = ParamValue::Slider(unit(entry.value.AsSlider())); break;
        case kParamPoint: entry.value = ParamValue::Point(unit(entry.value.X()), unit(entry.value.Y())); break;
        case kParamChoice:
            if (info.choice.count > 0 && entry.value.AsChoice() >= info.choice.count)
                entry.value = ParamValue::FromWords(info.choice.count - 1, entry.value.Word(1));
            break;
        default: break;
        }
    }
    effect->Release();
}

} // namespace svt
