// QueryInterface rules beyond the C host test's, reference counts and the
// live-library counter, on the loaded module.
#include <atomic>
#include <thread>

#include "tests/library/loaded_module.h"

namespace svt {
namespace {

constexpr GUID kUnheardOf{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

// The current count, read without changing it.
uint32_t Count(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// Asks for iid, checks that one reference was added, gives it back and
// returns what came back.
void* Ask(IUnknown* object, const GUID& iid) {
    const uint32_t before = Count(object);
    void* out = nullptr;
    EXPECT_EQ(object->QueryInterface(&iid, &out), kOk);
    EXPECT_EQ(Count(object), before + 1);
    if (out) static_cast<IUnknown*>(out)->Release();
    return out;
}

using Interfaces = test::LoadedModule;

// Beyond what the C host test asks of every object (each interface and its
// sub-objects answered, unknown ones and a null out pointer refused, counts
// shared): a null identifier is refused too, no refusal adds a reference,
// the tooltip table answers for the whole transition, and the last
// reference may go through either table.
TEST_F(Interfaces, RefusalsAddNoReferenceAndEitherTableIsTheWholeObject) {
    IEffectLibrary* library = NewLibrary();
    ASSERT_NE(library, nullptr);
    IVideoEffect* effect = library->CreateEffect(0);
    ASSERT_NE(effect, nullptr);
    auto* multi = static_cast<IMultiLingual*>(Ask(library, IID_IMultiLingual));
    auto* tips = static_cast<IParamToolTip*>(Ask(effect, IID_IParamToolTip));
    ASSERT_TRUE(multi && tips);
    for (IUnknown* object : {static_cast<IUnknown*>(library), static_cast<IUnknown*>(multi),
                             static_cast<IUnknown*>(effect), static_cast<IUnknown*>(tips)}) {
        const uint32_t before = Count(object);
        for (const GUID* iid : {&kUnheardOf, static_cast<const GUID*>(nullptr), &IID_IHostAllocator}) {
            void* out = &out;
            EXPECT_EQ(object->QueryInterface(iid, &out), kNoInterface);
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(Count(object), before);
    }
    EXPECT_EQ(Ask(multi, IID_IEffectLibrary), library);
    EXPECT_EQ(Ask(tips, IID_IVideoEffect), effect);
    EXPECT_EQ(Ask(tips, IID_IVideoGPUEffect), effect);

    EXPECT_EQ(multi->AddRef(), 2u);
    EXPECT_EQ(library->Release(), 1u);
    EXPECT_EQ(multi->Release(), 0u);
    EXPECT_EQ(tips->AddRef(), 2u);
    EXPECT_EQ(effect->Release(), 1u);
    EXPECT_STREQ(effect->GetEffectName(), "3D Box Fold") << "still alive at count 1";
    EXPECT_EQ(tips->Release(), 0u);
    EXPECT_TRUE(CanUnload());
}

using Lifetime = test::LoadedModule;

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
