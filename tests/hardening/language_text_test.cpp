// A language file with a few bytes that are not UTF-8 (a text pasted from a
// Latin code page, a cut sequence, an encoded surrogate): each broken
// sequence shows as U+FFFD in its own text, and every other text of every
// language keeps its meaning. Driven through SVLang.so as the module uses it.
#include <dlfcn.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "library/multilingual.h"
#include "tests/presets/scratch_folder.h"

namespace svt {
namespace {

class LanguageText : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen(SVT_BIN_DIR "/SVLang.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        auto factory = reinterpret_cast<ILangXMLParser* (*)()>(dlsym(handle_, "GetLangXMLParser"));
        ASSERT_NE(factory, nullptr);
        parser_ = factory();
        ASSERT_NE(parser_, nullptr);
    }
    void TearDown() override {
        if (parser_) parser_->Release();
        if (handle_) dlclose(handle_);
    }
    bool Open(const std::string& bytes) {
        const std::string path = folder_.Write("lang.xml", bytes);
        return parser_->Open(std::u16string(path.begin(), path.end()).c_str());
    }
    std::u16string Text(const char* language, const char* key) {
        std::vector<char16_t> out(256);
        const uint32_t n = parser_->Translate(language, 4, key, out.data(), uint32_t(out.size()));
        return std::u16string(out.data(), n);
    }
    std::u16string Name(uint32_t index) {
        char code[3];
        std::vector<char16_t> name(64);
        parser_->EnumerateLanguages(index, code, 3, name.data(), uint32_t(name.size()), 0, 0);
        return name.data();
    }

    test::ScratchFolder folder_;
    void* handle_ = nullptr;
    ILangXMLParser* parser_ = nullptr;
};

TEST_F(LanguageText, BrokenSequencesBecomeReplacementCharactersInTheirOwnTextOnly) {
    ASSERT_TRUE(Open("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Languages default=\"en\">\n"
                     "<Language code=\"de\" name=\"Deutsch\"><Section id=\"4\">\n"
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
    EXPECT_EQ(Text("de", "Open Preset"), u"Preset \u00F6ffnen");
    EXPECT_EQ(Text("fr", "Open Preset"), u"Ouvrir le pr\u00E9r\u00E9glage");
    EXPECT_EQ(Name(1), u"Fran\u00E7ais");
    EXPECT_EQ(Text("de", "Astral"), u"\U0001F600");
    // One U+FFFD for each broken piece: a lone Latin byte, a sequence cut
    // short, each byte of an encoded surrogate and of an overlong form.
    EXPECT_EQ(Text("de", "Latin"), u"Caf\uFFFD cr\uFFFDme");
    EXPECT_EQ(Text("de", "Cut"), u"a\uFFFDz");
    EXPECT_EQ(Text("de", "Surrogate"), u"x\uFFFD\uFFFD\uFFFDy");
    EXPECT_EQ(Text("de", "Overlong"), u"\uFFFD\uFFFD!");
    EXPECT_EQ(Text("fr", "Ends cut"), u"fin\uFFFD");
}

TEST_F(LanguageText, BrokenBytesInMarkupDoNotLoseTheRestOfTheFile) {
    // In an attribute value and between elements.
    ASSERT_TRUE(Open("<Languages>\xFF\n<Language code=\"de\" name=\"D\xFE\"><Section id=\"4\">"
                     "<Text key=\"Open Preset\">\xC3\xB6" "ffnen</Text></Section></Language></Languages>"));
    EXPECT_EQ(Text("de", "Open Preset"), u"\u00F6ffnen");
    EXPECT_EQ(Name(0), u"D\uFFFD");
}

} // namespace
} // namespace svt
