// The Windows half of the platform layer, and SVTumblers.dll as a Windows
// host meets it: the registry, the language DLL beside the module, the ANSI
// code page, files, and GL without a context. Run under Wine in a prefix of
// its own (the build's wine-prefix), so the registry is a scratch one.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "library/abi.h"
#include "library/translation.h"
#include "platform/gl_entry.h"
#include "platform/platform.h"
#include "presets/preset_file.h"

namespace svt {
namespace {

// The folder of this program, where the build puts the DLLs too.
std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// SVTumblers.dll loaded as a host loads it, with one library object.
class Dll {
public:
    Dll() {
        module_ = LoadLibraryW((ProgramFolder() + L"SVTumblers.dll").c_str());
        auto get = module_ ? reinterpret_cast<IEffectLibrary* (*)()>(
                                 reinterpret_cast<void*>(GetProcAddress(module_, "GetEffectsLibrary")))
                           : nullptr;
        library_ = get ? get() : nullptr;
    }
    ~Dll() {
        if (library_) library_->Release();
        if (module_) FreeLibrary(module_);
    }
    IEffectLibrary* get() const { return library_; }
    IEffectLibrary* operator->() const { return library_; }
    explicit operator bool() const { return library_ != nullptr; }

private:
    HMODULE module_ = nullptr;
    IEffectLibrary* library_ = nullptr;
};

std::string ReadRegistry(HKEY root, const char* key, const char* name) {
    char value[256];
    DWORD size = sizeof(value);
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return "(missing)";
    return value;
}

// Runs `command` and returns what it printed, or "(failed)".
std::string RunAndCapture(std::wstring command) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "(failed)";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    char buffer[512];
    DWORD n = 0;
    while (started && ReadFile(readEnd, buffer, sizeof(buffer), &n, nullptr) && n > 0) output.append(buffer, n);
    CloseHandle(readEnd);
    if (!started) return "(failed)";
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code == 0 ? output : "(failed)";
}

constexpr const char* kCommonKey = "Software\\Solvane\\Common";
constexpr const char* kOwnKey = "Software\\Solvane\\Solvane Tumblers";

TEST(WindowsRegistry, SettingsReachTheRegistryAndAnotherProcessReadsThem) {
    Dll dll;
    ASSERT_TRUE(dll);
    ILibrarySettings* s = dll->GetSettings();
    s->SetKnobsDragVertical(1);
    s->SetKeyFramesVsPresets(0);
    s->SetCropOverscan(1);
    s->SetForcedCPU(0);
    EXPECT_EQ(ReadRegistry(HKEY_CURRENT_USER, kCommonKey, "Knobs Drag Vertical"), "yes");
    EXPECT_EQ(ReadRegistry(HKEY_CURRENT_USER, kOwnKey, "Key Frames vs Presets"), "no");
    EXPECT_EQ(ReadRegistry(HKEY_CURRENT_USER, kCommonKey, "Crop Overscan"), "yes");
    // Wine's own registry tool sees the value, as a person would.
    const std::string shown = RunAndCapture(L"reg.exe query \"HKCU\\Software\\Solvane\\Common\" /v \"Forced CPU\"");
    EXPECT_NE(shown.find("REG_SZ"), std::string::npos) << shown;
    EXPECT_NE(shown.find("no"), std::string::npos) << shown;
    // A second process loads the DLL afresh and reads them back.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string printed = RunAndCapture(L"\"" + std::wstring(self) + L"\" --print-settings");
    EXPECT_EQ(printed.substr(0, printed.find_first_of("\r\n")), "1010") << printed;
    s->SetKnobsDragVertical(0);
    s->SetCropOverscan(0);
}

TEST(WindowsRegistry, CurrentUserFirstThenLocalMachineWhichIsNeverWritten) {
    using platform::RegistryRoot;
    const char* key = "Software\\Solvane\\Common";
    HKEY machine = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &machine, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(machine, "Forced CPU", 0, REG_SZ, reinterpret_cast<const BYTE*>("yes"), 4),
              ERROR_SUCCESS);
    RegCloseKey(machine);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, key, "Forced CPU");

    Dll dll;
    ASSERT_TRUE(dll);
    ILibrarySettings* s = dll->GetSettings();
    s->Refresh();
    EXPECT_EQ(s->GetForcedCPU(), 1) << "read from the local machine when the user has none";
    s->SetForcedCPU(0);
    EXPECT_EQ(ReadRegistry(HKEY_CURRENT_USER, key, "Forced CPU"), "no");
    EXPECT_EQ(ReadRegistry(HKEY_LOCAL_MACHINE, key, "Forced CPU"), "yes");
    s->Refresh();
    EXPECT_EQ(s->GetForcedCPU(), 0) << "the current user's value wins";

    std::string text;
    EXPECT_FALSE(platform::RegistryWriteString(RegistryRoot::kLocalMachine, key, "Forced CPU", "no"));
    EXPECT_TRUE(platform::RegistryReadString(RegistryRoot::kLocalMachine, key, "Forced CPU", &text) && text == "yes");
    EXPECT_FALSE(platform::RegistryReadString(RegistryRoot::kCurrentUser, key, "No Such Value", &text));
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key, "Forced CPU");
}

