// The plain-text settings store: locations, the format as a person edits it,
// atomic and careful writes.
#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/platform/scratch_store.h"

namespace svt::platform {
namespace {

constexpr RegistryRoot kUser = RegistryRoot::kCurrentUser;
constexpr RegistryRoot kMachine = RegistryRoot::kLocalMachine;
const std::string kCommon = "Software\\Solvane\\Common";

// Reads a value, or "<none>".
std::string Read(RegistryRoot root, const std::string& key, const std::string& name) {
    std::string out = "stale";
    if (RegistryReadString(root, key, name, &out)) return out;
    EXPECT_TRUE(out.empty()) << "a failed read leaves text behind";
    return "<none>";
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

TEST(RegistryStore, WriteCreatesFoldersAndReadsBackExactly) {
    test::ScratchStore store;
    // Values are taken verbatim: blanks at either end, '=', brackets and
    // non-ASCII text survive; so does the empty text.
    const std::string values[] = {"yes", "", "  padded  ", "a=b=c", "[not a section]", "; not a comment",
                                  "Gr\xC3\xBC\xC3\x9F" "e"};
    for (const auto& value : values) {
        ASSERT_TRUE(RegistryWriteString(kUser, kCommon, "Value", value)) << value;
        EXPECT_EQ(Read(kUser, kCommon, "Value"), value);
    }
    EXPECT_EQ(store.Get(true), "[Software\\Solvane\\Common]\nValue=Gr\xC3\xBC\xC3\x9F" "e\n");
    // Writing the current user never touches the machine.
    EXPECT_EQ(Read(kMachine, kCommon, "Value"), "<none>");
    EXPECT_FALSE(std::filesystem::exists(store.file(false)));
    // Only the store is left in its folder: no temporaries, no lock file.
    EXPECT_EQ(FilesIn(store.folder(true)), std::set<std::string>{"registry.ini"});
}

TEST(RegistryStore, HandEditedFileIsUnderstood) {
    test::ScratchStore store;
    store.Put(false, "; written by the installer\r\n# another comment\r\n\r\n"
                     "[ software\\SOLVANE\\common ]\r\n  Crop Overscan =yes\r\nForced CPU= no\r\n"
                     "[Software\\Solvane\\Solvane Tumblers]\r\nKey Frames vs Presets=yes\r\n"
                     "[Software\\Solvane\\Common]\r\ncrop overscan=later wins");
    // Names match without regard to case, blanks around them are ignored,
    // CRLF endings are fine, and the value is the exact rest of the line.
    EXPECT_EQ(Read(kMachine, kCommon, "Crop Overscan"), "later wins");
    EXPECT_EQ(Read(kMachine, kCommon, "Forced CPU"), " no");
    EXPECT_EQ(Read(kMachine, "Software\\Solvane\\Solvane Tumblers", "Key Frames vs Presets"), "yes");
    EXPECT_EQ(Read(kMachine, "Software\\Solvane\\Solvane Tumblers", "Crop Overscan"), "<none>");
    EXPECT_EQ(Read(kMachine, "Software\\Solvane", "Crop Overscan"), "<none>");
}

TEST(RegistryStore, WriteKeepsEverythingElseInPlace) {
    test::ScratchStore store;
    const std::string common = "; mine\n[Software\\Solvane\\Common]\nKnobs Drag Vertical=no\n",
                      own = "\n; the next one is the library's\n[Software\\Solvane\\Solvane Tumblers]\n"
                            "Key Frames vs Presets=yes\n";
    store.Put(true, common + "CROP OVERSCAN=no\r\n" + own);
    ASSERT_TRUE(RegistryWriteString(kUser, kCommon, "Crop Overscan", "yes"));
    ASSERT_TRUE(RegistryWriteString(kUser, kCommon, "Forced CPU", "yes"));
    ASSERT_TRUE(RegistryWriteString(kUser, "Software\\Other", "Name", "v"));
    // An existing value keeps its spelling and line ending; a new one joins
    // the end of its section, before the comment that leads the next; a new
    // section goes at the end.
    EXPECT_EQ(store.Get(true),
              common + "CROP OVERSCAN=yes\r\nForced CPU=yes\n" + own + "\n[Software\\Other]\nName=v\n");
}

TEST(RegistryStore, MalformedStoreReadsAsEmptyAndIsKeptAsideOnWrite) {
    const char* malformed[] = {
        "[Software\\Solvane\\Common]\nCrop Overscan=yes\njust some words\n", // a line of no known form
        "Crop Overscan=yes\n[Software\\Solvane\\Common]\n",                 // an entry before any section
        "[Software\\Solvane\\Common\nCrop Overscan=yes\n",                   // unclosed bracket
        "[]\nCrop Overscan=yes\n",                                          // empty key path
        "[Software\\Solvane\\Common]\n=yes\nCrop Overscan=yes\n",           // empty name
    };
    for (const char* text : malformed) {
        test::ScratchStore store;
        store.Put(true, text);
        EXPECT_EQ(Read(kUser, kCommon, "Crop Overscan"), "<none>") << text;
        ASSERT_TRUE(RegistryWriteString(kUser, kCommon, "Forced CPU", "yes")) << text;
        EXPECT_EQ(store.Get(true), "[Software\\Solvane\\Common]\nForced CPU=yes\n");
        EXPECT_EQ(store.Get(true, ".bad"), text);
    }
    test::ScratchStore store;
    store.Put(true, std::string("[Software\\Solvane\\Common]\nCrop Overscan=yes") + '\0' + "\n");
    EXPECT_EQ(Read(kUser, kCommon, "Crop Overscan"), "<none>") << "a NUL byte";
}

TEST(RegistryStore, RefusesWhatTheFormatCannotHoldAndAStoreItCannotRead) {
    test::ScratchStore store;
    EXPECT_EQ(Read(kUser, kCommon, "Crop Overscan"), "<none>");
    EXPECT_EQ(Read(kMachine, kCommon, "Crop Overscan"), "<none>");
    EXPECT_FALSE(RegistryReadString(kUser, kCommon, "x", nullptr));
    EXPECT_FALSE(RegistryWriteString(kMachine, kCommon, "Crop Overscan", "yes")); // the machine's is read-only
    for (const std::string& value : {std::string("two\nlines"), std::string("cr\r"), std::string("n\0l", 3)})
        EXPECT_FALSE(RegistryWriteString(kUser, kCommon, "Crop Overscan", value));
    for (const char* name : {"a=b", "[x", ";x", "#x", " padded", ""})
        EXPECT_FALSE(RegistryWriteString(kUser, kCommon, name, "v")) << name;
    EXPECT_FALSE(RegistryWriteString(kUser, "", "x", "v"));
    EXPECT_FALSE(RegistryWriteString(kUser, "two\nlines", "x", "v"));
    EXPECT_FALSE(std::filesystem::exists(store.file(true))) << "a refused write creates nothing";

    // A folder where the file should be: neither read nor overwritten.
    std::filesystem::create_directories(store.file(true));
    EXPECT_EQ(Read(kUser, kCommon, "Crop Overscan"), "<none>");
    EXPECT_FALSE(RegistryWriteString(kUser, kCommon, "Crop Overscan", "yes"));
    EXPECT_TRUE(std::filesystem::is_directory(store.file(true)));
}

} // namespace
} // namespace svt::platform
