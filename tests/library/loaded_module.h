// The built module, loaded with dlopen for the length of a test, so that
// counters and objects are the module's own rather than the copies linked
// into the test program.
#pragma once

#include <dlfcn.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "library/abi.h"

namespace svt::test {

class LoadedModule : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = getenv("SVT_MODULE_PATH");
        ASSERT_NE(path, nullptr) << "SVT_MODULE_PATH names the built module (ctest sets it)";
        handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        getLibrary_ = reinterpret_cast<GetEffectsLibraryFn>(dlsym(handle_, "GetEffectsLibrary"));
        canUnload_ = reinterpret_cast<CanUnloadDLLNowFn>(dlsym(handle_, "CanUnloadDLLNow"));
        ASSERT_NE(getLibrary_, nullptr);
        ASSERT_NE(canUnload_, nullptr);
        ASSERT_TRUE(canUnload_()) << "a library object from an earlier test is still alive";
    }
    void TearDown() override {
        if (handle_) dlclose(handle_);
    }

    IEffectLibrary* NewLibrary() { return getLibrary_(); }
    bool CanUnload() { return canUnload_() != 0; }

private:
    void* handle_ = nullptr;
    GetEffectsLibraryFn getLibrary_ = nullptr;
    CanUnloadDLLNowFn canUnload_ = nullptr;
};

} // namespace svt::test
