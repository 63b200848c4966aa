// CPresetSaver driven as a host drives it, with the host's dialogs and
// message boxes scripted through SVTumblersSetHostServices.
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "library/host_services.h"
#include "presets/preset_file.h"
#include "presets/preset_saver.h"
#include "tests/presets/scratch_folder.h"

extern "C" svt::IEffectLibrary* GetEffectsLibrary();
extern "C" uint8_t SVTumblersSetHostServices(const SVTHostServices* services);

namespace svt {
namespace {

using test::ScratchFolder;

// What the scripted host answers and what it was shown.
struct Host {
    bool choose = true;
    std::string path; // answered when choosing

    int dialogs = 0;
    uint32_t flags = 0;
    std::u16string title, filter, defaultExtension;
    std::vector<std::pair<std::u16string, std::u16string>> messages;
    uint32_t icon = 0;

    static int32_t Dialog(void* context, void*, const char16_t* title, const char16_t* filter,
                          const char16_t* defaultExtension, char16_t* path, uint32_t capacity, uint32_t flags) {
        Host& h = *static_cast<Host*>(context);
        ++h.dialogs;
        h.flags = flags;
        h.title = title;
        size_t n = 0;
        while (filter[n] || filter[n + 1]) ++n; // up to the double zero
        h.filter.assign(filter, n);
        h.defaultExtension = defaultExtension;
        if (!h.choose) return 0;
        const std::u16string answer(h.path.begin(), h.path.end());
        if (answer.size() >= capacity) return 0;
        std::memcpy(path, answer.c_str(), (answer.size() + 1) * sizeof(char16_t));
        return 1;
    }
    static void Message(void* context, const char16_t* title, const char16_t* text, uint32_t flags) {
        Host& h = *static_cast<Host*>(context);
        h.messages.emplace_back(title, text);
        h.icon = flags;
    }
};

class PresetSaver : public ::testing::Test {
protected:
    void SetUp() override {
        const SVTHostServices services{sizeof(SVTHostServices), 0, &host_, &Host::Dialog, &Host::Dialog,
                                       &Host::Message};
        ASSERT_EQ(SVTumblersSetHostServices(&services), 1);
        library_ = GetEffectsLibrary();
        saver_ = library_->CreatePresetSaver();
        ASSERT_NE(saver_, nullptr);
    }
    void TearDown() override {
        SVTumblersSetHostServices(nullptr);
        saver_->Release();
        library_->Release();
    }

    uint32_t Save(uint32_t index, PresetData* r, const std::string& file, const char* language = nullptr) {
        host_.path = file.empty() ? file : folder_.File(file);
        return saver_->SavePreset(nullptr, library_, index, r, language);
    }
    uint32_t Load(uint32_t index, PresetData* r, const std::string& file, const char* language = nullptr) {
        host_.path = file.empty() ? file : folder_.File(file);
        return saver_->LoadPreset(nullptr, library_, index, r, language);
    }
    void ExpectOnlyMessage(const std::u16string& title, const std::u16string& text) {
        ASSERT_EQ(host_.messages.size(), 1u);
        EXPECT_EQ(host_.messages[0].first, title);
        EXPECT_EQ(host_.messages[0].second, text);
        EXPECT_EQ(host_.icon, SVT_ICON_EXCLAMATION);
        host_.messages.clear();
    }

    // A record for transition `index` whose values all differ from the
    // defaults, one per parameter, in every type the transition has.
    PresetData ValuesFor(uint32_t index) {
        PresetData r{};
        IVideoEffect* effect = library_->CreateEffect(index);
        ParamInfo info;
        for (uint32_t i = 0; effect->GetParamInfo(i, &info); ++i) {
            PresetEntry& e = r.entries[r.count++];
            e.type = info.type;
            const float f = 0.015625f * static_cast<float>(i + 1) + 0.000001f * static_cast<float>(index);
            switch (info.type) {
            case kParamSlider: e.value = ParamValue::Slider(f); break;
            case kParamPoint: e.value = ParamValue::Point(f, 1 - f); break;
            case kParamChoice: e.value = ParamValue::Choice(info.choice.count - 1); break;
            case kParamCheck: e.value = ParamValue::Check(!info.defaultValue.AsCheck()); break;
            }
        }
        effect->Release();
        std::snprintf(r.name, sizeof r.name, "Preset %u", index);
        return r;
    }

