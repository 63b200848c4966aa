// A scratch settings store for one test: SVT_REGISTRY_ROOT points at a fresh
// temporary folder for the test's lifetime, so no test sees another's values
// or the real home.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace svt::test {

class ScratchStore {
public:
    ScratchStore() {
        if (const char* old = getenv("SVT_REGISTRY_ROOT")) saved_ = old;
        std::string pattern = (std::filesystem::temp_directory_path() / "svt-store-XXXXXX").string();
        root_ = mkdtemp(pattern.data()) ? pattern : std::string();
        EXPECT_FALSE(root_.empty());
        setenv("SVT_REGISTRY_ROOT", root_.c_str(), 1);
    }
    ~ScratchStore() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
        if (saved_)
            setenv("SVT_REGISTRY_ROOT", saved_->c_str(), 1);
        else
            unsetenv("SVT_REGISTRY_ROOT");
    }
    ScratchStore(const ScratchStore&) = delete;
    ScratchStore& operator=(const ScratchStore&) = delete;

    const std::string& root() const { return root_; }
    std::string folder(bool user) const { return root_ + (user ? "/user/solvane" : "/machine/solvane"); }
    std::string file(bool user) const { return folder(user) + "/registry.ini"; }

    // Writes a store file by hand, as a person or an installer would.
    void Put(bool user, const std::string& text) const {
        std::filesystem::create_directories(folder(user));
        std::ofstream(file(user), std::ios::binary) << text;
    }
    // The store file's bytes; empty when there is none.
    std::string Get(bool user) const {
        std::ifstream in(file(user), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string root_;
    std::optional<std::string> saved_;
};

} // namespace svt::test
