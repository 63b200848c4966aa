// TranslationHelper against a scripted IMultiLingual: what it asks, what it
// falls back to, and that it leaves the source's count as it found it.
#include <string>

#include <gtest/gtest.h>

#include "library/translation.h"

namespace svt {
namespace {

// A source object whose IMultiLingual answers from a script.
class ScriptedSource final : public IMultiLingual {
public:
    bool offersMultiLingual = true;
    std::u16string answer;          // written by Translate
    uint32_t answerCount = 0;       // what Translate returns
    const char* currentLanguage = nullptr;

    std::string askedLanguage;
    uint32_t askedSection = 0;
    std::string askedKey;
    uint32_t askedCapacity = 0;
    int references = 0; // held by the helper right now

    Result QueryInterface(const GUID* iid, void** out) override {
        *out = nullptr;
        if (!offersMultiLingual || !(*iid == IID_IMultiLingual)) return kNoInterface;
        *out = static_cast<IMultiLingual*>(this);
        AddRef();
        return kOk;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++references); }
    uint32_t Release() override { return static_cast<uint32_t>(--references); }
    int64_t EnumerateLanguages(uint32_t, char*, uint32_t, char16_t*, uint32_t, uint32_t, uint64_t) override {
        return 0;
    }
    uint32_t Translate(const char* language, uint32_t section, const char* key, char16_t* out,
                       uint32_t capacity) override {
        askedLanguage = language;
        askedSection = section;
        askedKey = key;
        askedCapacity = capacity;
        std::u16string(answer).copy(out, capacity - 1);
        out[answer.size() < capacity ? answer.size() : capacity - 1] = 0;
        return answerCount;
    }
    const char* CurrentLanguage() override { return currentLanguage; }
    Bool8 HasLanguage(const char*) override { return 0; }
};

TEST(TranslationHelper, WithoutTranslationsGivesTheEnglishTextOrTheKeyCutAt2047) {
    TranslationHelper helper;
    EXPECT_EQ(std::u16string(helper.Translate(4, "Open Preset", nullptr)), u"Open Preset");
    EXPECT_EQ(std::u16string(helper.Translate(5, "Key Frames or Presets", "Use Key Frames instead of Presets")),
              u"Use Key Frames instead of Presets");
    EXPECT_EQ(std::u16string(helper.Translate(4, nullptr, nullptr)), u"");
    EXPECT_EQ(std::u16string(helper.Translate(4, "k", std::string(3000, 'x').c_str())), std::u16string(2047, u'x'));
    EXPECT_EQ(std::u16string(helper.Translate(4, "k", std::string(2047, 'y').c_str())).size(), 2047u);
    // 2046 letters and U+1F600 (two UTF-16 units) would need 2048: the pair
    // goes whole.
    const std::string emojiAtEdge = std::string(2046, 'x') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(std::u16string(helper.Translate(4, "k", emojiAtEdge.c_str())), std::u16string(2046, u'x'));

    ScriptedSource refusing;
    refusing.offersMultiLingual = false;
    helper.Bind(&refusing, "de");
    EXPECT_EQ(std::u16string(helper.Translate(kTextPresetFiles)), u"Preset Files");
    EXPECT_EQ(std::string(helper.Language()), "de");
}

TEST(TranslationHelper, ForwardsTheRequestAndFallsBackOnZero) {
    ScriptedSource source;
    source.answer = u"Preset öffnen";
    source.answerCount = 13;
    TranslationHelper helper;
    helper.Bind(&source, "de");
    EXPECT_EQ(std::u16string(helper.Translate(kTextOpenPreset)), u"Preset öffnen");
    EXPECT_EQ(source.askedSection, 4u);
    EXPECT_EQ(source.askedKey, "Open Preset");
    EXPECT_EQ(source.askedCapacity, 2048u);
    EXPECT_EQ(source.references, 0) << "the IMultiLingual asked for is released again";

    // A parser answering 0 gives the default, not the key nor its scribbles.
    source.answer = u"garbage left in the buffer";
    source.answerCount = 0;
    EXPECT_EQ(std::u16string(helper.Translate(5, "Up/Down Knobs Control", "Up / Down mouse control of circular knobs")),
              u"Up / Down mouse control of circular knobs");
    EXPECT_EQ(std::u16string(helper.Translate(4, "Preset Files", nullptr)), u"Preset Files");

    // The language is the source's current one where it has one.
    EXPECT_STREQ(helper.Language(), "de");
    source.currentLanguage = "it";
    EXPECT_STREQ(helper.Language(), "it");
    EXPECT_EQ(source.references, 0);
}

} // namespace
} // namespace svt
