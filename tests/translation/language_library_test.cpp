// The language library SVLang.so as the module uses it: loaded with dlopen,
// parsers reading language files, and the shipped language file checked
// against every text the library and its transitions show.
// TranslationHelper against a scripted IMultiLingual: what it asks, what it
// falls back to, and that it leaves the source's count as it found it.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <optional>
#include <stdlib.h>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "host/effect_info.h"
#include "library/multilingual.h"
#include "library/translation.h"
#include "tests/presets/scratch_folder.h"

namespace svt {
namespace {

using test::ScratchFolder;

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

IEffectLibrary* LibraryOf(void* module) {
    return module ? reinterpret_cast<GetEffectsLibraryFn>(dlsym(module, "GetEffectsLibrary"))() : nullptr;
}

class LanguageLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen(SVT_BIN_DIR "/SVLang.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        factory_ = reinterpret_cast<ILangXMLParser* (*)()>(dlsym(handle_, "GetLangXMLParser"));
        canUnload_ = reinterpret_cast<Bool8 (*)()>(dlsym(handle_, "CanUnloadDLLNow"));
        ASSERT_NE(factory_, nullptr);
        ASSERT_NE(canUnload_, nullptr);
    }
    void TearDown() override {
        for (ILangXMLParser* p : parsers_) p->Release();
        if (handle_) dlclose(handle_);
    }

    // A parser that has opened `path` (released after the test).
    ILangXMLParser* Parser(const std::string& path) {
        ILangXMLParser* p = factory_();
        EXPECT_NE(p, nullptr);
        parsers_.push_back(p);
        EXPECT_TRUE(p->Open(Wide(path).c_str())) << path;
        return p;
    }
    static std::u16string Translate(ILangXMLParser* p, const char* language, uint32_t section, const char* key,
                                    uint32_t capacity = 4096) {
        std::vector<char16_t> out(capacity + 1, u'#');
        const uint32_t n = p->Translate(language, section, key, out.data(), capacity);
        EXPECT_EQ(out[n], 0) << "terminated after the characters written";
        return std::u16string(out.data(), n);
    }
    static std::u16string Name(ILangXMLParser* p, uint32_t index) {
        std::vector<char16_t> name(64);
        p->EnumerateLanguages(index, nullptr, 0, name.data(), uint32_t(name.size()), 0, 0);
        return name.data();
    }
    // LC_ALL, LC_MESSAGES and LANG, restored after the test.
    void SetLocale(const char* lcAll, const char* lcMessages, const char* lang) {
        const char* values[3] = {lcAll, lcMessages, lang};
        for (int i = 0; i < 3; ++i) values[i] ? setenv(kLocaleNames[i], values[i], 1) : unsetenv(kLocaleNames[i]);
    }
    LanguageLibrary() {
        for (int i = 0; i < 3; ++i)
            if (const char* v = getenv(kLocaleNames[i])) savedLocale_[i] = v;
    }
    ~LanguageLibrary() override {
        for (int i = 0; i < 3; ++i)
            savedLocale_[i] ? setenv(kLocaleNames[i], savedLocale_[i]->c_str(), 1) : unsetenv(kLocaleNames[i]);
    }

    static constexpr const char* kLocaleNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> savedLocale_[3];
    void* handle_ = nullptr;
    ILangXMLParser* (*factory_)() = nullptr;
    Bool8 (*canUnload_)() = nullptr;
    std::vector<ILangXMLParser*> parsers_;
    ScratchFolder folder_;
};

constexpr const char* kSmallFile = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Languages default="en">
  <Language code="en" name="English">
    <Section id="4"><Text key="Open Preset">Open Preset</Text></Section>
  </Language>
  <Language code="de" name="Deutsch">
    <Section id="4">
      <Text key="Open Preset">Preset öffnen</Text>
      <Text key="Two Lines">eins&#10;zwei</Text>
      <Text key="Empty"></Text>
      <Text key="Smile">ab😀</Text>
    </Section>
    <Section id="21"><Text key="Ebb &amp;&amp; Flow">Ebbe &amp;&amp; Flut</Text></Section>
  </Language>
  <Language code="deu" name="not a two-letter code"/>
</Languages>
)";

