#include "gpu/arb_helper.h"

#include <cstring>

#include "gpu/gl_constants.h"
#include "platform/gl_entry.h"

namespace svt {

bool HasExtensionIn(const char* extensions, const char* name) {
    if (!extensions || !name || !*name) return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(extensions, name); at; at = std::strstr(at + 1, name)) {
        const bool starts = at == extensions || at[-1] == ' ';
        const bool ends = at[length] == '\0' || at[length] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

bool ARBHelper::HasExtension(const char* name) const {
    const platform::GLFunctions* gl = platform::SystemGL();
    if (!gl) return false;
    return HasExtensionIn(reinterpret_cast<const char*>(gl->GetString(gl::kExtensions)), name);
}

namespace {

void* SystemLookup(const char* name, void*) { return platform::GLProcAddress(name); }

struct Group {
    int first, last; // entry slots, inclusive; first > last: name only
    int flag;
};

// Steps 5 to 15: optional groups.
constexpr Group kOptional[] = {
    {35, 35, 7},  {36, 36, 8},  {43, 47, 9},  {48, 48, 10}, {1, 0, 11},   {49, 56, 12},
    {57, 61, 13}, {1, 0, 14},   {1, 0, 15},   {62, 63, 16}, {64, 64, 17},
};

} // namespace

bool ARBHelper::LoadExtensions() {
    const platform::GLFunctions* gl = platform::SystemGL();
    if (!gl) return false;
    const ExtensionSource source{reinterpret_cast<const char*>(gl->GetString(gl::kExtensions)), SystemLookup,
                                 nullptr};
    return LoadExtensions(source);
}

bool ARBHelper::LoadExtensions(const ExtensionSource& source) {
    // A group's flag is 1 when every entry point is there (fetching stops at
    // the first missing one) and the string lists its extension.
    auto load = [&](const Group& g) {
        bool all = true;
        for (int slot = g.first; slot <= g.last; ++slot) {
            void* entry = source.lookup ? source.lookup(kExtensionEntryNames[slot], source.user) : nullptr;
            table_.entries[slot] = entry;
            if (!entry) {
                all = false;
                break;
            }
        }
        const bool ok = all && HasExtensionIn(source.extensions, kExtensionFlagNames[g.flag]);
        table_.flags[g.flag] = ok ? 1 : 0;
        return ok;
    };
    constexpr Group kRequired[] = {{0, 24, kFlagShaderObjects}, {25, 34, kFlagFramebufferObject},
                                   {37, 38, kFlagMultitexture}};
    for (const Group& g : kRequired)
        if (!load(g)) return false;
    // Blending: four single-entry groups, each fetched whatever the others
    // gave; the step needs all four.
    bool blending = true;
    for (int i = 0; i < 4; ++i)
        blending = load(Group{kSlotBlendColor + i, kSlotBlendColor + i, kFlagBlendColor + i}) && blending;
    if (!blending) return false;
    for (const Group& g : kOptional) load(g);
    return true;
}

// GLGuard ____________________________________________________________________

void GLGuard::Save(IGLDevice* device) {
    device_ = device;
    if (!device) return;
    device->GetFloatv(gl::kBlendColor, color_, 4);
    device->GetIntegerv(gl::kBlendEquationRGB, &equationRGB_, 1);
    device->GetIntegerv(gl::kBlendEquationAlpha, &equationAlpha_, 1);
    device->GetIntegerv(gl::kBlendSrcRGB, &srcRGB_, 1);
    device->GetIntegerv(gl::kBlendSrcAlpha, &srcAlpha_, 1);
    device->GetIntegerv(gl::kBlendDstRGB, &dstRGB_, 1);
    device->GetIntegerv(gl::kBlendDstAlpha, &dstAlpha_, 1);
}

void GLGuard::Restore() {
    if (IGLDevice* d = device_) {
        d->BlendColor(color_[0], color_[1], color_[2], color_[3]);
        d->BlendEquationSeparate(static_cast<uint32_t>(equationRGB_), static_cast<uint32_t>(equationAlpha_));
        d->BlendFuncSeparate(static_cast<uint32_t>(srcRGB_), static_cast<uint32_t>(dstRGB_),
                             static_cast<uint32_t>(srcAlpha_), static_cast<uint32_t>(dstAlpha_));
        d->Disable(gl::kBlend);
    }
    device_ = nullptr;
}

uint32_t GLGuard::BlendFactor(int code) {
    static constexpr uint32_t kFactors[14] = {0,     1,     0x300, 0x301,  0x306,  0x307,  0x302,
                                              0x303, 0x304, 0x305, 0x8001, 0x8002, 0x8003, 0x8004};
    return code >= 1 && code <= 13 ? kFactors[code] : 0;
}

bool GLGuard::SetBlendFunc(int source, int destination) {
    if (!device_) return false;
    device_->BlendFuncSeparate(BlendFactor(source), BlendFactor(destination), gl::kOne, gl::kOne);
    return true;
}

} // namespace svt
