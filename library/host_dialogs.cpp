#include "library/host_dialogs.h"

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/platform.h"

static_assert(sizeof(SVTHostServices) == 40, "host services record");
static_assert(offsetof(SVTHostServices, context) == 8 && offsetof(SVTHostServices, messageBox) == 32);

namespace svt {

namespace {

// NOTE: set once by the host, read at every dialog; the lock only keeps a
// late SetHostServices from tearing a copy in progress.
std::mutex g_servicesLock;
SVTHostServices g_services{};

SVTHostServices Services() {
    std::lock_guard<std::mutex> lock(g_servicesLock);
    return g_services;
}

bool ShowFileDialog(bool save, void* owner, const char16_t* title, const char16_t* filter,
                    const char16_t* defaultExtension, char16_t* path, uint32_t capacity) {
    if (!path || capacity == 0) return false;
    const SVTHostServices services = Services();
    const SVTFileDialogFn dialog = save ? services.saveFile : services.openFile;
    if (!dialog) return false;
    const uint32_t flags = save ? SVT_DIALOG_OVERWRITE_PROMPT : SVT_DIALOG_MUST_EXIST;
    const int32_t chosen = dialog(services.context, owner, title ? title : u"", filter ? filter : u"\0",
                                  defaultExtension ? defaultExtension : u"", path, capacity, flags);
    path[capacity - 1] = 0;
    return chosen != 0;
}

std::string ForStderr(const char16_t* text) {
    std::string narrow;
    if (text && !platform::Utf16ToNarrow(text, &narrow)) return std::string(1, '?');
    return narrow;
}

} // namespace

bool SetHostServices(const SVTHostServices* services) {
    if (services && services->size < sizeof(SVTHostServices)) return false;
    std::lock_guard<std::mutex> lock(g_servicesLock);
    g_services = services ? *services : SVTHostServices{};
    return true;
}

bool ShowOpenDialog(void* owner, const char16_t* title, const char16_t* filter, const char16_t* defaultExtension,
                    char16_t* path, uint32_t capacity) {
    return ShowFileDialog(false, owner, title, filter, defaultExtension, path, capacity);
}

bool ShowSaveDialog(void* owner, const char16_t* title, const char16_t* filter, const char16_t* defaultExtension,
                    char16_t* path, uint32_t capacity) {
    return ShowFileDialog(true, owner, title, filter, defaultExtension, path, capacity);
}

void ShowMessageBox(const char16_t* title, const char16_t* text, uint32_t icon) {
    const SVTHostServices services = Services();
    if (services.messageBox) {
        services.messageBox(services.context, title ? title : u"", text ? text : u"", icon);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", ForStderr(title).c_str(), ForStderr(text).c_str());
}

} // namespace svt