TEST_F(LanguageLibrary, AnswersByLanguageSectionAndKeyCutAtCapacity) {
    ILangXMLParser* p = Parser(folder_.Write("small.xml", kSmallFile));
    EXPECT_EQ(Translate(p, "de", 4, "Open Preset"), u"Preset öffnen");
    EXPECT_EQ(Translate(p, "DE", 4, "Open Preset"), u"Preset öffnen");
    EXPECT_EQ(Translate(p, "de", 4, "Two Lines"), u"eins\nzwei");
    EXPECT_EQ(Translate(p, "de", 21, "Ebb && Flow"), u"Ebbe && Flut");
    // Nothing to say: another section, another key, an empty text, a language
    // the file lacks, a skipped language, no key.
    for (auto [language, section, key] : {std::tuple{"de", 5u, "Open Preset"}, {"de", 4u, "open preset"},
                                          {"de", 4u, "Empty"}, {"it", 4u, "Open Preset"}, {"deu", 4u, "Open Preset"},
                                          {"de", 4u, nullptr}})
        EXPECT_EQ(Translate(p, language, section, key), u"") << language << section << (key ? key : "(null)");
    // Cut at capacity - 1 without splitting a pair.
    EXPECT_EQ(Translate(p, "de", 4, "Open Preset", 5), u"Pres");
    EXPECT_EQ(Translate(p, "de", 4, "Open Preset", 1), u"");
    EXPECT_EQ(Translate(p, "de", 4, "Smile", 4), u"ab") << "the pair would need capacity 5";
    EXPECT_EQ(Translate(p, "de", 4, "Smile", 5), u"ab😀");
    EXPECT_EQ(p->Translate("de", 4, "Open Preset", nullptr, 100), 0u);

    char code[3] = "??";
    char16_t name[16] = u"?";
    EXPECT_EQ(p->EnumerateLanguages(1, code, 3, name, 16, 0, 0), 2);
    EXPECT_STREQ(code, "de");
    EXPECT_EQ(std::u16string(name), u"Deutsch");
    EXPECT_EQ(p->EnumerateLanguages(0, nullptr, 0, nullptr, 0, 0, 0), 2);
    EXPECT_TRUE(p->HasLanguage("de"));
    EXPECT_FALSE(p->HasLanguage("fr"));
}

TEST_F(LanguageLibrary, RefusesWhatIsNotALanguageFileAndKeepsWhatItHad) {
    ILangXMLParser* p = Parser(folder_.Write("small.xml", kSmallFile));
    std::string nested = "<Languages>";
    for (int i = 0; i < 5000; ++i) nested += "<Language code=\"de\">";
    const std::string bad[] = {
        folder_.File("missing.xml"),
        folder_.path(),
        folder_.Write("empty.xml", ""),
        folder_.Write("binary.xml", std::string("\x00\xff\xfe\x01<", 5)),
        folder_.Write("truncated.xml", std::string(kSmallFile).substr(0, 300)),
        folder_.Write("root.xml", "<Preset><Language code=\"de\"/></Preset>"),
        folder_.Write("nolanguage.xml", "<Languages default=\"de\"><Language code=\"d\"/></Languages>"),
        folder_.Write("deep.xml", "<Languages>" + std::string(100000, '<') + "a>"),
        folder_.Write("nested.xml", nested),
    };
    for (const std::string& path : bad) {
        EXPECT_FALSE(p->Open(Wide(path).c_str())) << path;
        EXPECT_EQ(Translate(p, "de", 4, "Open Preset"), u"Preset öffnen") << path;
    }
    EXPECT_FALSE(p->Open(nullptr));
    const char16_t unpaired[] = {u'/', 0xD800, u'x', 0};
    EXPECT_FALSE(p->Open(unpaired));
}

TEST_F(LanguageLibrary, CurrentLanguageFollowsTheEnvironmentThenTheDefault) {
    ILangXMLParser* p = Parser(folder_.Write("small.xml", kSmallFile));
    // (LANG alone, and no code meaning the current language: tests/cli/language.sh.)
    SetLocale("en_GB", "fr_FR", "de_DE");
    EXPECT_STREQ(p->CurrentLanguage(), "en") << "LC_ALL decides first";
    SetLocale(nullptr, "de", "en_US");
    EXPECT_STREQ(p->CurrentLanguage(), "de") << "then LC_MESSAGES";
    SetLocale(nullptr, nullptr, "ja_JP.UTF-8");
    EXPECT_STREQ(p->CurrentLanguage(), "en") << "not in the file: the file's default";

    ILangXMLParser* noDefault = Parser(folder_.Write(
        "nodefault.xml", "<Languages><Language code=\"de\"><Section id=\"4\"/></Language></Languages>"));
    SetLocale(nullptr, nullptr, "POSIX");
    EXPECT_EQ(noDefault->CurrentLanguage(), nullptr);
    SetLocale(nullptr, nullptr, "de_CH");
    EXPECT_STREQ(noDefault->CurrentLanguage(), "de");
}

