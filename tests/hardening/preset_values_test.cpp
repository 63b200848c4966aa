// Preset files whose values no panel would write: numbers that cannot be
// read are the corrupt-file error, finite values outside a parameter's range
// arrive held to that range. Driven through the preset saver as a host
// drives it, with its dialogs scripted.
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "library/host_services.h"
#include "presets/preset_saver.h"
#include "tests/presets/scratch_folder.h"

extern "C" svt::IEffectLibrary* GetEffectsLibrary();
extern "C" uint8_t SVTumblersSetHostServices(const SVTHostServices* services);

namespace svt {
namespace {

const std::u16string kLoadErrorTitle = u"Preset load error";

struct Host {
    std::string path;
    std::vector<std::u16string> titles;
    static int32_t Dialog(void* context, void*, const char16_t*, const char16_t*, const char16_t*, char16_t* path,
                          uint32_t capacity, uint32_t) {
        const std::string& p = static_cast<Host*>(context)->path;
        if (p.size() >= capacity) return 0;
        for (size_t i = 0; i <= p.size(); ++i) path[i] = char16_t(static_cast<unsigned char>(p.c_str()[i]));
        return 1;
    }
    static void MessageBox(void* context, const char16_t* title, const char16_t*, uint32_t) {
        static_cast<Host*>(context)->titles.push_back(title);
    }
};

class PresetValues : public ::testing::Test {
protected:
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

    // A "3D Box Fold" file: Speed, Depth (sliders), Tilt (point), Reverse
    // (check box), Background (choice of three).
    uint32_t LoadBoxFold(const std::string& speed, const std::string& tiltX, const std::string& reverse,
                         const std::string& background, PresetData* record) {
        const std::string text =
            "<?xml version=\"1.0\" ?>\n<Preset Name=\"p\" LibraryName=\"Solvane Tumblers\" EffectName=\"3D Box Fold\">\n"
            "<parameter type=\"2\" value=\"" + speed + "\" />\n"
            "<parameter type=\"2\" value=\"0.25\" />\n"
            "<parameter type=\"0\" x=\"" + tiltX + "\" y=\"0.5\" />\n"
            "<parameter type=\"4\" value=\"" + reverse + "\" />\n"
            "<parameter type=\"1\" value=\"" + background + "\" />\n</Preset>\n";
        host_.path = folder_.Write("p.fxptmba", text);
        host_.titles.clear();
        return saver_->LoadPreset(nullptr, library_, 0, record, nullptr);
    }

    Host host_;
    test::ScratchFolder folder_;
    IEffectLibrary* library_ = nullptr;
    IPresetSaver* saver_ = nullptr;
};

TEST_F(PresetValues, NumbersThatCannotBeReadAreACorruptFile) {
    const char* bad[] = {"nan", "NaN", "inf", "-inf", "1e999", "-1e999", "abc", "", " ", "0x10", "0.5abc", "--1", "1,5"};
    for (const char* v : bad) {
        for (int where = 0; where < 4; ++where) {
            // Speed, Tilt's x, Reverse, Background in turn.
            const std::string s = where == 0 ? v : "0.5", x = where == 1 ? v : "0.5", r = where == 2 ? v : "1",
                              b = where == 3 ? v : "2";
            PresetData record{};
            record.count = 77; // the host's record stays as it was
            EXPECT_EQ(LoadBoxFold(s, x, r, b, &record), kPresetError) << "'" << v << "' in field " << where;
            EXPECT_EQ(host_.titles, std::vector<std::u16string>{kLoadErrorTitle}) << "'" << v << "'";
            EXPECT_EQ(record.count, 77);
        }
    }
}

TEST_F(PresetValues, FiniteValuesOutsideTheRangeAreHeldToIt) {
    struct Case {
        const char *speed, *x, *background;
        float wantSpeed, wantX;
        uint32_t wantBackground;
    } cases[] = {
        {"-11", "2.5", "1000", 0.0f, 1.0f, 2},        // far outside every range
        {"7.5", "-0.25", "4294967295", 1.0f, 0.0f, 2}, // -1 written as unsigned
        {"1e30", "-1e30", "3", 1.0f, 0.0f, 2},
        {"0.75", "0.125", "1", 0.75f, 0.125f, 1},     // inside: as written
        {" 1.0 ", "+0.5", " 0", 1.0f, 0.5f, 0},       // blanks and a plus sign are fine
    };
    for (const Case& c : cases) {
        PresetData record{};
        ASSERT_EQ(LoadBoxFold(c.speed, c.x, "3", c.background, &record), kPresetOk) << c.speed;
        EXPECT_TRUE(host_.titles.empty());
        EXPECT_EQ(record.entries[0].value.AsSlider(), c.wantSpeed) << c.speed;
        EXPECT_EQ(record.entries[1].value.AsSlider(), 0.25f);
        EXPECT_EQ(record.entries[2].value.X(), c.wantX) << c.x;
        EXPECT_EQ(record.entries[2].value.Y(), 0.5f);
        EXPECT_EQ(record.entries[3].value.AsCheck(), true);
        EXPECT_EQ(record.entries[4].value.AsChoice(), c.wantBackground) << c.background;
    }
}

} // namespace
} // namespace svt
