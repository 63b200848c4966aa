#include "host/gl_info.h"

#include <cstdio>
#include <vector>

#include "host/gl_host.h"

namespace svt::host {

std::string GPUCapabilityReport(GLHost& host, IEffectLibrary* library, const std::vector<std::string>* shownNames) {
    std::string text = "Testing ";
    const char* name = library ? library->GetLibraryName() : nullptr;
    text += name ? name : "";
    text += ":\r\n\r\n";
    for (uint32_t i = 0; library; ++i) {
        IVideoEffect* effect = library->CreateEffect(i);
        if (!effect) break;
        const char* effectName = effect->GetEffectName();
        text += shownNames && i < shownNames->size() ? (*shownNames)[i] : effectName ? effectName : "";
        uint32_t record[3] = {};
        const bool ok = host.TestEffect(static_cast<IVideoGPUEffect*>(effect), record) && (record[1] & 1);
        text += ok ? " supports OpenGL.\r\n" : " doesn`t support OpenGL.\r\n";
        effect->Release();
    }
    text += "=================\r\n";
    const uint32_t n = host.GetInfoText(7, nullptr, 0);
    std::vector<char16_t> wide(size_t(n) + 1, 0);
    if (n > 0 && host.GetInfoText(7, wide.data(), n + 1) != 0)
        for (char16_t c : wide)
            if (c) text.push_back(char(c)); // the host's own text is ASCII or Latin-1
    text += "=================\r\n";
    return text;
}

int GPUInfoCommand(IEffectLibrary* library, const std::vector<std::string>* shownNames) {
    GLContext context;
    if (!context.Create()) {
        std::fprintf(stderr, "tumblers: %s\n", context.error().c_str());
        return 1;
    }
    GLHost host(context);
    std::string report = GPUCapabilityReport(host, library, shownNames);
    std::string out;
    for (char c : report)
        if (c != '\r') out.push_back(c);
    std::fputs(out.c_str(), stdout);
    return 0;
}

} // namespace svt::host