TEST_F(LanguageLibrary, MayBeUnloadedOnlyWhenNoParserIsAlive) {
    EXPECT_TRUE(canUnload_());
    ILangXMLParser* a = factory_();
    ILangXMLParser* b = factory_();
    EXPECT_FALSE(canUnload_());
    EXPECT_EQ(a->AddRef(), 2u);
    EXPECT_EQ(a->Release(), 1u);
    a->Release();
    EXPECT_FALSE(canUnload_());
    b->Release();
    EXPECT_TRUE(canUnload_());
}

// A language file with a few bytes that are not UTF-8 (a text pasted from a
// Latin code page, a cut sequence, an encoded surrogate, stray bytes in the
// markup): each broken sequence shows as U+FFFD in its own text, and every
// other text of every language keeps its meaning.
TEST_F(LanguageLibrary, BrokenSequencesBecomeReplacementCharactersInTheirOwnTextOnly) {
    ILangXMLParser* p = Parser(folder_.Write("broken.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Languages default=\"en\">\xFF\n"
                     "<Language code=\"de\" name=\"Deutsch\xFE\"><Section id=\"4\">\n"
                     "  <Text key=\"Open Preset\">Preset \xC3\xB6" "ffnen</Text>\n"
                     "  <Text key=\"Latin\">Caf\xE9 cr\xE8me</Text>\n"
                     "  <Text key=\"Cut\">a\xE2\x82z</Text>\n"
                     "  <Text key=\"Surrogate\">x\xED\xA0\x80y</Text>\n"
                     "  <Text key=\"Overlong\">\xC0\xAF!</Text>\n"
                     "  <Text key=\"Astral\">\xF0\x9F\x98\x80</Text>\n"
                     "</Section></Language>\n"
                     "<Language code=\"fr\" name=\"Fran\xC3\xA7" "ais\"><Section id=\"4\">\n"
                     "  <Text key=\"Open Preset\">Ouvrir le pr\xC3\xA9r\xC3\xA9glage</Text>\n"
                     "  <Text key=\"Ends cut\">fin\xC3</Text>\n"
                     "</Section></Language>\n</Languages>\n"));
    // Well-formed texts keep their meaning, in every language.
    EXPECT_EQ(Translate(p, "de", 4, "Open Preset"), u"Preset \u00F6ffnen");
    EXPECT_EQ(Translate(p, "fr", 4, "Open Preset"), u"Ouvrir le pr\u00E9r\u00E9glage");
    EXPECT_EQ(Name(p, 0), u"Deutsch\uFFFD");
    EXPECT_EQ(Name(p, 1), u"Fran\u00E7ais");
    EXPECT_EQ(Translate(p, "de", 4, "Astral"), u"\U0001F600");
    // One U+FFFD for each broken piece: a lone Latin byte, a sequence cut
    // short, each byte of an encoded surrogate and of an overlong form.
    EXPECT_EQ(Translate(p, "de", 4, "Latin"), u"Caf\uFFFD cr\uFFFDme");
    EXPECT_EQ(Translate(p, "de", 4, "Cut"), u"a\uFFFDz");
    EXPECT_EQ(Translate(p, "de", 4, "Surrogate"), u"x\uFFFD\uFFFD\uFFFDy");
    EXPECT_EQ(Translate(p, "de", 4, "Overlong"), u"\uFFFD\uFFFD!");
    EXPECT_EQ(Translate(p, "fr", 4, "Ends cut"), u"fin\uFFFD");
}

