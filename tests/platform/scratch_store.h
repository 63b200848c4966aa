// A scratch settings store for one test: SVT_REGISTRY_ROOT points at a fresh
// temporary folder for the test's lifetime.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace svt::test {

// Sets an environment variable for the scope; unset when value is null.
class EnvGuard {
public:
    EnvGuard(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~EnvGuard() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

inline std::string MakeScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "svt-store-XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    return pattern;
}

class ScratchStore {
public:
    ScratchStore() : root_(MakeScratchFolder()), env_("SVT_REGISTRY_ROOT", root_.c_str()) {}
    ~ScratchStore() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    std::string folder(bool user) const { return root_ + (user ? "/user/solvane" : "/machine/solvane"); }
    std::string file(bool user) const { return folder(user) + "/registry.ini"; }

    // Writes a store file by hand, as a person or an installer would.
    void Put(bool user, const std::string& text) const {
        std::filesystem::create_directories(folder(user));
        std::ofstream(file(user), std::ios::binary) << text;
    }
    // The bytes of a store file (or of `suffix` beside it); empty when there is none.
    std::string Get(bool user, const char* suffix = "") const {
        std::ifstream in(file(user) + suffix, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string root_;
    EnvGuard env_;
};

} // namespace svt::test
