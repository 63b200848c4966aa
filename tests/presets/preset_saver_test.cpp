// CPresetSaver driven as a host drives it, with the host's dialogs and
// message boxes scripted through SVTumblersSetHostServices.
#include <dlfcn.h>
#include <execinfo.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "library/host_services.h"
#include "presets/preset_file.h"
#include "presets/preset_saver.h"
#include "tests/presets/scratch_folder.h"

// Allocation failure on demand: while armed, the n-th operator new of this
// thread throws std::bad_alloc (or answers null, for the nothrow forms).
// NOTE: allocations by the system's XML library are never failed: it is not
// written to survive that (it leaks the nodes it had built), and it is not
// ours to fix.
namespace {
thread_local long g_allocations = 0;
thread_local long g_failAt = -1;

bool FromXmlLibrary() {
    void* frames[8];
    const int n = backtrace(frames, 8);
    for (int i = 1; i < n; ++i) {
        Dl_info info{};
        if (dladdr(frames[i], &info) && info.dli_fname && std::strstr(info.dli_fname, "tinyxml")) return true;
    }
    return false;
}

void* Allocate(size_t size) {
    if (g_failAt >= 0 && g_allocations++ == g_failAt) {
        const long failAt = g_failAt;
        g_failAt = -1; // the look at the stack may allocate
        const bool xml = FromXmlLibrary();
        g_failAt = xml ? failAt + 1 : failAt; // the XML library's: fail the next one instead
        if (!xml) return nullptr;
    }
    return std::malloc(size ? size : 1);
}
} // namespace

// NOTE: the replacements pair malloc with free, which the compiler cannot see.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

extern "C" svt::IEffectLibrary* GetEffectsLibrary();
extern "C" uint8_t SVTumblersSetHostServices(const SVTHostServices* services);

namespace svt {
namespace {

using test::ScratchFolder;
using Message = std::pair<std::u16string, std::u16string>;

const Message kSaveError{u"Preset save error",
                         u"Sorry, can't save preset.\nPossible reason: access denied or disk is full."};
const Message kLoadError{u"Preset load error",
                         u"Sorry, can't open the preset specified.\nPossible reason: access denied or file is corrupted."};

// The scripted host's own code is not under test for running out of memory.
struct Unarmed {
    long saved = g_failAt;
    Unarmed() { g_failAt = -1; }
    ~Unarmed() { g_failAt = saved; }
};

// What the scripted host answers and what it was shown.
struct Host {
    std::string path; // answered when choosing

    int dialogs = 0;
    uint32_t flags = 0, icon = 0;
    std::u16string title, filter, defaultExtension;
    std::vector<Message> messages;

