// ARBHelper: the GL extension table of one transition (the host's copy, or
// filled by LoadExtensions when the host gave none); GLGuard: the host's
// blend state, saved when a GPU entry begins and put back when it ends.
#pragma once

#include <cstdint>

#include "library/abi.h"

namespace svt {

// Slot and flag indexes of ExtensionTable used by name in the library.
enum ExtensionSlot : int {
    kSlotCreateShaderObject = 0,
    kSlotUseProgramObject = 11,
    kSlotBlitFramebuffer = 35,
    kSlotRenderbufferStorageMultisample = 36,
    kSlotActiveTexture = 37,
    kSlotMultiTexCoord2f = 38,
    kSlotBlendColor = 39,
};
enum ExtensionFlag : int {
    kFlagShaderObjects = 0,
    kFlagFramebufferObject,
    kFlagMultitexture,
    kFlagBlendColor,
    kFlagBlendMinmax,
    kFlagBlendFuncSeparate,
    kFlagBlendEquationSeparate,
    kFlagFramebufferBlit,
    kFlagFramebufferMultisample,
};

// Whether `extensions` (a GL extension string) lists `name` as a whole,
// space-separated token. A null string lists nothing.
bool HasExtensionIn(const char* extensions, const char* name);

// Where LoadExtensions gets its two inputs; the tests give fakes.
struct ExtensionSource {
    const char* extensions;                          // the context's extension string, or null
    void* (*lookup)(const char* name, void* user);   // an entry point by name, or null
    void* user;
};

class ARBHelper {
public:
    ARBHelper() : table_{} {}

    // Whether the current context's extension string lists `name`.
    bool HasExtension(const char* name) const;
    // Fills the table and the flags from the current context; true when the
    // four required groups (shader objects, framebuffer objects,
    // multitexture, the four blending extensions) are all there.
    bool LoadExtensions();
    // The same from an explicit source.
    bool LoadExtensions(const ExtensionSource& source);

    ExtensionTable& extensionTable() { return table_; }
    const ExtensionTable& extensionTable() const { return table_; }
    bool HasHostEntries() const { return table_.entries[kSlotCreateShaderObject] != nullptr; }

private:
    ExtensionTable table_;
};
static_assert(sizeof(ARBHelper) == 1264);

// The blend state of the host's context, as a GPU entry found it.
class GLGuard {
public:
    // Reads the blend colour, equations and factors through `device` and
    // remembers it.
    void Save(IGLDevice* device);
    // Puts the saved state back and disables blending when a device is
    // remembered; forgets the device in every case.
    void Restore();
    // BlendFuncSeparate(map(source), map(destination), GL_ONE, GL_ONE) on the
    // remembered device; false when none is remembered. Codes 1-13 name the
    // GL factors from GL_ONE to GL_ONE_MINUS_CONSTANT_ALPHA; others GL_ZERO.
    bool SetBlendFunc(int source, int destination);
    // The remembered device, through which every blend change goes.
    IGLDevice* guardedDevice() const { return device_; }

    static uint32_t BlendFactor(int code);

private:
    IGLDevice* device_ = nullptr;
    float color_[4] = {};
    int32_t equationRGB_ = 0, equationAlpha_ = 0;
    int32_t srcRGB_ = 0, srcAlpha_ = 0, dstRGB_ = 0, dstAlpha_ = 0;
};

} // namespace svt
