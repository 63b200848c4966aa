// The extension string matching and the loader's fifteen steps against fake
// strings and entry points. (The blend guard: the real host's state check in
// entries_test.cpp and the border analysis, its one blend.)
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "gpu/arb_helper.h"

namespace svt {
namespace {

TEST(HasExtension, MatchesWholeTokensOnly) {
    // The first occurrence starts a longer token; the second is whole.
    EXPECT_TRUE(HasExtensionIn("GL_EXT_blend_color_extra GL_EXT_blend_color", "GL_EXT_blend_color"));
    EXPECT_TRUE(HasExtensionIn("A GL_EXT_blend_color B", "GL_EXT_blend_color"));
    EXPECT_FALSE(HasExtensionIn("GL_EXT_blend_color_extra", "GL_EXT_blend_color"));
    EXPECT_FALSE(HasExtensionIn("XGL_EXT_blend_color", "GL_EXT_blend_color"));
    EXPECT_FALSE(HasExtensionIn("A,GL_EXT_blend_color", "GL_EXT_blend_color"));
    EXPECT_FALSE(HasExtensionIn(nullptr, "GL_EXT_blend_color"));
}

// A context whose entry points are the names it has; lookups are counted.
struct FakeGL {
    std::set<std::string> missing;
    std::map<std::string, int> asked;
    static void* Lookup(const char* name, void* user) {
        auto* self = static_cast<FakeGL*>(user);
        ++self->asked[name];
        return self->missing.count(name) ? nullptr : const_cast<char*>(name);
    }
};

std::string AllExtensions(const std::set<std::string>& without = {}) {
    std::string s;
    for (const char* n : kExtensionFlagNames)
        if (!without.count(n)) s += std::string(n) + " ";
    return s;
}

class Loader : public ::testing::Test {
protected:
    bool Load(const std::string& extensions) {
        for (uint8_t& f : arb.extensionTable().flags) f = 0xAA; // "never written"
        return arb.LoadExtensions(ExtensionSource{extensions.c_str(), FakeGL::Lookup, &gl});
    }
    uint8_t Flag(int offset) const { return arb.extensionTable().flags[offset - kExtensionFlagBase]; }
    void* Slot(int offset) const { return arb.extensionTable().entries[offset / 8]; }
    FakeGL gl;
    ARBHelper arb;
};

TEST_F(Loader, OptionalGroupsNeverFailIt) {
    gl.missing = {"glRenderbufferStorageMultisampleEXT", "glGenQueriesARB", "glProgramParameteriEXT"};
    ASSERT_TRUE(Load(AllExtensions({"GL_ATI_meminfo", "GL_ARB_pixel_buffer_object"})));
    EXPECT_EQ(Flag(0x4B9), 0); // multisample: entry missing
    EXPECT_EQ(Flag(0x4BA), 0); // occlusion query: first entry missing...
    EXPECT_EQ(gl.asked.count("glDeleteQueriesARB"), 0u); // ...so the rest of the group is not fetched
    EXPECT_EQ(Flag(0x4C2), 0);
    EXPECT_EQ(Flag(0x4BF), 0); // name-only groups follow the string
    EXPECT_EQ(Flag(0x4BC), 0);
    EXPECT_EQ(Flag(0x4C0), 1);
    EXPECT_EQ(Flag(0x4B8), 1);
}

TEST_F(Loader, RequiredGroupStopsItAndLeavesLaterFlagsUnwritten) {
    struct Case {
        std::set<std::string> missingEntries, missingNames;
        int failedFlag;
    } cases[] = {
        {{"glUniform1fARB"}, {}, 0x4B1},
        {{}, {"GL_ARB_shader_objects"}, 0x4B1},
        {{"glCheckFramebufferStatusEXT"}, {}, 0x4B2},
        {{}, {"GL_ARB_multitexture"}, 0x4B3},
        {{"glBlendColorEXT"}, {}, 0x4B4},
    };
    for (const Case& c : cases) {
        gl = FakeGL{};
        gl.missing = c.missingEntries;
        arb = ARBHelper();
        EXPECT_FALSE(Load(AllExtensions(c.missingNames)));
        EXPECT_EQ(Flag(c.failedFlag), 0) << std::hex << c.failedFlag;
        EXPECT_EQ(Flag(0x4B8), 0xAA) << "optional flags were written after a failure";
        EXPECT_EQ(Flag(0x4C2), 0xAA);
    }
    // Within a group, fetching stops at the first null entry point.
    gl = FakeGL{};
    gl.missing = {"glUniform1fARB"};
    arb = ARBHelper();
    Load(AllExtensions());
    EXPECT_EQ(gl.asked.count("glUniform2fARB"), 0u);
    EXPECT_EQ(Slot(0x068), nullptr);
    EXPECT_EQ(Slot(0x070), nullptr);
    EXPECT_NE(Slot(0x060), nullptr);
}

TEST_F(Loader, BlendingFetchesAllFourWithTheirOwnNames) {
    // glBlendEquationEXT exists but its extension is not listed: the step
    // fails, yet the later blending entries are still fetched and flagged.
    gl.missing = {"glBlendColorEXT"};
    EXPECT_FALSE(Load(AllExtensions({"GL_EXT_blend_minmax"})));
    EXPECT_EQ(Flag(0x4B4), 0);
    EXPECT_EQ(Flag(0x4B5), 0);
    EXPECT_EQ(Flag(0x4B6), 1);
    EXPECT_EQ(Flag(0x4B7), 1);
    EXPECT_EQ(gl.asked["glBlendEquationSeparateEXT"], 1);
    EXPECT_NE(Slot(0x140), nullptr); // glBlendEquationEXT stored although its name is missing
    EXPECT_EQ(Flag(0x4B8), 0xAA);
}

} // namespace
} // namespace svt
