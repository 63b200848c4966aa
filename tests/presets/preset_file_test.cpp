// The preset file format on its own: extension and filter, names that do not
// fit, the document as written, and reading files that are not quite right.
#include <clocale>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "presets/preset_file.h"
#include "tests/presets/scratch_folder.h"

namespace svt {
namespace {

using test::ScratchFolder;

PresetData Record(std::initializer_list<PresetEntry> entries) {
    PresetData r{};
    std::strcpy(r.name, "Mine");
    std::strcpy(r.libraryName, "Solvane Tumblers");
    std::strcpy(r.effectName, "3D Box Fold");
    for (const PresetEntry& e : entries) r.entries[r.count++] = e;
    return r;
}

std::string Document(const std::string& body) {
    return "<?xml version=\"1.0\" ?><Preset Name=\"n\" LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\">" +
           body + "</Preset>";
}

bool Read(const std::string& text, PresetData* r) { return ReadPresetText(text.data(), text.size(), r); }

TEST(PresetNaming, ExtensionFilterAndLongNames) {
    EXPECT_EQ(PresetExtension("Solvane Tumblers", 0), "fxptmba");
    EXPECT_EQ(PresetExtension("Solvane Tumblers", 12), "fxptmbm");
    EXPECT_EQ(PresetExtension(nullptr, 0), "prs");
    EXPECT_EQ(PresetExtension("Solvane Tumblers", 26), "prs") << "no letter past 'z'";

    // (The filter as the dialogs show it: the saver's dialog test.) A label
    // too long for the 260-character buffer is cut; the patterns and both
    // final zeros stay: 260 - (2 * 7 + 10) = 236 label characters.
    char16_t out[260];
    const std::u16string longLabel(400, u'L');
    EXPECT_EQ(BuildPresetFilter(longLabel.c_str(), "fxptmba", out, 260), 260u);
    EXPECT_EQ(std::u16string(out, 260), std::u16string(236, u'L') + std::u16string(u" (*.fxptmba)\0*.fxptmba\0\0", 24));
    EXPECT_EQ(BuildPresetFilter(u"x", "fxptmba", out, 23), 0u) << "not even the patterns fit";

    // Names are cut to 259 bytes at the last whole character: 258 letters
    // and a two-byte 'é' would need 260 bytes, so the 'é' goes whole.
    char field[260];
    const std::pair<std::string, std::string> names[] = {
        {std::string(300, 'a'), std::string(259, 'a')},
        {std::string(258, 'a') + "\xC3\xA9", std::string(258, 'a')},
        {std::string(257, 'a') + "\xC3\xA9", std::string(257, 'a') + "\xC3\xA9"},
    };
    for (const auto& [given, kept] : names) {
        std::memset(field, '#', sizeof field);
        CopyPresetName(field, given.c_str());
        EXPECT_EQ(std::string(field), kept);
    }
    CopyPresetName(field, nullptr);
    EXPECT_EQ(field[0], '\0');
}

TEST(PresetDocument, WritesTheTemplateAndReadsBackWhatSixDecimalsHold) {
    ScratchFolder folder;
    const std::string file = folder.Write("a.fxptmba", std::string(10000, 'Q')); // to be replaced whole
    PresetData r = Record({{ParamValue::Slider(0.5f), kParamSlider},
                           {ParamValue::Point(0.255814f, 0.767442f), kParamPoint},
                           {ParamValue::Check(true), kParamCheck},
                           {ParamValue::Choice(0xFFFFFFFFu), kParamChoice}, // written as "%d": -1
                           {ParamValue::FromWords(7, 0), 3},
                           {ParamValue::Point(1.0f, 0.000001f), kParamPoint},
                           {ParamValue::Slider(-100.25f), kParamSlider}});
    r.entries[2].value.bytes[0] = 7; // any non-zero byte is "on" and is written as 1
    ASSERT_TRUE(WritePresetFile(file.c_str(), r));
    const std::string text = ScratchFolder::Read(file);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"", 0), 0u) << text;
    EXPECT_EQ(text.find('Q'), std::string::npos);
    EXPECT_EQ(folder.EntryCount(), 1u);
    size_t at = 0;
    for (const char* p : {"<!-- Effect's Preset File -->",
                          "<Preset Name=\"Mine\" LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\">",
                          "<parameter type=\"2\" value=\"0.500000\" />",
                          "<parameter type=\"0\" x=\"0.255814\" y=\"0.767442\" />",
                          "<parameter type=\"4\" value=\"1\" />", "<parameter type=\"1\" value=\"-1\" />",
                          "<parameter type=\"3\" value=\"7\" />"}) {
        const size_t found = text.find(p, at);
        EXPECT_NE(found, std::string::npos) << p << " in order in\n" << text;
        at = found == std::string::npos ? at : found;
    }