    Host host_;
    ScratchFolder folder_;
    IEffectLibrary* library_ = nullptr;
    IPresetSaver* saver_ = nullptr;
};

TEST_F(PresetSaver, EveryTransitionRoundTripsItsValues) {
    for (uint32_t index = 0; index < 13; ++index) {
        SCOPED_TRACE(index);
        const std::string file = "p." + PresetExtension("Solvane Tumblers", index);
        PresetData saved = ValuesFor(index);
        ASSERT_EQ(Save(index, &saved, file), kPresetOk);
        EXPECT_EQ(host_.title, u"Save Preset");
        EXPECT_EQ(host_.flags, SVT_DIALOG_OVERWRITE_PROMPT);
        const std::string ext = PresetExtension("Solvane Tumblers", index);
        EXPECT_EQ(host_.defaultExtension, std::u16string(ext.begin(), ext.end()));

        PresetData loaded{};
        ASSERT_EQ(Load(index, &loaded, file), kPresetOk);
        EXPECT_EQ(host_.title, u"Load Preset");
        EXPECT_EQ(host_.flags, SVT_DIALOG_MUST_EXIST);
        EXPECT_TRUE(host_.messages.empty());
        EXPECT_STREQ(loaded.name, saved.name);
        ASSERT_EQ(loaded.count, saved.count);
        for (int i = 0; i < saved.count; ++i) {
            const PresetEntry& a = saved.entries[i];
            const PresetEntry& b = loaded.entries[i];
            EXPECT_EQ(b.type, a.type) << i;
            if (a.type == kParamCheck) {
                EXPECT_EQ(b.value.AsCheck(), a.value.AsCheck()) << i;
            } else if (a.type == kParamPoint) {
                EXPECT_EQ(b.value.X(), a.value.X()) << i;
                EXPECT_EQ(b.value.Y(), a.value.Y()) << i;
            } else {
                EXPECT_EQ(b.value.Word(0), a.value.Word(0)) << i; // choice index or slider bits
            }
        }
    }
}

TEST_F(PresetSaver, SaveWritesTheNamesFromTheLibrary) {
    PresetData r = ValuesFor(0);
    std::strcpy(r.libraryName, "Someone Else");
    std::strcpy(r.effectName, "3D Comb");
    ASSERT_EQ(Save(0, &r, "n.fxptmba"), kPresetOk);
    EXPECT_STREQ(r.libraryName, "Solvane Tumblers");
    EXPECT_STREQ(r.effectName, "3D Box Fold");
    EXPECT_NE(ScratchFolder::Read(folder_.File("n.fxptmba")).find("LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\""),
              std::string::npos);
}

TEST_F(PresetSaver, FileOfAnotherTransitionIsRefusedWithAWarningNamingBoth) {
    PresetData comb = ValuesFor(2);
    ASSERT_EQ(Save(2, &comb, "comb.fxptmbc"), kPresetOk);
    PresetData r = ValuesFor(0);
    const PresetData before = r;
    EXPECT_EQ(Load(0, &r, "comb.fxptmbc"), kPresetOtherEffect);
    ExpectOnlyMessage(u"Preset open warning", u"Error trying to open a 3D Comb preset. This can only open 3D Box "
                                              u"Fold presets. Please try again.");
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0) << "a refused file leaves the record alone";
}

TEST_F(PresetSaver, EntriesMustCoverEveryParameterWithItsType) {
    const std::string head = "<Preset Name=\"x\" LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\">";
    const std::string five = "<parameter type=\"2\" value=\"0.1\"/><parameter type=\"2\" value=\"0.2\"/>"
                             "<parameter type=\"0\" x=\"0.3\" y=\"0.4\"/><parameter type=\"4\" value=\"1\"/>"
                             "<parameter type=\"1\" value=\"1\"/>";
    PresetData r{};
    folder_.Write("four.fxptmba", head + five.substr(0, five.rfind("<parameter")) + "</Preset>");
    EXPECT_EQ(Load(0, &r, "four.fxptmba"), kPresetOtherEffect);
    folder_.Write("type.fxptmba", head + five.substr(0, five.rfind("<parameter")) +
                                      "<parameter type=\"2\" value=\"1\"/></Preset>");
    EXPECT_EQ(Load(0, &r, "type.fxptmba"), kPresetOtherEffect);
    folder_.Write("maker.fxptmba", "<Preset LibraryName=\"Solvane Tumbler\" EffectName=\"3D Box Fold\">" + five +
                                       "</Preset>");
    EXPECT_EQ(Load(0, &r, "maker.fxptmba"), kPresetOtherEffect);
    EXPECT_EQ(host_.messages.size(), 3u);
    host_.messages.clear();

    // More entries than parameters are accepted and kept; past a hundred the
    // rest is read and dropped.
    std::string extra;
    for (int i = 0; i < 115; ++i) extra += "<parameter type=\"2\" value=\"0.5\"/>";
    folder_.Write("more.fxptmba", head + five + extra + "</Preset>");
    ASSERT_EQ(Load(0, &r, "more.fxptmba"), kPresetOk);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(r.count, 100);
    EXPECT_EQ(r.entries[2].value.Y(), 0.4f);
    EXPECT_EQ(r.entries[99].value.AsSlider(), 0.5f);
}

TEST_F(PresetSaver, BrokenFilesGiveTheLoadError) {
    std::mt19937 random(7);
    std::string binary(4096, '\0');
    for (char& c : binary) c = static_cast<char>(random());
    const std::string valid = "<Preset LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\">"
                              "<parameter type=\"2\" value=\"0.1\"/></Preset>";
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"binary", binary},
        {"truncated", valid.substr(0, 70)},
        {"malformed", "<Preset><parameter type=\"2\" value=\"0.1\"></Preset>"},
        {"noparameters", "<Preset LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\"></Preset>"},
    };
    PresetData r = ValuesFor(0);
    const PresetData before = r;
    for (const auto& [name, bytes] : files) {
        folder_.Write(name, bytes);
        EXPECT_EQ(Load(0, &r, name), kPresetError) << name;
        ExpectOnlyMessage(u"Preset load error", u"Sorry, can't open the preset specified.\nPossible reason: access "
                                                u"denied or file is corrupted.");
    }
    for (const char* name : {"missing", ""}) { // no such file; the host answered an empty path
        EXPECT_EQ(Load(0, &r, name), kPresetError) << name;
        ExpectOnlyMessage(u"Preset load error", u"Sorry, can't open the preset specified.\nPossible reason: access "
                                                u"denied or file is corrupted.");
    }
    host_.path = folder_.path(); // a folder
    EXPECT_EQ(saver_->LoadPreset(nullptr, library_, 0, &r, nullptr), kPresetError);
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
}

