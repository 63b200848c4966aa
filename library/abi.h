// The binary contract between a host and the module (SVTumblers.so, or
// SVTumblers.dll built with MinGW-w64 for a host built with MSVC).
//
// Everything in this header crosses the module boundary. A host written in C
// or C++ against these tables and records works unchanged, so:
//  - an interface is a struct of pure virtual functions in slot order; no data,
//    no overloads, no virtual destructor (GCC would add two slots). Where a
//    table has a "deleting destructor" slot it is an ordinary function there;
//  - records use fixed-width types only, and their sizes and offsets are
//    asserted below;
//  - one-byte booleans are uint8_t (a host may hand back 2 for "true");
//  - wide text is UTF-16 code units (char16_t) on every platform;
//  - a table function returns only a scalar or a pointer, never a record:
//    MSVC returns a record from a member function through a hidden pointer
//    placed differently from a free function's, so no two compilers would
//    agree on such a slot;
//  - nothing throws across the boundary.
//
// Who calls what: "host -> library" slots are implemented by the library and
// called by the host; "library -> host" slots are implemented by the host.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace svt {

using Bool8 = uint8_t;  // one-byte boolean at the boundary: 0 false, else true
using Result = int32_t; // 32-bit result code

inline constexpr Result kOk = 0;
inline constexpr Result kNoInterface = static_cast<Result>(0x80004002u);
inline constexpr Result kNullOutPointer = static_cast<Result>(0x80004005u);

// 128-bit interface identifier, passed by const pointer.
struct GUID {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(GUID) == 16);

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.data4[i] != b.data4[i]) return false;
    return true;
}

// {00000000-0000-0000-C000-000000000046}
inline constexpr GUID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {9B8D0B5F-065A-46B1-889C-F057934CE8A4}
inline constexpr GUID IID_IEffectLibrary{0x9B8D0B5F, 0x065A, 0x46B1, {0x88, 0x9C, 0xF0, 0x57, 0x93, 0x4C, 0xE8, 0xA4}};
// {F6E85D4E-DC38-476C-AC59-EB500BA93CDC}
inline constexpr GUID IID_IMultiLingual{0xF6E85D4E, 0xDC38, 0x476C, {0xAC, 0x59, 0xEB, 0x50, 0x0B, 0xA9, 0x3C, 0xDC}};
// {0BCF7FCD-6BE5-4A40-9A49-A68D6BF66026}
inline constexpr GUID IID_IVideoEffect{0x0BCF7FCD, 0x6BE5, 0x4A40, {0x9A, 0x49, 0xA6, 0x8D, 0x6B, 0xF6, 0x60, 0x26}};
// {418A60D9-FCA6-434F-9FE8-EB6BC11C5C13}
inline constexpr GUID IID_IVideoGPUEffect{0x418A60D9, 0xFCA6, 0x434F, {0x9F, 0xE8, 0xEB, 0x6B, 0xC1, 0x1C, 0x5C, 0x13}};
// {C40A4523-ECE1-493B-A73D-ECF11538F600}
inline constexpr GUID IID_IParamToolTip{0xC40A4523, 0xECE1, 0x493B, {0xA7, 0x3D, 0xEC, 0xF1, 0x15, 0x38, 0xF6, 0x00}};
// {B9D19C11-28CC-4C17-80C6-235DAD31684A}
inline constexpr GUID IID_IFrameProcessor{0xB9D19C11, 0x28CC, 0x4C17, {0x80, 0xC6, 0x23, 0x5D, 0xAD, 0x31, 0x68, 0x4A}};
// {44CD1462-6E3D-438E-9B72-8C533AA8FD8C}
inline constexpr GUID IID_IPresetSaver{0x44CD1462, 0x6E3D, 0x438E, {0x9B, 0x72, 0x8C, 0x53, 0x3A, 0xA8, 0xFD, 0x8C}};
// {9F635B81-506A-4DEE-9DC7-9E0BABA2D5A2}
inline constexpr GUID IID_IHostAllocator{0x9F635B81, 0x506A, 0x4DEE, {0x9D, 0xC7, 0x9E, 0x0B, 0xAB, 0xA2, 0xD5, 0xA2}};
// {3C31DE30-7F89-4A56-AB76-B050B29F29CB}
inline constexpr GUID IID_IGPUHost{0x3C31DE30, 0x7F89, 0x4A56, {0xAB, 0x76, 0xB0, 0x50, 0xB2, 0x9F, 0x29, 0xCB}};