// Translations of the library's own texts through the DLL's IMultiLingual.
std::u16string Translate(IEffectLibrary* library, const char* language, const LibraryText& text) {
    IMultiLingual* ml = nullptr;
    if (library->QueryInterface(&IID_IMultiLingual, reinterpret_cast<void**>(&ml)) != kOk) return u"(none)";
    char16_t buffer[2048] = {};
    const uint32_t n = ml->Translate(language, text.section, text.key, buffer, 2048);
    ml->Release();
    return std::u16string(buffer, n);
}

TEST(WindowsModule, LanguageDllBesideTheModuleAnswersInGermanAndFrench) {
    Dll dll;
    ASSERT_TRUE(dll);
    EXPECT_EQ(Translate(dll.get(), "de", kTextOpenPreset), u"Preset \u00F6ffnen");
    EXPECT_EQ(Translate(dll.get(), "fr", kTextOpenPreset), u"Ouvrir un pr\u00E9r\u00E9glage");
    HMODULE lang = GetModuleHandleW(L"SVLang.dll");
    ASSERT_NE(lang, nullptr) << "the module loaded its language DLL";
    wchar_t path[MAX_PATH];
    const std::wstring loaded(path, GetModuleFileNameW(lang, path, MAX_PATH));
    EXPECT_EQ(loaded, ProgramFolder() + L"SVLang.dll");

    // This program's own copy of the platform layer finds itself.
    const std::string self = platform::ModulePath();
    EXPECT_EQ(self.substr(self.size() - std::strlen("windows_tests.exe")), "windows_tests.exe");
    EXPECT_EQ(platform::PathBesideModule("SVLang.dll"), self.substr(0, self.size() - 17) + "SVLang.dll");
}