TEST_F(PresetSaver, FailedSaveShowsTheErrorAndLeavesNoFile) {
    PresetData r = ValuesFor(0);
    mkdir(folder_.File("taken.fxptmba").c_str(), 0755);
    for (const char* name : {"missing/p.fxptmba", "taken.fxptmba", ""}) {
        EXPECT_EQ(Save(0, &r, name), kPresetError) << name;
        ExpectOnlyMessage(u"Preset save error",
                          u"Sorry, can't save preset.\nPossible reason: access denied or disk is full.");
    }
    EXPECT_EQ(folder_.EntryCount(), 1u) << "only the folder that was there";
}

TEST_F(PresetSaver, CancellingChangesNothingAndSaysNothing) {
    host_.choose = false;
    PresetData r = ValuesFor(0);
    const PresetData before = r;
    EXPECT_EQ(Save(0, &r, "c.fxptmba"), kPresetOk);
    EXPECT_EQ(Load(0, &r, "c.fxptmba"), kPresetOk);
    EXPECT_EQ(host_.dialogs, 2);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(folder_.EntryCount(), 0u);
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);

    // A host without dialogs cancels every time.
    SVTumblersSetHostServices(nullptr);
    host_.choose = true;
    EXPECT_EQ(Save(0, &r, "c.fxptmba"), kPresetOk);
    EXPECT_EQ(Load(0, &r, "c.fxptmba"), kPresetOk);
    EXPECT_EQ(host_.dialogs, 2);
}

