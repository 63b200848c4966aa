// Writing the settings store over what is already there: a store too large
// to be ours is moved aside like any unusable one, symbolic links are written
// through (the link stays, its target changes), the file's mode is kept, and
// a file that is itself read-only is not replaced. Preset files are written
// by the same file replacement.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/platform/scratch_store.h"
#include "tests/presets/scratch_folder.h"

namespace svt {
namespace {

namespace fs = std::filesystem;
using platform::RegistryRoot;
constexpr const char* kCommon = "Software\\Solvane\\Common";

std::string ReadUser(const std::string& name) {
    std::string v;
    return platform::RegistryReadString(RegistryRoot::kCurrentUser, kCommon, name, &v) ? v : "<none>";
}
bool WriteUser(const std::string& name, const std::string& value) {
    return platform::RegistryWriteString(RegistryRoot::kCurrentUser, kCommon, name, value);
}
mode_t ModeOf(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(StoreWrites, AStoreOverTheSizeLimitIsMovedAsideAndWritesGoOn) {
    test::ScratchStore store;
    std::string big = "[Software\\Solvane\\Common]\nCrop Overscan=yes\n";
    while (big.size() <= (1u << 20)) big += "; " + std::string(1000, 'x') + "\n";
    store.Put(true, big);
    EXPECT_EQ(ReadUser("Crop Overscan"), "<none>") << "not read";
    ASSERT_TRUE(WriteUser("Forced CPU", "yes"));
    EXPECT_EQ(ReadUser("Forced CPU"), "yes");
    EXPECT_EQ(store.Get(true, ".bad"), big) << "kept for a person to look at";
    ASSERT_TRUE(WriteUser("Crop Overscan", "no")) << "and later writes land too";
    EXPECT_EQ(store.Get(true), "[Software\\Solvane\\Common]\nForced CPU=yes\nCrop Overscan=no\n");
}

TEST(StoreWrites, StoreWritesGoThroughLinksKeepTheModeAndRespectReadOnly) {
    test::ScratchStore store;
    store.Put(true, "[Software\\Solvane\\Common]\nCrop Overscan=yes\n");
    const std::string elsewhere = fs::path(store.folder(true)).parent_path().string() + "/elsewhere";
    fs::create_directories(elsewhere);
    const std::string target = elsewhere + "/settings.ini";
    fs::rename(store.file(true), target);
    fs::create_symlink("../elsewhere/settings.ini", store.file(true));
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    ASSERT_TRUE(WriteUser("Forced CPU", "yes"));
    EXPECT_TRUE(fs::is_symlink(store.file(true))) << "the link stays a link";
    EXPECT_EQ(test::ScratchFolder::Read(target), "[Software\\Solvane\\Common]\nCrop Overscan=yes\nForced CPU=yes\n");
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_EQ(test::ScratchFolder::EntriesIn(elsewhere), 1u) << "no temporary file left beside the target";
    EXPECT_EQ(test::ScratchFolder::EntriesIn(store.folder(true)), 1u);

    // Read-only: the write fails and the file stays as it was.
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    EXPECT_FALSE(WriteUser("Forced CPU", "no"));
    EXPECT_EQ(ReadUser("Forced CPU"), "yes");
    EXPECT_EQ(ModeOf(target), 0444u);
    EXPECT_EQ(test::ScratchFolder::EntriesIn(elsewhere), 1u);

    // A link whose target does not exist yet: the target is created.
    fs::remove(target);
    ASSERT_TRUE(WriteUser("Forced CPU", "no"));
    EXPECT_TRUE(fs::is_symlink(store.file(true)));
    EXPECT_EQ(test::ScratchFolder::Read(target), "[Software\\Solvane\\Common]\nForced CPU=no\n");
}

} // namespace
} // namespace svt
