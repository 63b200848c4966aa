// UTF-16 <-> UTF-8 conversion, checked against glibc's iconv, which is strict
// in both directions (it refuses overlong forms, encoded surrogates, values
// past U+10FFFF and unpaired surrogates).
// Module attach, the module's path and run-time loading.
#include <gtest/gtest.h>

#include <iconv.h>
#include <limits.h>
#include <optional>
#include <stdlib.h>
#include <string>

#include "frames/image_ops.h"
#include "platform/platform.h"

namespace svt::platform {
namespace {

// The converted bytes, or nothing when iconv refuses the input.
struct Iconv {
    iconv_t cd;
    Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() { iconv_close(cd); }
    std::optional<std::string> operator()(const void* data, size_t bytes) {
        std::string out(bytes * 2 + 16, '\0');
        char *in = const_cast<char*>(static_cast<const char*>(data)), *o = out.data();
        size_t inLeft = bytes, outLeft = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }
};

std::string Bytes(const std::u16string& s) { return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2); }

TEST(TextConversion, EveryScalarValueRoundTripsAndMatchesIconv) {
    std::u16string all;
    for (char32_t cp = 1; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        if (cp < 0x10000) {
            all += static_cast<char16_t>(cp);
        } else {
            all += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            all += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    std::string narrow;
    ASSERT_TRUE(Utf16ToNarrow(all.c_str(), &narrow));
    const auto expected = Iconv("UTF-8", "UTF-16LE")(all.data(), all.size() * 2);
    ASSERT_TRUE(expected.has_value());
    EXPECT_TRUE(narrow == *expected); // not EXPECT_EQ: a 4 MB diff helps nobody

    std::u16string back;
    ASSERT_TRUE(NarrowToUtf16(narrow.c_str(), &back));
    EXPECT_TRUE(back == all);
}

// Every one- and two-byte input, and every three- and four-byte input whose
// later bytes are taken from the edges of the continuation range and just
// outside it: acceptance and result must agree with iconv.
TEST(TextConversion, NarrowInputAcceptedExactlyWhenIconvAcceptsIt) {
    Iconv reference("UTF-16LE", "UTF-8");
    int checked = 0;
    auto check = [&](std::string s) {
        const auto expected = reference(s.data(), s.size());
        std::u16string got = u"stale";
        const bool ok = NarrowToUtf16(s.c_str(), &got);
        ++checked;
        ASSERT_EQ(ok, expected.has_value()) << "input bytes " << ::testing::PrintToString(s);
        if (ok)
            ASSERT_EQ(Bytes(got), *expected) << ::testing::PrintToString(s);
        else
            ASSERT_TRUE(got.empty()) << "output not cleared for " << ::testing::PrintToString(s);
    };
    for (int b0 = 1; b0 < 256; ++b0) {
        check(std::string(1, char(b0)));
        for (int b1 = 1; b1 < 256; ++b1) check({char(b0), char(b1)});
    }
    const unsigned char edges[] = {0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0};
    for (int b0 = 0xE0; b0 < 0x100; ++b0)
        for (int b1 = 1; b1 < 256; ++b1)
            for (unsigned char b2 : edges) {
                check({char(b0), char(b1), char(b2)});
                check({char(b0), char(b1), char(b2), char(0x80)});
            }
    EXPECT_GT(checked, 65000);
}

TEST(TextConversion, UnpairedSurrogatesNullAndEmptyInputs) {
    const std::u16string unpaired[] = {
        {u'a', char16_t(0xD800)},                              // high at the end
        {char16_t(0xD800), u'a'},                              // high before a plain unit
        {char16_t(0xDC00)},                                    // low alone
        {char16_t(0xDC00), char16_t(0xD800)},                  // pair in the wrong order
        {char16_t(0xDBFF), char16_t(0xDBFF), char16_t(0xDFFF)}, // high, then a valid pair
    };
    std::string narrow;
    std::u16string wide;
    const std::string shown[] = {"a\uFFFD", "\uFFFDa", "\uFFFD", "\uFFFD\uFFFD", "\uFFFD\U0010FFFF"};
    for (size_t i = 0; i < std::size(unpaired); ++i) {
        const std::u16string& text = unpaired[i];
        narrow = "stale";
        EXPECT_FALSE(Utf16ToNarrow(text.c_str(), &narrow)) << ::testing::PrintToString(Bytes(text));
        EXPECT_TRUE(narrow.empty());
        EXPECT_EQ(Utf16ToUtf8Lossy(text), shown[i]) << "each unpaired unit shown as U+FFFD";
    }

    narrow = "stale", wide = u"stale";
    EXPECT_FALSE(Utf16ToNarrow(nullptr, &narrow) || NarrowToUtf16(nullptr, &wide));
    EXPECT_TRUE(narrow.empty() && wide.empty());
    EXPECT_FALSE(Utf16ToNarrow(u"x", nullptr) || NarrowToUtf16("x", nullptr));
    narrow = "stale", wide = u"stale";
    EXPECT_TRUE(Utf16ToNarrow(u"", &narrow) && NarrowToUtf16("", &wide));
    EXPECT_TRUE(narrow.empty() && wide.empty());
}

// Linked statically, the "module" is this test program, and module attach
// has already filled the kernel tables.
TEST(Module, PathIsTheAbsoluteFileHoldingTheCodeAndAttachSelectsKernels) {
    char exe[PATH_MAX];
    ASSERT_NE(realpath("/proc/self/exe", exe), nullptr);
    const std::string path = ModulePath();
    EXPECT_EQ(path, exe);
    EXPECT_EQ(PathBesideModule("SVTumblersLang.xml"), path.substr(0, path.rfind('/') + 1) + "SVTumblersLang.xml");
    EXPECT_EQ(PathBesideModule(""), "");
    EXPECT_EQ(PathBesideModule(nullptr), "");

    const char* expected = KernelSimdLevel() == SimdLevel::kAvx2 ? "avx2"
                           : KernelSimdLevel() == SimdLevel::kSse2 ? "sse2"
                                                                   : "scalar";
    EXPECT_STREQ(ImageKernelLevel(), expected);
}

TEST(Module, LoadsFindsAndFreesLibraries) {
    const char* modulePath = getenv("SVT_MODULE_PATH");
    ASSERT_NE(modulePath, nullptr) << "run through ctest";
    void* module = LoadLibrary(modulePath);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindExport(module, "GetEffectsLibrary"), nullptr);
    EXPECT_NE(FindExport(module, "CanUnloadDLLNow"), nullptr);
    // Everything else stays inside the module.
    for (const char* name : {"_ZN3svt8platform10ModulePathB5cxx11Ev", "NoSuchExport", static_cast<const char*>(nullptr)})
        EXPECT_EQ(FindExport(module, name), nullptr) << (name ? name : "null");
    FreeLibrary(module);

    for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent/SVLang.so", "no-such-library.so"})
        EXPECT_EQ(LoadLibrary(path), nullptr) << (path ? path : "null");
    EXPECT_EQ(FindExport(nullptr, "GetEffectsLibrary"), nullptr);
    FreeLibrary(nullptr);
}

} // namespace
} // namespace svt::platform
