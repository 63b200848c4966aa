// Reference counts and the live-library counter, on the loaded module.
#include <atomic>
#include <thread>

#include "tests/library/loaded_module.h"

namespace svt {
namespace {

using Lifetime = test::LoadedModule;

TEST_F(Lifetime, ModuleStaysWhileAnyLibraryLivesAndReleaseDestroysOnlyOnTheLast) {
    IEffectLibrary* first = NewLibrary();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(CanUnload());
    IEffectLibrary* second = NewLibrary();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second) << "every call builds a new object";
    EXPECT_EQ(first->AddRef(), 2u);
    EXPECT_EQ(first->Release(), 1u);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_FALSE(CanUnload()) << "the second library still lives";

    // A transition counts on its own and does not hold the library.
    IVideoEffect* effect = second->CreateEffect(0);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->AddRef(), 2u);
    EXPECT_EQ(effect->Release(), 1u);
    EXPECT_EQ(effect->Release(), 0u);
    EXPECT_FALSE(CanUnload());

    // The static settings object outlives the library that handed it out.
    ILibrarySettings* settings = second->GetSettings();
    EXPECT_EQ(settings->AddRef(), 2u);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_TRUE(CanUnload());
    EXPECT_EQ(settings->Release(), 1u);
}

// Two threads count the same objects up and down at once; a count that is
// not changed atomically ends off by some and the last Release misses 0.
TEST_F(Lifetime, CountsHoldUnderTwoThreads) {
#ifdef SVT_SANITIZED
    constexpr int kRounds = 20000;
#else
    constexpr int kRounds = 200000;
#endif
    IEffectLibrary* library = NewLibrary();
    ASSERT_NE(library, nullptr);
    IVideoEffect* effect = library->CreateEffect(3);
    ASSERT_NE(effect, nullptr);
    void* tips = nullptr;
    ASSERT_EQ(effect->QueryInterface(&IID_IParamToolTip, &tips), kOk);
    auto* tooltip = static_cast<IParamToolTip*>(tips);

    std::atomic<bool> go{false};
    auto worker = [&](IUnknown* object) {
        while (!go.load()) {
        }
        for (int i = 0; i < kRounds; ++i) {
            library->AddRef();
            object->AddRef();
            library->Release();
            object->Release();
        }
    };
    std::thread a(worker, effect), b(worker, tooltip);
    go = true;
    a.join();
    b.join();

    // Back where they started: the library at 1, the transition at 2 (its
    // creator's reference and the tooltip's).
    EXPECT_EQ(library->AddRef(), 2u);
    EXPECT_EQ(library->Release(), 1u);
    EXPECT_EQ(tooltip->Release(), 1u);
    EXPECT_EQ(effect->Release(), 0u);
    EXPECT_EQ(library->Release(), 0u);
    EXPECT_TRUE(CanUnload());
}

} // namespace
} // namespace svt
