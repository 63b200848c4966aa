#include "library/host_dialogs.h"

#include <cstddef>
#include <mutex>
#include <string>

#include "platform/platform.h"

static_assert(sizeof(SVTHostServices) == 40, "host services record");
static_assert(offsetof(SVTHostServices, context) == 8 && offsetof(SVTHostServices, messageBox) == 32);
static_assert(SVT_DIALOG_MUST_EXIST == svt::platform::kDialogMustExist &&
              SVT_DIALOG_OVERWRITE_PROMPT == svt::platform::kDialogOverwritePrompt);

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
    const uint32_t flags = save ? SVT_DIALOG_OVERWRITE_PROMPT : SVT_DIALOG_MUST_EXIST;
    title = title ? title : u"";
    filter = filter ? filter : u"\0";
    defaultExtension = defaultExtension ? defaultExtension : u"";
    const bool chosen =
        dialog ? dialog(services.context, owner, title, filter, defaultExtension, path, capacity, flags) != 0
               : platform::SystemFileDialog(save, owner, title, filter, defaultExtension, path, capacity, flags);
    path[capacity - 1] = 0;
    return chosen;
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
    platform::SystemMessageBox(title ? title : u"", text ? text : u"", icon);
}

} // namespace svt