    // (Every type of every transition read back: the saver's round trip.) An
    // unknown type keeps its words; 1/3 is not a six-decimal number: it comes
    // back as 0.333333.
    PresetData back{};
    r.entries[0].value = ParamValue::Slider(1.0f / 3);
    ASSERT_TRUE(WritePresetFile(file.c_str(), r));
    ASSERT_TRUE(ReadPresetFile(file.c_str(), &back));
    EXPECT_EQ(back.entries[0].value.AsSlider(), 0.333333f);
    EXPECT_EQ(back.entries[4].value.Word(0), 7u);
    EXPECT_EQ(back.entries[3].value.Word(0), 0xFFFFFFFFu) << "-1 read back";
}

TEST(PresetDocument, NumbersIgnoreTheProcessLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    // scripts/bootstrap generates this locale; without it the test proves nothing.
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is not installed";
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    ScratchFolder folder;
    const std::string file = folder.File("l.fxptmba");
    const bool written = WritePresetFile(file.c_str(), Record({{ParamValue::Slider(0.25f), kParamSlider}}));
    PresetData back{};
    const bool read = ReadPresetFile(file.c_str(), &back);
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_TRUE(written && read);
    EXPECT_NE(ScratchFolder::Read(file).find("value=\"0.250000\""), std::string::npos);
    EXPECT_EQ(back.entries[0].value.AsSlider(), 0.25f);
}

// Empty, binary, truncated and parameter-less files are the saver's tests.
TEST(PresetReader, RefusesWhatIsNotAPresetWithEntries) {
    PresetData r{};
    std::string nested = "<Preset>";
    for (int i = 0; i < 20000; ++i) nested += "<parameter>";
    const std::string bad[] = {
        "<Preset Name=\"n\"><parameter type=\"2\" value=\"0.5\"/>", // never closed
        "<Other><parameter type=\"2\" value=\"0.5\"/></Other>",
        Document("<param type=\"2\" value=\"0.5\"/>"),
        "<Preset>" + std::string(200000, '<') + "parameter/></Preset>",
        nested,
        "<?xml version=\"1.0\"?><Preset><parameter ty\xD8\xD8\xD8=\"3\xD8",
    };
    for (const std::string& text : bad) EXPECT_FALSE(Read(text, &r)) << text.substr(0, 80);
}

TEST(PresetReader, AbsentValuesAreZeroNotThePreviousEntrys) {
    PresetData r{};
    ASSERT_TRUE(Read(Document("<note/><parameter type=\"2\" value=\"0.75\"/>"
                              "<parameter type=\"2\"/>"
                              "<parameter type=\"0\" x=\"0.5\"/>"
                              "<parameter type=\"1\"/>"),
                     &r));
    ASSERT_EQ(r.count, 4) << "from the first parameter on";
    EXPECT_EQ(r.entries[1].value.Word(0), 0u) << "not the previous entry's 0.75";
    EXPECT_EQ(r.entries[2].value.X(), 0.5f);
    EXPECT_EQ(r.entries[2].value.Y(), 0.0f);
    EXPECT_EQ(r.entries[3].value.Word(0), 0u);
}

TEST(PresetReader, NamesLatin1OrUtf8) {
    PresetData r{};
    // "Caf\xE9" as a Latin code page writes it; an unfinished two-byte
    // sequence (\xD8) at the very end of the text.
    ASSERT_TRUE(Read("<Preset Name=\"Caf\xE9\"><parameter type=\"2\" value=\"0.5\"/></Preset>\xD8", &r));
    EXPECT_STREQ(r.name, "Caf\xC3\xA9");
    ASSERT_TRUE(Read("<Preset Name=\"Caf\xC3\xA9\"><parameter/></Preset>", &r));
    EXPECT_STREQ(r.name, "Caf\xC3\xA9") << "well-formed UTF-8 stays as it is";
    EXPECT_EQ(r.libraryName[0], '\0') << "absent attributes leave empty names";
}

} // namespace
} // namespace svt
