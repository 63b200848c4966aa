// The extension string matching and the loader against fake strings and
// entry points. (The blend guard: the real host's state check in
// entries_test.cpp and the border analysis, its one blend.)
#include <gtest/gtest.h>

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

// A context whose entry points are the names it has.
struct FakeGL {
    std::set<std::string> missing;
    static void* Lookup(const char* name, void* user) {
        return static_cast<FakeGL*>(user)->missing.count(name) ? nullptr : const_cast<char*>(name);
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
    FakeGL gl;
    ARBHelper arb;
};

// The real host hands over its own table, so this is where the module's
// loader meets a full context.
TEST_F(Loader, FullContextFillsEverySlotAndFlag) {
    ASSERT_TRUE(Load(AllExtensions()));
    for (int i = 0; i < kExtensionEntryCount; ++i)
        EXPECT_STREQ(static_cast<const char*>(arb.extensionTable().entries[i]), kExtensionEntryNames[i]) << i;
    for (int f = 0; f < kExtensionFlagCount; ++f) EXPECT_EQ(arb.extensionTable().flags[f], 1) << f;
    // The reserved bytes between the slots and the flags stay null.
    for (uint8_t b : arb.extensionTable().reserved0) ASSERT_EQ(b, 0);
}

// A context without a required group (shader objects, framebuffers,
// multitexture, blending: by entry point or by name) cannot run the GPU path;
// one without an optional group runs it with that group's flag clear, so
// that nothing it lacks is called.
TEST_F(Loader, RequiredGroupsFailItOptionalOnesClearTheirFlag) {
    struct Case {
        std::set<std::string> missingEntries, missingNames;
        bool loads;
        int flag;
    } cases[] = {
        {{"glUniform1fARB"}, {}, false, 0x4B1},
        {{}, {"GL_ARB_shader_objects"}, false, 0x4B1},
        {{"glCheckFramebufferStatusEXT"}, {}, false, 0x4B2},
        {{}, {"GL_ARB_multitexture"}, false, 0x4B3},
        {{"glBlendColorEXT"}, {}, false, 0x4B4},
        {{"glRenderbufferStorageMultisampleEXT"}, {}, true, 0x4B9},
        {{"glGenQueriesARB"}, {}, true, 0x4BA},
        {{"glProgramParameteriEXT"}, {}, true, 0x4C2},
        {{}, {"GL_ARB_pixel_buffer_object"}, true, 0x4BC},
        {{}, {"GL_ATI_meminfo"}, true, 0x4BF},
    };
    for (const Case& c : cases) {
        gl = FakeGL{};
        gl.missing = c.missingEntries;
        arb = ARBHelper();
        EXPECT_EQ(Load(AllExtensions(c.missingNames)), c.loads) << std::hex << c.flag;
        EXPECT_EQ(Flag(c.flag), 0) << std::hex << c.flag;
        if (c.loads) {
            EXPECT_EQ(Flag(0x4C0), 1) << std::hex << c.flag;
        }
    }
}

} // namespace
} // namespace svt