TEST_F(PresetSaver, NoRecordIsAnErrorWithoutADialog) {
    EXPECT_EQ(Save(0, nullptr, "x.fxptmba"), kPresetError);
    ExpectOnlyMessage(u"Preset save error", u"Sorry, can't save preset.\nPossible reason: access denied or disk is full.");
    EXPECT_EQ(Load(0, nullptr, "x.fxptmba"), kPresetError);
    ExpectOnlyMessage(u"Preset load error",
                      u"Sorry, can't open the preset specified.\nPossible reason: access denied or file is corrupted.");
    EXPECT_EQ(host_.dialogs, 0);
}

TEST_F(PresetSaver, DialogTextsFollowTheLanguageMessagesStayEnglish) {
    PresetData r = ValuesFor(0);
    ASSERT_EQ(Save(0, &r, "de.fxptmba", "de"), kPresetOk);
    EXPECT_EQ(host_.title, u"Preset speichern unter");
    EXPECT_EQ(host_.filter, std::u16string(u"Preset-Dateien (*.fxptmba)\0*.fxptmba", 36));
    ASSERT_EQ(Load(0, &r, "de.fxptmba", "fr"), kPresetOk);
    EXPECT_EQ(host_.title, u"Ouvrir un préréglage");
    // A language the file lacks: the English keys, not the code-less titles.
    ASSERT_EQ(Load(0, &r, "de.fxptmba", "it"), kPresetOk);
    EXPECT_EQ(host_.title, u"Open Preset");
    EXPECT_EQ(host_.filter, std::u16string(u"Preset Files (*.fxptmba)\0*.fxptmba", 34));

    EXPECT_EQ(Load(0, &r, "missing", "de"), kPresetError);
    ExpectOnlyMessage(u"Preset load error",
                      u"Sorry, can't open the preset specified.\nPossible reason: access denied or file is corrupted.");
}

TEST_F(PresetSaver, UnterminatedNameIsCutWhenSaved) {
    PresetData r = ValuesFor(0);
    std::memset(r.name, 'n', sizeof r.name); // the host forgot the terminator
    ASSERT_EQ(Save(0, &r, "long.fxptmba"), kPresetOk);
    PresetData back{};
    ASSERT_EQ(Load(0, &back, "long.fxptmba"), kPresetOk);
    EXPECT_EQ(std::string(back.name), std::string(259, 'n'));

}

TEST_F(PresetSaver, WithoutALibraryAnyFileWithEntriesLoads) {
    PresetData r = ValuesFor(9);
    ASSERT_EQ(Save(9, &r, "p.fxptmbj"), kPresetOk);
    PresetData back{};
    host_.path = folder_.File("p.fxptmbj");
    EXPECT_EQ(saver_->LoadPreset(nullptr, nullptr, 0, &back, nullptr), kPresetOk);
    EXPECT_EQ(host_.defaultExtension, u"prs");
    EXPECT_EQ(back.count, r.count);
    EXPECT_STREQ(back.effectName, "3D Pizza Boxes");
}

} // namespace
} // namespace svt