// The shipped language file has, in every language it lists, every text the
// library shows and every name, label, entry, tooltip and preset name of
// every transition; in English each is the key itself or its English text.
TEST_F(LanguageLibrary, ShippedFileHasEveryTextInEveryLanguage) {
    struct Shown {
        uint32_t section;
        std::string key, english;
    };
    std::vector<Shown> shown;
    for (const LibraryText& text : LibraryTexts())
        shown.push_back({text.section, text.key, text.english ? text.english : text.key});
    void* module = dlopen(getenv("SVT_MODULE_PATH"), RTLD_NOW | RTLD_LOCAL);
    IEffectLibrary* library = LibraryOf(module);
    ASSERT_NE(library, nullptr) << dlerror();
    auto add = [&](uint32_t section, const std::string& text) { shown.push_back({section, text, text}); };
    for (uint32_t index = 0; IVideoEffect* effect = library->CreateEffect(index); ++index) {
        const host::EffectInfo info = host::EffectInfo::Read(effect, index);
        effect->Release();
        add(kSectionEffectNames, info.name);
        for (size_t i = 0; i < info.params.size(); ++i) {
            add(kSectionParamLabels, host::ParamLabel(info.params[i]));
            for (uint32_t e = 0; info.params[i].type == kParamChoice && e < host::ChoiceCount(info.params[i]); ++e)
                add(kSectionChoiceEntries, host::ChoiceEntry(info.params[i], e));
            if (!info.tooltips[i].empty()) add(kSectionToolTips, info.tooltips[i]);
        }
        for (const std::string& preset : info.PresetNames()) add(kSectionPresetNames, preset);
    }
    library->Release();
    dlclose(module);
    ASSERT_GT(shown.size(), 13u + LibraryTexts().size());

    ILangXMLParser* p = Parser(SVT_BIN_DIR "/SVTumblersLang.xml");
    std::vector<std::string> codes;
    for (int64_t i = 0; i < p->EnumerateLanguages(0, nullptr, 0, nullptr, 0, 0, 0); ++i) {
        char code[3] = {};
        p->EnumerateLanguages(static_cast<uint32_t>(i), code, 3, nullptr, 0, 0, 0);
        codes.push_back(code);
    }
    ASSERT_GE(codes.size(), 3u) << "English, German and French at least (tests/cli/language.sh uses them)";
    for (const std::string& code : codes) {
        int missing = 0;
        for (const Shown& s : shown) {
            const std::u16string t = Translate(p, code.c_str(), s.section, s.key.c_str());
            if (t.empty() && ++missing <= 10) ADD_FAILURE() << code << " lacks " << s.section << "/" << s.key;
            EXPECT_TRUE(code != "en" || t == Wide(s.english)) << s.key;
        }
        EXPECT_EQ(missing, 0) << code;
    }
}

// --- Through the module: forwarding itself is seen through the CLI's --lang
// and the preset dialogs' titles.

IMultiLingual* AskMultiLingual(IEffectLibrary* library) {
    void* p = nullptr;
    return library && library->QueryInterface(&IID_IMultiLingual, &p) == kOk ? static_cast<IMultiLingual*>(p)
                                                                             : nullptr;
}

// A copy of the module alone in a folder finds no SVLang.so beside it nor on
// the search path: IMultiLingual answers nothing (and so the helper gives
// English: its test below).
bool LoneModuleStaysEnglish() {
    ScratchFolder folder;
    std::filesystem::copy_file(getenv("SVT_MODULE_PATH"), folder.File("SVTumblers.so"));
    IEffectLibrary* library = LibraryOf(dlopen(folder.File("SVTumblers.so").c_str(), RTLD_NOW | RTLD_LOCAL));
    IMultiLingual* ml = AskMultiLingual(library);
    char16_t text[64] = {u'#'};
    return ml && ml->Translate("de", 4, "Open Preset", text, 64) == 0 && ml->CurrentLanguage() == nullptr &&
           !ml->HasLanguage("de") && ml->EnumerateLanguages(0, nullptr, 0, nullptr, 0, 0, 0) == 0;
}

// In children, so that the copies never share a process with the libraries
// other tests loaded.
TEST(ModuleTranslationDeathTest, WithoutTheLanguageLibraryEverythingStaysEnglish) {
    EXPECT_EXIT(_exit(LoneModuleStaysEnglish() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

// A source object whose IMultiLingual answers from a script.
class ScriptedSource final : public IMultiLingual {
public:
    bool offersMultiLingual = true;
    std::u16string answer;          // written by Translate
    uint32_t answerCount = 0;       // what Translate returns
    const char* currentLanguage = nullptr;

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
    uint32_t Translate(const char*, uint32_t, const char*, char16_t* out, uint32_t capacity) override {
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
    EXPECT_EQ(source.askedCapacity, 2048u); // (the section and key asked: the saver's dialog test)
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
