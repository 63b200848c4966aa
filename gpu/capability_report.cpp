#include "gpu/capability_report.h"

#include <vector>

namespace svt {

namespace {

// Names are 8-bit text; the report widens them byte by byte, as "%S" does.
void AppendNarrow(std::u16string& out, const char* text) {
    if (!text) return;
    for (; *text; ++text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
}

} // namespace

std::u16string CapabilityReport(IUnknown* videoHost, IEffectLibrary* library) {
    if (!videoHost) return u"Video host is empty.\r\n";
    if (!library) return u"Effect library is empty.\r\n";
    void* asked = nullptr;
    if (videoHost->QueryInterface(&IID_IGPUHost, &asked) != kOk || !asked)
        return u"Video host does not support GPU.\r\n";
    IGPUHost* host = static_cast<IGPUHost*>(asked);

    std::u16string text = u"Testing ";
    AppendNarrow(text, library->GetLibraryName());
    text += u":\r\n\r\n";
    for (uint32_t i = 0;; ++i) {
        IVideoEffect* effect = library->CreateEffect(i);
        if (!effect) break;
        AppendNarrow(text, effect->GetEffectName());
        text += u" ";
        uint32_t record[3] = {};
        const bool ok = host->TestEffect(static_cast<IVideoGPUEffect*>(effect), record) && (record[1] & 1);
        text += ok ? u"supports OpenGL.\r\n" : u"doesn`t support OpenGL.\r\n";
        effect->Release();
    }
    text += u"=================\r\n";
    const uint32_t n = host->GetInfoText(7, nullptr, 0);
    if (n > 0) {
        std::vector<char16_t> buffer(size_t(n) + 1, 0);
        if (host->GetInfoText(7, buffer.data(), n + 1) != 0) text += buffer.data();
    }
    text += u"=================\r\n";
    host->Release();
    return text;
}

} // namespace svt