// ---------------------------------------------------------------------------
// Records

// The value of one parameter, 8 bytes, encoded by its ParamType:
//   point    f32 x in bytes 0-3, f32 y in bytes 4-7, each 0..1
//   choice   u32 entry index in bytes 0-3
//   slider   f32 fraction 0..1 of the displayed scale in bytes 0-3
//   check    byte 0 is 0 or 1
// Bytes a type does not use are zero in defaults; built-in presets copy all
// eight bytes as stored.
enum ParamType : uint32_t {
    kParamPoint = 0,
    kParamChoice = 1,
    kParamSlider = 2,
    kParamCheck = 4,
};

struct ParamValue {
    uint8_t bytes[8];

    static constexpr ParamValue Slider(float v) { return FromWords(std::bit_cast<uint32_t>(v), 0); }
    static constexpr ParamValue Choice(uint32_t index) { return FromWords(index, 0); }
    static constexpr ParamValue Check(bool on) { return FromWords(on ? 1u : 0u, 0); }
    static constexpr ParamValue Point(float x, float y) {
        return FromWords(std::bit_cast<uint32_t>(x), std::bit_cast<uint32_t>(y));
    }
    static constexpr ParamValue FromWords(uint32_t lo, uint32_t hi) {
        ParamValue v{};
        for (int i = 0; i < 4; ++i) {
            v.bytes[i] = static_cast<uint8_t>(lo >> (8 * i));
            v.bytes[4 + i] = static_cast<uint8_t>(hi >> (8 * i));
        }
        return v;
    }
    constexpr uint32_t Word(int i) const {
        const uint8_t* b = bytes + 4 * i;
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    constexpr float AsSlider() const { return std::bit_cast<float>(Word(0)); }
    constexpr uint32_t AsChoice() const { return Word(0); }
    constexpr bool AsCheck() const { return bytes[0] != 0; } // byte 0 only
    constexpr float X() const { return std::bit_cast<float>(Word(0)); }
    constexpr float Y() const { return std::bit_cast<float>(Word(1)); }
};
static_assert(sizeof(ParamValue) == 8);

inline constexpr int kMaxChoiceEntries = 10;
inline constexpr int kChoiceEntryBytes = 20;
inline constexpr int kParamNameBytes = 40;

// One parameter as GetParamInfo describes it, 276 bytes. The library zeroes all
// of it before filling the fields that apply.
struct ParamInfo {
    ParamValue defaultValue; // 0
    uint32_t type;           // 8: ParamType
    union {                  // 12
        struct {
            float minimum;       // 12: lower end of the displayed scale
            float maximum;       // 16: upper end
            uint32_t continuous; // 20: 1 on continuous scales, 0 on counts
        } slider;
        struct {
            uint32_t count;                                 // 12
            char entries[kMaxChoiceEntries][kChoiceEntryBytes]; // 16 + 20 * i
        } choice;
    };
    char name[kParamNameBytes]; // 216
    int32_t x;                  // 256: control placement in panel units
    int32_t y;                  // 260
    int32_t width;              // 264
    int32_t height;             // 268
    uint8_t present;            // 272: 1 for an existing parameter
    uint8_t padding[3];         // 273
};
static_assert(sizeof(ParamInfo) == 276);
static_assert(offsetof(ParamInfo, type) == 8);
static_assert(offsetof(ParamInfo, slider.minimum) == 12);
static_assert(offsetof(ParamInfo, slider.maximum) == 16);
static_assert(offsetof(ParamInfo, slider.continuous) == 20);
static_assert(offsetof(ParamInfo, choice.count) == 12);
static_assert(offsetof(ParamInfo, choice.entries) == 16);
static_assert(offsetof(ParamInfo, name) == 216);
static_assert(offsetof(ParamInfo, x) == 256);
static_assert(offsetof(ParamInfo, height) == 268);
static_assert(offsetof(ParamInfo, present) == 272);

// Pixel format codes of FrameDesc::format and ImageView::format.
enum PixelFormat : uint32_t {
    kFormatBGRA8 = 0,  // four bytes: blue, green, red, alpha
    kFormatARGB8 = 1,  // the bytes of code 0 reversed: alpha, red, green, blue
    kFormatBGRAF = 3,  // four floats 0..1 in the order of code 0
    kFormatARGBF = 4,  // four floats in the order of code 1
    kFormatGray8 = 6,  // one byte
    kFormatGrayF = 7,  // one float
    kFormatGPU8 = 8,   // GPU path only
    kFormatGPU9 = 9,   // GPU path only, the reverse of 8
};

// A host frame, 40 bytes. data addresses row 0; stride may be negative.
//
// A frame describes its picture when data is present, width and height are
// positive, the pixel size is the one its format implies (4 for codes 0, 1
// and 7, 16 for 3 and 4, 1 for 6), |stride| is at least width * pixel size
// (INT32_MIN has no magnitude and never is), and every row lies inside the
// address space. A frame that does not is refused before anything is read
// or written: the call returns false and the host's frames stay as they
// were. Packed 4:2:2 frames (the frame processor's slots 6 and 7) carry no
// format code of their own; only their rows are checked.
struct FrameDesc {
    void* data;         // 0
    int32_t width;      // 8
    int32_t height;     // 12
    int32_t stride;     // 16: bytes from row to row, may be negative
    int32_t pixelSize;  // 20: 1, 4 or 16
    uint64_t reserved;  // 24: zero
    uint32_t format;    // 32: PixelFormat
    uint8_t topDown;    // 36: 1 when row 0 is the top of the picture
    uint8_t padding[3]; // 37
};
static_assert(sizeof(FrameDesc) == 40);
static_assert(offsetof(FrameDesc, width) == 8);
static_assert(offsetof(FrameDesc, stride) == 16);
static_assert(offsetof(FrameDesc, pixelSize) == 20);
static_assert(offsetof(FrameDesc, reserved) == 24);
static_assert(offsetof(FrameDesc, format) == 32);
static_assert(offsetof(FrameDesc, topDown) == 36);

// The timing record handed to the render entries: two doubles, the second of
// which is the progress t (0 all "from", 1 all "to"). The first is not read.
struct TimingRecord {
    double unused;
    double progress;
};
static_assert(sizeof(TimingRecord) == 16 && offsetof(TimingRecord, progress) == 8);

struct IGPUTexture;

// A GPU image exchanged with the host, 40 bytes.
struct GPUFrame {
    IGPUTexture* texture;  // 0
    uint32_t format;       // 8
    int32_t textureWidth;  // 12
    int32_t textureHeight; // 16
    int32_t width;         // 20
    int32_t height;        // 24
    int32_t x;             // 28
    int32_t y;             // 32
    uint8_t flipped;       // 36
    uint8_t reserved[3];   // 37
};
static_assert(sizeof(GPUFrame) == 40);
static_assert(offsetof(GPUFrame, format) == 8);
static_assert(offsetof(GPUFrame, width) == 20);
static_assert(offsetof(GPUFrame, y) == 32);
static_assert(offsetof(GPUFrame, flipped) == 36);

inline constexpr int kPresetTextBytes = 260;
inline constexpr int kPresetMaxEntries = 100;

struct PresetEntry {
    ParamValue value; // 0
    uint32_t type;    // 8: ParamType
};
static_assert(sizeof(PresetEntry) == 12);

// A parameter set exchanged with the preset saver, 1984 bytes.
struct PresetData {
    char name[kPresetTextBytes];        // 0
    char libraryName[kPresetTextBytes]; // 260
    char effectName[kPresetTextBytes];  // 520
    PresetEntry entries[kPresetMaxEntries]; // 780: entry i is parameter i
    int32_t count;                      // 1980: valid entries, at most 100
};
static_assert(sizeof(PresetData) == 1984);
static_assert(offsetof(PresetData, libraryName) == 260);
static_assert(offsetof(PresetData, effectName) == 520);
static_assert(offsetof(PresetData, entries) == 780);
static_assert(offsetof(PresetData, count) == 1980);

// ---------------------------------------------------------------------------
// Interfaces

// Slots 0-2 of every interface. AddRef returns the new count; Release the
// count after its decrement (0 when it destroyed the object). A factory's
// result holds one reference that the caller owns.
struct IUnknown {
    virtual Result QueryInterface(const GUID* iid, void** out) = 0; // 0
    virtual uint32_t AddRef() = 0;                                  // 1
    virtual uint32_t Release() = 0;                                 // 2
protected:
    ~IUnknown() = default;
};

class MemoryAllocator;
struct IVideoEffect;
struct IFrameProcessor;
struct IPresetSaver;
struct ILibrarySettings;
struct IGLDevice;

// library -> host. The host's object handed to every render entry.
struct IEffectContext : IUnknown {
    // 3: the current value of parameter `index`, encoded as `type` says.
    virtual Bool8 GetParamValue(uint32_t index, ParamValue* out, uint32_t type) = 0;
protected:
    ~IEffectContext() = default;
};

// library -> host. Scratch memory of the host, asked from the context by
// QueryInterface(IID_IHostAllocator). Results are 0 on success; *out is null
// when nothing was allocated.
struct IHostAllocator : IUnknown {
    virtual Result AllocateBlock(void** out, uint64_t size) = 0;                  // 3
    virtual void FreeBlock(void* block) = 0;                                      // 4
    virtual Result AllocatePicture(void** out, uint32_t width, uint32_t height,
                                   uint32_t pixelSize, int32_t* stride) = 0;     // 5: stride >= width * pixelSize
    virtual void FreePicture(void* picture) = 0;                                  // 6
protected:
    ~IHostAllocator() = default;
};

// host -> library. The object GetEffectsLibrary returns. Any thread may count
// references; the other slots run on the host's UI or render thread.
struct IEffectLibrary : IUnknown {
    virtual const char* GetLibraryName() = 0;             // 3: "Solvane Tumblers"
    virtual IVideoEffect* CreateEffect(uint32_t index) = 0; // 4: 0..12, else null; caller owns one reference
    virtual uint32_t Reserved() = 0;                      // 5: always 0
    virtual ILibrarySettings* GetSettings() = 0;          // 6: static object, not counted
    virtual IFrameProcessor* CreateFrameProcessor() = 0;  // 7: caller owns one reference
    virtual IPresetSaver* CreatePresetSaver() = 0;        // 8: caller owns one reference
    virtual void DeleteSelf(uint32_t flags) = 0;          // 9: deleting destructor; bit 0 frees memory
protected:
    ~IEffectLibrary() = default;
};

// host -> library. The library's translations, asked from the library object
// by QueryInterface(IID_IMultiLingual). Every slot answers 0 (false, null)
// when no language file is loaded.
struct IMultiLingual : IUnknown {
    // 3: the languages of the loaded file: copies the two-letter code of
    // language `index` into `code` (3 bytes) and its own name into `name`
    // (capacity in characters, zero-terminated); returns the number of
    // languages, or 0. Null buffers are allowed (count only).
    virtual int64_t EnumerateLanguages(uint32_t index, char* code, uint32_t codeCapacity,
                                       char16_t* name, uint32_t nameCapacity,
                                       uint32_t reserved0, uint64_t reserved1) = 0;
    // 4: the translation of `key` in `section` for `language` into `out`
    // (capacity in characters, including the terminator). Returns the number
    // of characters written, 0 when there is none.
    virtual uint32_t Translate(const char* language, uint32_t section, const char* key,
                               char16_t* out, uint32_t capacity) = 0;
    // 5: the file's current (default) language as a two-letter code, or null.
    virtual const char* CurrentLanguage() = 0;
    // 6: whether the loaded file holds the language `code`.
    virtual Bool8 HasLanguage(const char* code) = 0;
protected:
    ~IMultiLingual() = default;
};

// host -> library. The four user settings, from IEffectLibrary::GetSettings.
// The object is static: AddRef answers 2 and Release 1. Setters store the
// value and write it to the user's settings store at once.
struct ILibrarySettings : IUnknown {
    virtual Bool8 GetKnobsDragVertical() = 0;         // 3
    virtual void SetKnobsDragVertical(Bool8 on) = 0;  // 4
    virtual Bool8 GetKeyFramesVsPresets() = 0;        // 5
    virtual void SetKeyFramesVsPresets(Bool8 on) = 0; // 6
    virtual Bool8 GetCropOverscan() = 0;              // 7
    virtual void SetCropOverscan(Bool8 on) = 0;       // 8
    virtual Bool8 GetForcedCPU() = 0;                 // 9
    virtual void SetForcedCPU(Bool8 on) = 0;          // 10
    virtual void Refresh() = 0;                       // 11: re-read the stores
protected:
    ~ILibrarySettings() = default;
};

// host -> library. One transition. One object renders one frame at a time;
// a host rendering in parallel uses one object per thread.
struct IVideoEffect : IUnknown {
    virtual const char* GetEffectName() = 0;                           // 3
    virtual uint32_t GetEffectFlags() = 0;                             // 4: 966 or 962
    virtual Bool8 GetParamInfo(uint32_t index, ParamInfo* out) = 0;    // 5: zeroes *out; false past the last
    // 6: CPU render. Returns false when nothing was rendered; the host then
    // keeps its own output. Refused before anything is written: a missing
    // frame or timing record, a frame that does not describe its picture
    // (see FrameDesc), an output that is not four-channel (0, 1, 3, 4), and
    // pictures whose format differs from the output's. Sizes may differ.
    virtual Bool8 Render(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out,
                         const TimingRecord* timing) = 0;
    virtual const char* GetPresetName(uint32_t preset) = 0;            // 7: null past the last
    virtual Bool8 GetPresetValue(uint32_t preset, uint32_t param, ParamValue* out) = 0; // 8
protected:
    ~IVideoEffect() = default;
};

// host -> library. IVideoEffect with the GPU entries; the same table.
struct IVideoGPUEffect : IVideoEffect {
    // 9: proves the programs build; record = {0, programs ok, forced CPU}.
    virtual Bool8 PrepareGPU(IEffectContext* context, IGLDevice* device, uint32_t* record, uint32_t flags) = 0;
    // 10: GPU render of one frame with the host's context current.
    virtual Bool8 RenderGPU(void* unused, IEffectContext* context, IGLDevice* device, GPUFrame* from,
                            GPUFrame* to, GPUFrame* out, const TimingRecord* timing) = 0;
    // 11, 12: the transition's own forms of 9 and 10, called by them.
    virtual Bool8 PrepareEffectGPU(IEffectContext* context, uint32_t* record, uint32_t flags) = 0;
    virtual Bool8 RenderEffectGPU(IEffectContext* context, GPUFrame* from, GPUFrame* to, GPUFrame* out,
                                  const TimingRecord* timing) = 0;
    virtual void DeleteSelf(uint32_t flags) = 0; // 13: deleting destructor
    // 14: the transition's own CPU render, called by slot 6 with the progress
    // and the render's scratch allocator (library-internal; hosts call 6).
    virtual Bool8 RenderFrame(IEffectContext* context, FrameDesc* from, FrameDesc* to, FrameDesc* out,
                              double progress, MemoryAllocator* allocator) = 0;
protected:
    ~IVideoGPUEffect() = default;
};

// host -> library. Tooltips of a transition's parameters.
struct IParamToolTip : IUnknown {
    virtual const char* GetToolTip(uint32_t param) = 0; // 3: null past the last
protected:
    ~IParamToolTip() = default;
};

// host -> library. Conversions and simple operations on the host's frames.
// Every operation returns false, leaving the destination untouched, for a
// null frame, a frame that does not describe its picture (see FrameDesc) or
// a format the operation does not support.
// One object serves one thread at a time.
struct IFrameProcessor : IUnknown {
    virtual Bool8 CopyImage(FrameDesc* src, FrameDesc* dst) = 0;                          // 3
    virtual Bool8 Resize(FrameDesc* src, FrameDesc* dst, int32_t interpolation) = 0;      // 4: 0 nearest, 1 linear, 2 cubic
    virtual Bool8 SwapChannelOrder(FrameDesc* src, FrameDesc* dst) = 0;                   // 5
    virtual Bool8 UnpackYUV422(FrameDesc* src, FrameDesc* dst, uint8_t alpha) = 0;        // 6
    virtual Bool8 PackYUV422(FrameDesc* src, FrameDesc* dst) = 0;                         // 7
    virtual Bool8 SetChannel(FrameDesc* frame, uint32_t channel, uint32_t value) = 0;     // 8
    virtual Bool8 Composite(FrameDesc* fg, FrameDesc* bg, FrameDesc* dst, uint64_t premultiplied) = 0; // 9
    virtual Bool8 SwapChannels(FrameDesc* frame, const uint32_t* order) = 0;              // 10: four indexes
    virtual Bool8 Premultiply(FrameDesc* frame) = 0;                                      // 11
    virtual Bool8 YCbCrToRGB(FrameDesc* src, FrameDesc* dst) = 0;                         // 12
    virtual Bool8 RGBToYCbCr(FrameDesc* src, FrameDesc* dst) = 0;                         // 13
    virtual Bool8 FlipRows(FrameDesc* frame) = 0;                                         // 14
    virtual Bool8 CopyFlipped(FrameDesc* src, FrameDesc* dst) = 0;                        // 15
    virtual Bool8 CopyChannel(FrameDesc* src, FrameDesc* dst, uint32_t srcChannel, uint32_t dstChannel) = 0; // 16
    virtual Bool8 InvertChannel(FrameDesc* frame, uint32_t channel) = 0;                  // 17
    virtual Bool8 SquareValues(FrameDesc* frame) = 0;                                     // 18
    virtual Bool8 SqrtValues(FrameDesc* frame) = 0;                                       // 19
    virtual Bool8 ClampBelow(FrameDesc* frame, const float* thresholds) = 0;              // 20: four floats
    virtual void DeleteSelf(uint32_t flags) = 0;                                          // 21
    virtual Bool8 ResizeRect(FrameDesc* src, const uint32_t* rect, FrameDesc* dst, uint32_t interpolation) = 0; // 22: left, top, right, bottom inclusive
protected:
    ~IFrameProcessor() = default;
};

// Results of the preset saver.
enum PresetResult : uint32_t {
    kPresetOk = 0,           // done, or the user cancelled the dialog
    kPresetError = 1,        // after the error message box
    kPresetOtherEffect = 2,  // load only: the file belongs to another transition
};

// host -> library. Saving and loading parameter sets as XML files. Modal: each
// call returns after its dialog and any message box are closed.
struct IPresetSaver : IUnknown {
    virtual uint32_t LoadPreset(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex,
                                PresetData* record, const char* language) = 0; // 3
    virtual uint32_t SavePreset(void* ownerWindow, IEffectLibrary* library, uint32_t effectIndex,
                                PresetData* record, const char* language) = 0; // 4
    virtual void DeleteSelf(uint32_t flags) = 0;                               // 5
protected:
    ~IPresetSaver() = default;
};


// ---------------------------------------------------------------------------
// The host's GPU objects (library -> host). The library calls them only from
// its GPU entries (IVideoGPUEffect slots 9 and 10), on the host's render
// thread with the host's GL context current. Slots not listed are reserved:
// a host fills them, the library never calls them.

// The GL extension table shared by host and library, 1264 bytes: 8-byte entry
// points first (slot i at byte 8 * i, in the order of kExtensionEntryNames),
// then one-byte availability flags (1 available, 0 not) at kExtensionFlagBase
// + flag index. A host fills it with its context's own look-up; the library
// copies it and calls only glUseProgramObjectARB and glMultiTexCoord2fARB.
inline constexpr int kExtensionEntryCount = 65;
inline constexpr const char* kExtensionEntryNames[kExtensionEntryCount] = {
    "glCreateShaderObjectARB", "glCreateProgramObjectARB", "glShaderSourceARB", "glCompileShaderARB",
    "glGetObjectParameterivARB", "glAttachObjectARB", "glDeleteObjectARB", "glLinkProgramARB",
    "glDeleteProgramsARB", "glGetActiveUniformARB", "glGetInfoLogARB", "glUseProgramObjectARB",
    "glGetUniformLocationARB", "glUniform1fARB", "glUniform2fARB", "glUniform3fARB", "glUniform4fARB",
    "glUniform1iARB", "glUniform2iARB", "glUniform3iARB", "glUniform4iARB", "glUniformMatrix2fvARB",
    "glUniformMatrix3fvARB", "glUniformMatrix4fvARB", "glGetAttribLocationARB",
    "glGenFramebuffersEXT", "glBindFramebufferEXT", "glFramebufferTexture2DEXT",
    "glCheckFramebufferStatusEXT", "glDeleteFramebuffersEXT", "glGenRenderbuffersEXT",
    "glBindRenderbufferEXT", "glRenderbufferStorageEXT", "glFramebufferRenderbufferEXT",
    "glDeleteRenderbuffersEXT", "glBlitFramebufferEXT", "glRenderbufferStorageMultisampleEXT",
    "glActiveTextureARB", "glMultiTexCoord2fARB", "glBlendColorEXT", "glBlendEquationEXT",
    "glBlendFuncSeparateEXT", "glBlendEquationSeparateEXT", "glGenQueriesARB", "glDeleteQueriesARB",
    "glBeginQueryARB", "glEndQueryARB", "glGetQueryObjectivARB", "glGetQueryObjecti64vEXT",
    "glGenBuffersARB", "glBindBufferARB", "glBufferDataARB", "glBufferSubDataARB",
    "glGetBufferSubDataARB", "glMapBufferARB", "glUnmapBufferARB", "glDeleteBuffersARB",
    "glVertexAttribPointerARB", "glEnableVertexAttribArrayARB", "glDisableVertexAttribArrayARB",
    "glBindAttribLocationARB", "glGetProgramivARB", "glDrawArraysInstancedEXT",
    "glDrawElementsInstancedEXT", "glProgramParameteriEXT",
};
inline constexpr int kExtensionFlagBase = 0x4B1;
inline constexpr int kExtensionFlagCount = 18;
// The extension each flag stands for, in flag order (byte 0x4B1 onward).
inline constexpr const char* kExtensionFlagNames[kExtensionFlagCount] = {
    "GL_ARB_shader_objects", "GL_EXT_framebuffer_object", "GL_ARB_multitexture", "GL_EXT_blend_color",
    "GL_EXT_blend_minmax", "GL_EXT_blend_func_separate", "GL_EXT_blend_equation_separate",
    "GL_EXT_framebuffer_blit", "GL_EXT_framebuffer_multisample", "GL_ARB_occlusion_query",
    "GL_EXT_timer_query", "GL_ARB_pixel_buffer_object", "GL_ARB_vertex_buffer_object",
    "GL_ARB_vertex_program", "GL_ATI_meminfo", "GL_NVX_gpu_memory_info", "GL_EXT_draw_instanced",
    "GL_EXT_geometry_shader4",
};

struct ExtensionTable {
    void* entries[kExtensionEntryCount];          // 0x000
    uint8_t reserved0[kExtensionFlagBase - 0x208]; // 0x208: the host may use it; the library leaves it null
    uint8_t flags[kExtensionFlagCount];           // 0x4B1
    uint8_t reserved1[0x4F0 - 0x4C3];             // 0x4C3
};
static_assert(sizeof(ExtensionTable) == 1264);
static_assert(offsetof(ExtensionTable, reserved0) == 0x208);
static_assert(offsetof(ExtensionTable, flags) == 0x4B1);
static_assert(offsetof(ExtensionTable, reserved1) == 0x4C3);

struct IGPUProgram;

// library -> host. A GPU image the host owns.
struct IGPUTexture : IUnknown {
    virtual void Reserved3() = 0;                  // 3
    virtual void SetFilter(uint32_t filter) = 0;   // 4: GL_NEAREST 0x2600 or GL_LINEAR 0x2601, before sampling
protected:
    ~IGPUTexture() = default;
};

// library -> host. The host's GL context, handed to the GPU entries. The
// state calls act on the current context at once.
struct IGLDevice : IUnknown {
    virtual void Reserved3() = 0;                                             // 3
    virtual void Reserved4() = 0;                                             // 4
    virtual const void* GetExtensionTable() = 0;                              // 5: an ExtensionTable, never null
    virtual void GetIntegerv(uint32_t name, int32_t* out, uint32_t count) = 0; // 6
    virtual void GetFloatv(uint32_t name, float* out, uint32_t count) = 0;     // 7
    virtual Bool8 Enable(uint32_t cap) = 0;                                   // 8: false when the context refused it
    virtual void Disable(uint32_t cap) = 0;                                   // 9
    virtual void BlendColor(float r, float g, float b, float a) = 0;          // 10
    virtual void BlendEquationSeparate(uint32_t rgb, uint32_t alpha) = 0;     // 11
    virtual void BlendFuncSeparate(uint32_t srcRGB, uint32_t dstRGB, uint32_t srcAlpha, uint32_t dstAlpha) = 0; // 12
    virtual void SetOutputState(uint32_t value) = 0;                          // 13: called with 0 before each output copy
protected:
    ~IGLDevice() = default;
};

// library -> host. One linked program. Setters answer false for a name the
// program lacks; names are NUL-terminated 8-bit text.
struct IGPUProgram : IUnknown {
    virtual void Use() = 0;                                                   // 3: make it current
    virtual Bool8 SetInt(const char* name, int32_t v) = 0;                    // 4
    virtual void Reserved5() = 0;                                             // 5
    virtual void Reserved6() = 0;                                             // 6
    virtual void Reserved7() = 0;                                             // 7
    virtual Bool8 SetFloat(const char* name, float v) = 0;                    // 8
    virtual Bool8 SetFloat2(const char* name, float x, float y) = 0;          // 9
    virtual void Reserved10() = 0;                                            // 10
    virtual Bool8 SetFloat4(const char* name, float x, float y, float z, float w) = 0; // 11
    virtual void Reserved12() = 0;                                            // 12
    virtual void Reserved13() = 0;                                            // 13
    virtual void Reserved14() = 0;                                            // 14
    virtual Bool8 SetTexture(const char* name, IGPUTexture* texture) = 0;     // 15
    // 16: with null, the number of active uniforms; else fills one
    // kUniformRecordBytes record per uniform, its NUL-terminated name first.
    virtual uint32_t GetUniformNames(uint8_t* buffer) = 0;
    virtual void Reserved17() = 0;                                            // 17
    virtual void Reserved18() = 0;                                            // 18
    virtual Bool8 IsValid() = 0;                                              // 19
protected:
    ~IGPUProgram() = default;
};
inline constexpr uint32_t kUniformRecordBytes = 68;

// library -> host. Creates programs and render targets, asked from the
// effect context by QueryInterface(IID_IGPUHost); the caller owns the
// reference. Sources are plain GLSL when their text length and value are 0;
// a host may refuse any other kind (false).
struct IGPUHost : IUnknown {
    virtual void Reserved3() = 0; // 3
    virtual void Reserved4() = 0; // 4
    virtual void Reserved5() = 0; // 5
    virtual void Reserved6() = 0; // 6
    virtual void Reserved7() = 0; // 7
    virtual void Reserved8() = 0; // 8
    // 9: on true *out is a complete target of the size and format asked
    // (texture drawable from and renderable into); on false *out is unchanged.
    virtual Bool8 CreateRenderTarget(IGLDevice* device, GPUFrame* out, void* reserved, int32_t width,
                                     int32_t height, uint32_t format, uint32_t zero0, uint32_t zero1,
                                     uint32_t zero2) = 0;
    virtual void Reserved10() = 0; // 10
    virtual void Reserved11() = 0; // 11
    // 12: on true *out is a linked program the caller gives back with slot 16.
    virtual Bool8 CreateProgram(IGLDevice* device, IGPUProgram** out, const uint8_t* vertexData,
                                const uint8_t* fragmentData, const uint8_t* thirdData,
                                uint32_t vertexLength, uint32_t fragmentLength, uint32_t thirdLength,
                                uint32_t vertexTextLength, uint32_t fragmentTextLength,
                                uint32_t thirdTextLength, uint64_t vertexValue, uint64_t fragmentValue,
                                uint64_t thirdValue) = 0;
    virtual void Reserved13() = 0;                            // 13
    virtual void ReleaseRenderTarget(GPUFrame* target) = 0;   // 14: the record may be empty (all zero)
    virtual void Reserved15() = 0;                            // 15
    virtual void ReleaseProgram(IGPUProgram* program) = 0;    // 16
    // 17: later drawing lands in `target` (null: the host's own target),
    // covering it whole; samples > 0 asks for a multisampled target; the
    // scene flag marks the depth-tested scene target.
    virtual Bool8 SetRenderTarget(IGLDevice* device, GPUFrame* target, int32_t samples, uint8_t sceneFlag,
                                  uint8_t zero) = 0;
    // 18: after drawing into a multisampled target, its texture holds the
    // resolved picture.
    virtual void ResolveRenderTarget(IGLDevice* device, GPUFrame* target) = 0;
    virtual void Reserved19() = 0;                            // 19
    // 20: prepares `transition` and fills record[3]; bit 0 of record[1] set
    // means it renders on this host's GPU.
    virtual Bool8 TestEffect(IVideoGPUEffect* transition, uint32_t* record) = 0;
    virtual void Reserved21() = 0;                            // 21
    virtual void Reserved22() = 0;                            // 22
    virtual void Reserved23() = 0;                            // 23
    // 24: text of `kind` (7: the host's GPU description); with a null buffer
    // its length in characters, else the characters copied (at most length - 1,
    // NUL-terminated).
    virtual uint32_t GetInfoText(uint32_t kind, char16_t* buffer, uint32_t length) = 0;
protected:
    ~IGPUHost() = default;
};

} // namespace svt

extern "C" {
// The module's exports.
typedef svt::IEffectLibrary* (*GetEffectsLibraryFn)();
typedef svt::Bool8 (*CanUnloadDLLNowFn)();
}