// Every narrow text the module hands a host, and every translated library
// text, survives the ANSI code page both ways.
TEST(WindowsText, ModuleAndTranslatedTextsRoundTripThroughTheAnsiCodePage) {
    EXPECT_EQ(GetACP(), 1252u) << "the test environment pins the C.UTF-8 locale";
    Dll dll;
    ASSERT_TRUE(dll);
    auto roundTripNarrow = [](const char* text) {
        std::u16string wide;
        std::string back;
        return text && platform::NarrowToUtf16(text, &wide) && platform::Utf16ToNarrow(wide.c_str(), &back) &&
               back == text;
    };
    int checked = 0;
    for (uint32_t e = 0; e < 13; ++e) {
        IVideoEffect* effect = dll->CreateEffect(e);
        ASSERT_NE(effect, nullptr);
        EXPECT_TRUE(roundTripNarrow(effect->GetEffectName()));
        ParamInfo info;
        for (uint32_t i = 0; effect->GetParamInfo(i, &info); ++i, ++checked) EXPECT_TRUE(roundTripNarrow(info.name));
        for (uint32_t p = 0; effect->GetPresetName(p); ++p, ++checked) EXPECT_TRUE(roundTripNarrow(effect->GetPresetName(p)));
        effect->Release();
    }
    for (const char* language : {"de", "fr"})
        for (const LibraryText& text : LibraryTexts()) {
            const std::u16string wide = Translate(dll.get(), language, text);
            std::string narrow;
            std::u16string back;
            EXPECT_TRUE(platform::Utf16ToNarrow(wide.c_str(), &narrow) && platform::NarrowToUtf16(narrow.c_str(), &back) &&
                        back == wide)
                << language << " " << text.key;
            ++checked;
        }
    EXPECT_GT(checked, 200);

    std::string narrow;
    ASSERT_TRUE(platform::Utf16ToNarrow(u"\u00F6\u00E9\u20AC", &narrow));
    EXPECT_EQ(narrow, "\xF6\xE9\x80") << "single bytes of the code page, not UTF-8";
    for (const char16_t* missing : {u"\u0101", u"\u4E2D", u"a\xD800"})
        EXPECT_FALSE(platform::Utf16ToNarrow(missing, &narrow)) << "no best-fit look-alike, no '?'";
}

TEST(WindowsFiles, PresetFileUnderANonAsciiNameWritesAndReadsBack) {
    const std::wstring scratch = ProgramFolder() + L"scratch";
    CreateDirectoryW(scratch.c_str(), nullptr);
    std::string folder;
    ASSERT_TRUE(platform::Utf16ToNarrow(reinterpret_cast<const char16_t*>(scratch.c_str()), &folder));
    const std::string path = folder + "\\\xDC" "berblendung.fxptmbd"; // "Überblendung", in the ANSI code page
    PresetData written{};
    std::strcpy(written.name, "Fast & <slow> \xFC" "ber \x80"); // "über €" in the ANSI code page
    std::strcpy(written.libraryName, "Solvane Tumblers");
    std::strcpy(written.effectName, "3D Flip");
    written.count = 2;
    written.entries[0].type = 2;
    written.entries[0].value = ParamValue::Slider(0.25f);
    written.entries[1].type = 4;
    written.entries[1].value = ParamValue::Check(true);
    ASSERT_TRUE(WritePresetFile(path.c_str(), written)) << path;
    ASSERT_TRUE(WritePresetFile(path.c_str(), written)) << "replacing the file in place";
    PresetData read{};
    ASSERT_TRUE(ReadPresetFile(path.c_str(), &read));
    EXPECT_STREQ(read.name, written.name);
    EXPECT_STREQ(read.effectName, "3D Flip");
    ASSERT_EQ(read.count, 2);
    EXPECT_EQ(read.entries[0].value.AsSlider(), 0.25f);
    EXPECT_TRUE(read.entries[1].value.AsCheck());
    std::u16string wide;
    ASSERT_TRUE(platform::NarrowToUtf16(path.c_str(), &wide));
    EXPECT_TRUE(DeleteFileW(reinterpret_cast<const wchar_t*>(wide.c_str())));
}

TEST(WindowsGpu, WithoutACurrentContextThereAreNoExtensionEntries) {
    EXPECT_EQ(platform::GLProcAddress("glCreateShaderObjectARB"), nullptr);
    EXPECT_EQ(platform::GLProcAddress(nullptr), nullptr);
}

} // namespace
} // namespace svt

// "--print-settings": the helper process of the registry test, which prints
// the four settings as a fresh load of the DLL finds them.
int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--print-settings") == 0) {
        svt::Dll dll;
        if (!dll) return 1;
        svt::ILibrarySettings* s = dll->GetSettings();
        std::printf("%d%d%d%d\n", s->GetKnobsDragVertical(), s->GetKeyFramesVsPresets(), s->GetCropOverscan(),
                    s->GetForcedCPU());
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