    static int32_t Dialog(void* context, void*, const char16_t* title, const char16_t* filter,
                          const char16_t* defaultExtension, char16_t* path, uint32_t capacity, uint32_t flags) {
        const Unarmed unarmed;
        Host& h = *static_cast<Host*>(context);
        ++h.dialogs;
        h.flags = flags;
        h.title = title;
        size_t n = 0;
        while (filter[n] || filter[n + 1]) ++n; // up to the double zero
        h.filter.assign(filter, n);
        h.defaultExtension = defaultExtension;
        const std::u16string answer(h.path.begin(), h.path.end());
        if (answer.size() >= capacity) return 0;
        std::memcpy(path, answer.c_str(), (answer.size() + 1) * sizeof(char16_t));
        return 1;
    }
    static void MessageBox(void* context, const char16_t* title, const char16_t* text, uint32_t flags) {
        const Unarmed unarmed;
        Host& h = *static_cast<Host*>(context);
        h.messages.emplace_back(title, text);
        h.icon = flags;
    }
};

class PresetSaver : public ::testing::Test {
public:
    void SetUp() override {
        const SVTHostServices services{sizeof(SVTHostServices), 0, &host_, &Host::Dialog, &Host::Dialog,
                                       &Host::MessageBox};
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
    void ExpectOnlyMessage(const Message& m) {
        EXPECT_EQ(host_.messages, std::vector<Message>{m});
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

TEST_F(PresetSaver, EveryTransitionRoundTripsItsValuesUnderTheLibrarysNames) {
    for (uint32_t index = 0; index < 13; ++index) {
        SCOPED_TRACE(index);
        const std::string ext = PresetExtension("Solvane Tumblers", index);
        PresetData saved = ValuesFor(index);
        std::strcpy(saved.libraryName, "Someone Else"); // the save writes the library's names instead
        std::strcpy(saved.effectName, "3D Comb");
        ASSERT_EQ(Save(index, &saved, "p." + ext), kPresetOk);
        EXPECT_EQ(host_.title, u"Save Preset");
        EXPECT_EQ(host_.flags, SVT_DIALOG_OVERWRITE_PROMPT);
        EXPECT_EQ(host_.defaultExtension, std::u16string(ext.begin(), ext.end()));
        EXPECT_STREQ(saved.libraryName, "Solvane Tumblers");
        EXPECT_TRUE(index != 0 || std::string(saved.effectName) == "3D Box Fold") << saved.effectName;
        EXPECT_NE(ScratchFolder::Read(folder_.File("p." + ext))
                      .find("LibraryName=\"Solvane Tumblers\" EffectName=\"" + std::string(saved.effectName) + "\""),
                  std::string::npos);

        PresetData loaded{};
        ASSERT_EQ(Load(index, &loaded, "p." + ext), kPresetOk);
        EXPECT_EQ(host_.title, u"Load Preset");
        EXPECT_EQ(host_.flags, SVT_DIALOG_MUST_EXIST);
        EXPECT_TRUE(host_.messages.empty());
        EXPECT_STREQ(loaded.name, saved.name);
        ASSERT_EQ(loaded.count, saved.count);
        for (int i = 0; i < saved.count; ++i) {
            const PresetEntry &a = saved.entries[i], &b = loaded.entries[i];
            EXPECT_EQ(b.type, a.type) << i;
            // A check box is its first byte; the rest are slider bits, a
            // choice index or the point's two floats.
            const bool check = a.type == kParamCheck, point = a.type == kParamPoint;
            EXPECT_EQ(check ? b.value.AsCheck() : b.value.Word(0), check ? a.value.AsCheck() : a.value.Word(0)) << i;
            EXPECT_EQ(point ? b.value.Y() : 0, point ? a.value.Y() : 0) << i;
        }
    }
}

TEST_F(PresetSaver, FileOfAnotherTransitionOrTooFewEntriesIsRefused) {
    PresetData comb = ValuesFor(2);
    ASSERT_EQ(Save(2, &comb, "comb.fxptmbc"), kPresetOk);
    PresetData r = ValuesFor(0);
    const PresetData before = r;
    EXPECT_EQ(Load(0, &r, "comb.fxptmbc"), kPresetOtherEffect);
    ExpectOnlyMessage({u"Preset open warning",
                       u"Error trying to open a 3D Comb preset. This can only open 3D Box Fold presets. Please try again."});
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0) << "a refused file leaves the record alone";

    const std::string head = "<Preset Name=\"x\" LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\">";
    const std::string four = "<parameter type=\"2\" value=\"0.1\"/><parameter type=\"2\" value=\"0.2\"/>"
                             "<parameter type=\"0\" x=\"0.3\" y=\"0.4\"/><parameter type=\"4\" value=\"1\"/>";
    const std::string five = four + "<parameter type=\"1\" value=\"1\"/>";
    for (const std::string& text : {head + four + "</Preset>",                                  // too few
                                    head + four + "<parameter type=\"2\" value=\"1\"/></Preset>", // wrong type
                                    "<Preset LibraryName=\"Solvane Tumbler\" EffectName=\"3D Box Fold\">" + five +
                                        "</Preset>"}) {
        folder_.Write("bad.fxptmba", text);
        EXPECT_EQ(Load(0, &r, "bad.fxptmba"), kPresetOtherEffect) << text;
        EXPECT_EQ(host_.messages.size(), 1u);
        host_.messages.clear();
    }

    // More entries than parameters are accepted and kept; of 120 elements
    // the first hundred are loaded.
    std::string extra;
    for (int i = 0; i < 115; ++i) extra += "<parameter type=\"2\" value=\"0.5\"/>";
    folder_.Write("more.fxptmba", head + five + extra + "</Preset>");
    ASSERT_EQ(Load(0, &r, "more.fxptmba"), kPresetOk);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(r.count, 100);
    EXPECT_EQ(r.entries[2].value.Y(), 0.4f);
    EXPECT_EQ(r.entries[99].value.AsSlider(), 0.5f);
}

TEST_F(PresetSaver, BrokenFilesAndFailedSavesGiveTheirErrors) {
    std::mt19937 random(7);
    std::string binary(4096, '\0');
    for (char& c : binary) c = static_cast<char>(random());
    const std::string valid = "<Preset LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\">"
                              "<parameter type=\"2\" value=\"0.1\"/></Preset>";
    folder_.Write("empty", "");
    folder_.Write("binary", binary);
    folder_.Write("truncated", valid.substr(0, 70));
    folder_.Write("malformed", "<Preset><parameter type=\"2\" value=\"0.1\"></Preset>");
    folder_.Write("noparameters", "<Preset LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\"></Preset>");
    PresetData r = ValuesFor(0);
    const PresetData before = r;
    // and no such file, an empty answer from the host, a folder
    for (const char* name : {"empty", "binary", "truncated", "malformed", "noparameters", "missing", "", "."}) {
        EXPECT_EQ(Load(0, &r, name), kPresetError) << name;
        ExpectOnlyMessage(kLoadError);
    }
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);

    mkdir(folder_.File("taken.fxptmba").c_str(), 0755);
    for (const char* name : {"missing/p.fxptmba", "taken.fxptmba", ""}) {
        EXPECT_EQ(Save(0, &r, name), kPresetError) << name;
        ExpectOnlyMessage(kSaveError);
    }
    EXPECT_EQ(folder_.EntryCount(), 6u) << "only what was there";

    EXPECT_EQ(Load(0, nullptr, "empty"), kPresetError) << "no record";
    ExpectOnlyMessage(kLoadError);
    EXPECT_EQ(Save(0, nullptr, "x.fxptmba"), kPresetError);
    ExpectOnlyMessage(kSaveError);
    EXPECT_EQ(host_.dialogs, 11) << "none without a record";
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
    ExpectOnlyMessage(kLoadError);
}

// A "3D Box Fold" file with the given texts for Speed, Tilt's x, Reverse and
// Background. Unreadable numbers are a corrupt file; finite values outside a
// parameter's range arrive held to that range.
uint32_t LoadBoxFold(PresetSaver& t, const std::string& speed, const std::string& tiltX, const std::string& reverse,
                     const std::string& background, PresetData* record) {
    t.folder_.Write("v.fxptmba", "<Preset Name=\"p\" LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\">"
                                 "<parameter type=\"2\" value=\"" + speed + "\" /><parameter type=\"2\" value=\"0.25\" />"
                                 "<parameter type=\"0\" x=\"" + tiltX + "\" y=\"0.5\" />"
                                 "<parameter type=\"4\" value=\"" + reverse + "\" />"
                                 "<parameter type=\"1\" value=\"" + background + "\" /></Preset>");
    t.host_.messages.clear();
    return t.Load(0, record, "v.fxptmba");
}

TEST_F(PresetSaver, NumbersThatCannotBeReadAreACorruptFileOutOfRangeOnesAreHeld) {
    for (const char* v : {"nan", "NaN", "inf", "-inf", "1e999", "-1e999", "abc", "", " ", "0x10", "0.5abc", "--1", "1,5"})
        for (int where = 0; where < 4; ++where) { // Speed, Tilt's x, Reverse, Background in turn
            PresetData record{};
            record.count = 77; // the host's record stays as it was
            EXPECT_EQ(LoadBoxFold(*this, where == 0 ? v : "0.5", where == 1 ? v : "0.5", where == 2 ? v : "1",
                                  where == 3 ? v : "2", &record),
                      kPresetError)
                << "'" << v << "' in field " << where;
            ExpectOnlyMessage(kLoadError);
            EXPECT_EQ(record.count, 77);
        }
    const struct {
        const char *speed, *x, *background;
        float wantSpeed, wantX;
        uint32_t wantBackground;
    } cases[] = {
        {"-11", "2.5", "1000", 0.0f, 1.0f, 2},         // far outside every range
        {"7.5", "-0.25", "4294967295", 1.0f, 0.0f, 2}, // -1 written as unsigned
        {"1e30", "-1e30", "3", 1.0f, 0.0f, 2},
        {"0.75", "0.125", "1", 0.75f, 0.125f, 1}, // inside: as written
        {" 1.0 ", "+0.5", " 0", 1.0f, 0.5f, 0},   // blanks and a plus sign are fine
    };
    for (const auto& c : cases) {
        PresetData r{};
        ASSERT_EQ(LoadBoxFold(*this, c.speed, c.x, "3", c.background, &r), kPresetOk) << c.speed;
        EXPECT_TRUE(host_.messages.empty());
        EXPECT_EQ(r.entries[0].value.AsSlider(), c.wantSpeed) << c.speed;
        EXPECT_EQ(r.entries[2].value.X(), c.wantX) << c.x;
        EXPECT_EQ(r.entries[3].value.AsCheck(), true) << "any number but 0 is on";
        EXPECT_EQ(r.entries[4].value.AsChoice(), c.wantBackground) << c.background;
    }
}

TEST_F(PresetSaver, LongNamesAndNoLibrary) {
    PresetData r = ValuesFor(9);
    std::memset(r.name, 'n', sizeof r.name); // the host forgot the terminator
    ASSERT_EQ(Save(9, &r, "p.fxptmbj"), kPresetOk);
    PresetData back{};
    ASSERT_EQ(Load(9, &back, "p.fxptmbj"), kPresetOk);
    EXPECT_EQ(std::string(back.name), std::string(259, 'n'));

    // Without a library any file with entries loads.
    back = {};
    host_.path = folder_.File("p.fxptmbj");
    EXPECT_EQ(saver_->LoadPreset(nullptr, nullptr, 0, &back, nullptr), kPresetOk);
    EXPECT_EQ(host_.defaultExtension, u"prs");
    EXPECT_EQ(back.count, r.count);
    EXPECT_STREQ(back.effectName, "3D Pizza Boxes");
}

// Every allocation of a save and a load in turn fails: each slot answers its
// error (or what it answers anyway), nothing escapes as an exception, the
// record is untouched by a failed load, and nothing leaks (ASan builds).
TEST_F(PresetSaver, RunningOutOfMemoryAnywhereIsAnErrorNeverAnException) {
    PresetData saved = ValuesFor(9);
    ASSERT_EQ(Save(9, &saved, "p.fxptmbj", "de"), kPresetOk);
    for (bool load : {false, true}) {
        bool reachedTheEnd = false;
        for (long failAt = 0; !reachedTheEnd; ++failAt) {
            SCOPED_TRACE(testing::Message() << (load ? "load" : "save") << ", allocation " << failAt);
            PresetData r = load ? ValuesFor(0) : saved;
            const PresetData before = r;
            host_.messages.clear();
            host_.path = folder_.File(load ? "p.fxptmbj" : "q.fxptmbj");
            g_allocations = 0;
            g_failAt = failAt;
            const uint32_t result = load ? saver_->LoadPreset(nullptr, library_, 9, &r, "de")
                                         : saver_->SavePreset(nullptr, library_, 9, &r, "de");
            g_failAt = -1;
            reachedTheEnd = g_allocations <= failAt;
            if (reachedTheEnd) {
                EXPECT_EQ(result, kPresetOk);
            } else if (result != kPresetOk) {
                // An error, or the warning when the transition to compare
                // with could not be built: said once, the record left alone.
                EXPECT_TRUE(result == kPresetError || (load && result == kPresetOtherEffect)) << result;
                EXPECT_EQ(host_.messages.size(), 1u);
                EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
            }
        }
    }
}

} // namespace
} // namespace svt
