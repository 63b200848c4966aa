// QueryInterface rules and sub-object layout of the library object, a
// transition and its tooltip sub-object, on the loaded module.
#include "tests/library/loaded_module.h"

namespace svt {
namespace {

constexpr GUID kUnheardOf{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

// The current count, read without changing it.
uint32_t Count(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// A null out pointer is 0x80004005 and touches nothing; anything unknown
// (`refused` included) is 0x80004002 with the out pointer nulled; neither
// adds a reference.
void ExpectRefusals(IUnknown* object, const GUID& refused) {
    const uint32_t before = Count(object);
    EXPECT_EQ(object->QueryInterface(&IID_IUnknown, nullptr), kNullOutPointer);
    for (const GUID* iid : {&kUnheardOf, static_cast<const GUID*>(nullptr), &IID_IFrameProcessor, &refused}) {
        void* out = &out;
        EXPECT_EQ(object->QueryInterface(iid, &out), kNoInterface);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(Count(object), before);
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

TEST_F(Interfaces, LibraryAnswersItselfAndItsMultiLingualSubObject) {
    IEffectLibrary* library = NewLibrary();
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(Ask(library, IID_IUnknown), library);
    EXPECT_EQ(Ask(library, IID_IEffectLibrary), library);
    ExpectRefusals(library, IID_IVideoEffect);

    // IMultiLingual is a second table inside the same object: a different
    // pointer whose IUnknown slots lead back to the library and its count.
    auto* multi = static_cast<IMultiLingual*>(Ask(library, IID_IMultiLingual));
    ASSERT_NE(multi, nullptr);
    EXPECT_NE(static_cast<void*>(multi), static_cast<void*>(library));
    EXPECT_EQ(Ask(multi, IID_IUnknown), library);
    EXPECT_EQ(Ask(multi, IID_IMultiLingual), multi);
    ExpectRefusals(multi, IID_IHostAllocator);
    EXPECT_EQ(multi->AddRef(), 2u);
    EXPECT_EQ(library->Release(), 1u);
    EXPECT_EQ(library->Release(), 0u);
    EXPECT_TRUE(CanUnload());
}

TEST_F(Interfaces, TransitionAndToolTipAreOneObjectWithTwoTables) {
    IEffectLibrary* library = NewLibrary();
    ASSERT_NE(library, nullptr);
    IVideoEffect* effect = library->CreateEffect(0);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(Ask(effect, IID_IUnknown), effect);
    EXPECT_EQ(Ask(effect, IID_IVideoEffect), effect);
    EXPECT_EQ(Ask(effect, IID_IVideoGPUEffect), effect);
    ExpectRefusals(effect, IID_IEffectLibrary);

    auto* tips = static_cast<IParamToolTip*>(Ask(effect, IID_IParamToolTip));
    ASSERT_NE(tips, nullptr);
    EXPECT_NE(static_cast<void*>(tips), static_cast<void*>(effect));
    EXPECT_EQ(Ask(tips, IID_IUnknown), effect);
    EXPECT_EQ(Ask(tips, IID_IVideoEffect), effect);
    EXPECT_EQ(Ask(tips, IID_IParamToolTip), tips);
    ExpectRefusals(tips, IID_IHostAllocator);
    // The tooltip table reaches the object's data.
    EXPECT_STREQ(tips->GetToolTip(0), "Adjusts speed at which box folds");
    EXPECT_EQ(tips->GetToolTip(5), nullptr);

    // One count behind both tables; the last reference may go through either.
    EXPECT_EQ(tips->AddRef(), 2u);
    EXPECT_EQ(effect->AddRef(), 3u);
    EXPECT_EQ(tips->Release(), 2u);
    EXPECT_EQ(tips->Release(), 1u);
    EXPECT_STREQ(effect->GetEffectName(), "3D Box Fold") << "still alive at count 1";
    EXPECT_EQ(tips->Release(), 0u);
    EXPECT_EQ(library->Release(), 0u);
}

} // namespace
} // namespace svt
