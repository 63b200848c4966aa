// The four user settings read from a scratch store, through the static
// object the module holds. That each setter writes its own value under its
// own name at once is checked by the C host test (setter, then Refresh) and
// the settings writers' thread test (the store read back by name).
#include <string>

#include <gtest/gtest.h>

#include "library/settings.h"
#include "tests/platform/scratch_store.h"

namespace svt {
namespace {

constexpr bool kUser = true, kMachine = false;

// The four values as a store file: each argument is the text of one value,
// or null to leave it out.
std::string Store(const char* knobs, const char* keyFrames, const char* crop, const char* forced) {
    std::string common = "[Software\\Solvane\\Common]\n", own = "[Software\\Solvane\\Solvane Tumblers]\n";
    if (knobs) common += std::string("Knobs Drag Vertical=") + knobs + "\n";
    if (crop) common += std::string("Crop Overscan=") + crop + "\n";
    if (forced) common += std::string("Forced CPU=") + forced + "\n";
    if (keyFrames) own += std::string("Key Frames vs Presets=") + keyFrames + "\n";
    return common + own;
}

// The getters as a four-letter word, y or n per setting, in the order knobs,
// key frames, crop, forced.
std::string State() {
    LibrarySettings& s = LibrarySettings::Instance();
    std::string state;
    for (Bool8 v : {s.GetKnobsDragVertical(), s.GetKeyFramesVsPresets(), s.GetCropOverscan(), s.GetForcedCPU()})
        state += v == 1 ? 'y' : v == 0 ? 'n' : '?';
    return state;
}

void SetAll(Bool8 on) {
    LibrarySettings& s = LibrarySettings::Instance();
    s.SetKnobsDragVertical(on), s.SetKeyFramesVsPresets(on), s.SetCropOverscan(on), s.SetForcedCPU(on);
}

class Settings : public ::testing::Test {
protected:
    test::ScratchStore store_;
    LibrarySettings& settings_ = LibrarySettings::Instance();
};

TEST_F(Settings, EachValueReachesItsOwnSetting) {
    settings_.Load(); // no store at all
    EXPECT_EQ(State(), "nnnn");
    // Two complementary patterns: a swapped key or value name shows in one.
    store_.Put(kUser, Store("yes", "no", "yes", "no"));
    settings_.Load();
    EXPECT_EQ(State(), "ynyn");
    store_.Put(kUser, Store("no", "yes", "no", "yes"));
    settings_.Load();
    EXPECT_EQ(State(), "nyny");
    EXPECT_EQ(settings_.keyFramesWorkingCopy(), 1) << "Load resets the dialog's working copy";

    // "Key Frames vs Presets" lives under the library's own key only.
    store_.Put(kUser, "[Software\\Solvane\\Common]\nKey Frames vs Presets=yes\n");
    settings_.Load();
    EXPECT_EQ(State(), "nnnn");
}

// Load wants exactly "yes"; refresh looks at the first character only.
TEST_F(Settings, LoadIsExactRefreshLooksAtTheFirstCharacterAndKeepsWhatIsMissing) {
    struct Case {
        const char* text;
        const char* loaded;
        const char* refreshed;
    } cases[] = {
        {"yes", "yyyy", "yyyy"}, {"Yes", "nnnn", "nnnn"}, {"yesno", "nnnn", "yyyy"}, {"y", "nnnn", "yyyy"},
        {"no", "nnnn", "nnnn"},  {"", "nnnn", "nnnn"},    {" yes", "nnnn", "nnnn"},  {"yes ", "nnnn", "yyyy"},
    };
    for (const Case& c : cases) {
        store_.Put(kUser, Store(c.text, c.text, c.text, c.text));
        settings_.Load();
        EXPECT_EQ(State(), c.loaded) << "load \"" << c.text << '"';
        settings_.Refresh();
        EXPECT_EQ(State(), c.refreshed) << "refresh \"" << c.text << '"';
    }
    // Missing values load as off; refresh keeps those and updates the others.
    store_.Put(kUser, Store(nullptr, "no", nullptr, "no"));
    settings_.Refresh();
    EXPECT_EQ(State(), "ynyn");
    settings_.Load();
    EXPECT_EQ(State(), "nnnn");
}

TEST_F(Settings, MachineValuesFillInWhatTheUserHasNotOrCannotGive) {
    store_.Put(kMachine, Store("yes", "yes", "yes", "yes"));
    // The user's store has the key but not every value, and says no to one.
    store_.Put(kUser, Store(nullptr, nullptr, "no", nullptr));
    settings_.Load();
    EXPECT_EQ(State(), "yyny");

    // A user value too long for the read buffer (10240 bytes with its
    // terminator) counts as missing there.
    store_.Put(kUser, Store(nullptr, nullptr, std::string(10240, 'n').c_str(), nullptr));
    settings_.Load();
    EXPECT_EQ(State(), "yyyy");
    store_.Put(kUser, Store(nullptr, nullptr, std::string(10239, 'n').c_str(), nullptr));
    settings_.Load();
    EXPECT_EQ(State(), "yyny");
}

TEST_F(Settings, FailedWritesAreSilent) {
    // The user's store cannot be written: a folder stands where it belongs.
    std::filesystem::create_directories(store_.file(kUser));
    settings_.Load();
    SetAll(1);
    EXPECT_EQ(State(), "yyyy");
    settings_.Refresh(); // nothing readable: every setting keeps its value
    EXPECT_EQ(State(), "yyyy");
}

} // namespace
} // namespace svt
