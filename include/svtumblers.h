/* svtumblers.h: hosting the SVTumblers module from C.
 *
 * The module is a shared object (SVTumblers.so) that a host loads with
 * dlopen. Its export GetEffectsLibrary returns the library object; through
 * it the host creates the thirteen transitions, a frame processor and a
 * preset saver. Every object is a pointer to a table of function pointers
 * ("slots"), each called with the object first. Slots 0-2 of every table
 * are QueryInterface, AddRef and Release.
 *
 * Rules a host must know:
 *  - Ownership: a factory's result (CreateEffect, CreateFrameProcessor,
 *    CreatePresetSaver) holds one reference the caller owns; give it back
 *    with Release. GetSettings returns a static object (not counted).
 *    Strings the module returns stay valid while their object lives.
 *  - Threads: the module creates no threads. Any thread may count
 *    references. One transition object renders on one thread at a time;
 *    to render on several cores, create one transition per thread (their
 *    parameter values come from each render's context).
 *  - Frames: the host owns every frame's memory. A frame's `data` addresses
 *    row 0 and `stride` may be negative. The module's geometry treats row 0
 *    as the bottom of the picture: hand frames over bottom-up (row 0 at the
 *    bottom, i.e. data at the last row in memory and a negative stride)
 *    for names such as "Push Up" to mean what the viewer sees. `topDown`
 *    says how the host stores them.
 *  - Alpha: 8-bit and float frames carry straight (not premultiplied)
 *    alpha; what a transition leaves uncovered is transparent black.
 *  - Refusals: a frame that does not describe its picture (a size below 1,
 *    a stride shorter than a row or that cannot be negated, a pixel size
 *    that disagrees with its format, an unknown format) is refused: the
 *    entry returns 0 before anything is written, and the host keeps its own
 *    output. Nothing throws or crashes across the boundary.
 *  - Parameters: at render time the module asks the host's context
 *    (slot 3 of SVTEffectContext) for each value; the host answers from
 *    its own store, encoded by the parameter's type.
 *  - Booleans are one byte; a host may answer any non-zero for true.
 *    Wide strings are UTF-16.
 */
#ifndef SVTUMBLERS_H
#define SVTUMBLERS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t SVTBool;
typedef int32_t SVTResult;

#define SVT_OK ((SVTResult)0)
#define SVT_E_NOINTERFACE ((SVTResult)0x80004002u)
#define SVT_E_POINTER ((SVTResult)0x80004005u)

/* ---- Identifiers --------------------------------------------------------- */

typedef struct SVTGuid {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
} SVTGuid;

#define SVT_IID_IUNKNOWN {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}
#define SVT_IID_EFFECT_LIBRARY {0x9B8D0B5F, 0x065A, 0x46B1, {0x88, 0x9C, 0xF0, 0x57, 0x93, 0x4C, 0xE8, 0xA4}}
#define SVT_IID_MULTILINGUAL {0xF6E85D4E, 0xDC38, 0x476C, {0xAC, 0x59, 0xEB, 0x50, 0x0B, 0xA9, 0x3C, 0xDC}}
#define SVT_IID_VIDEO_EFFECT {0x0BCF7FCD, 0x6BE5, 0x4A40, {0x9A, 0x49, 0xA6, 0x8D, 0x6B, 0xF6, 0x60, 0x26}}
#define SVT_IID_VIDEO_GPU_EFFECT {0x418A60D9, 0xFCA6, 0x434F, {0x9F, 0xE8, 0xEB, 0x6B, 0xC1, 0x1C, 0x5C, 0x13}}
#define SVT_IID_PARAM_TOOLTIP {0xC40A4523, 0xECE1, 0x493B, {0xA7, 0x3D, 0xEC, 0xF1, 0x15, 0x38, 0xF6, 0x00}}
#define SVT_IID_FRAME_PROCESSOR {0xB9D19C11, 0x28CC, 0x4C17, {0x80, 0xC6, 0x23, 0x5D, 0xAD, 0x31, 0x68, 0x4A}}
#define SVT_IID_PRESET_SAVER {0x44CD1462, 0x6E3D, 0x438E, {0x9B, 0x72, 0x8C, 0x53, 0x3A, 0xA8, 0xFD, 0x8C}}
/* Asked of the host's context; answered by hosts that offer them. */
#define SVT_IID_HOST_ALLOCATOR {0x9F635B81, 0x506A, 0x4DEE, {0x9D, 0xC7, 0x9E, 0x0B, 0xAB, 0xA2, 0xD5, 0xA2}}
#define SVT_IID_GPU_HOST {0x3C31DE30, 0x7F89, 0x4A56, {0xAB, 0x76, 0xB0, 0x50, 0xB2, 0x9F, 0x29, 0xCB}}

/* ---- Constants ----------------------------------------------------------- */

/* Parameter types (SVTParamInfo.type, SVTPresetEntry.type, and the type
 * the context's GetParamValue is asked for). */
enum {
    SVT_PARAM_POINT = 0,  /* f32 x, f32 y, each 0..1 */
    SVT_PARAM_CHOICE = 1, /* u32 entry index */
    SVT_PARAM_SLIDER = 2, /* f32 fraction 0..1 of the displayed scale */
    SVT_PARAM_CHECK = 4   /* byte 0: 0 or 1 */
};

/* Pixel formats (SVTFrame.format). */
enum {
    SVT_FORMAT_BGRA8 = 0, /* bytes blue, green, red, alpha */
    SVT_FORMAT_ARGB8 = 1, /* bytes alpha, red, green, blue */
    SVT_FORMAT_BGRAF = 3, /* four floats 0..1, order of 0 */
    SVT_FORMAT_ARGBF = 4, /* four floats 0..1, order of 1 */
    SVT_FORMAT_GRAY8 = 6,
    SVT_FORMAT_GRAYF = 7,
    SVT_FORMAT_GPU8 = 8, /* GPU path only */
    SVT_FORMAT_GPU9 = 9  /* GPU path only */
};

/* The flags word of a transition (slot 4 of SVTVideoEffect): 966 for the
 * transitions that render on the GPU too, 962 for the others. */
enum { SVT_EFFECT_FLAGS_GPU = 966, SVT_EFFECT_FLAGS_CPU = 962 };

/* Results of the preset saver. */
enum { SVT_PRESET_OK = 0, SVT_PRESET_ERROR = 1, SVT_PRESET_OTHER_EFFECT = 2 };

enum {
    SVT_MAX_CHOICE_ENTRIES = 10,
    SVT_CHOICE_ENTRY_BYTES = 20,
    SVT_PARAM_NAME_BYTES = 40,
    SVT_PRESET_TEXT_BYTES = 260,
    SVT_PRESET_MAX_ENTRIES = 100
};

/* ---- Records ------------------------------------------------------------- */

typedef struct SVTParamValue { /* 8 bytes, encoded by type */
    uint8_t bytes[8];
} SVTParamValue;

typedef struct SVTParamInfo { /* 276 bytes; the module zeroes it first */
    SVTParamValue defaultValue; /* 0 */
    uint32_t type;              /* 8 */
    union {                     /* 12 */
        struct {
            float minimum;       /* 12: displayed scale */
            float maximum;       /* 16 */
            uint32_t continuous; /* 20: 1 continuous, 0 a count */
        } slider;
        struct {
            uint32_t count;                                               /* 12 */
            char entries[SVT_MAX_CHOICE_ENTRIES][SVT_CHOICE_ENTRY_BYTES]; /* 16 */
        } choice;
    } u;
    char name[SVT_PARAM_NAME_BYTES]; /* 216: not always terminated */
    int32_t x, y, width, height;     /* 256: panel placement */
    uint8_t present;                 /* 272 */
    uint8_t padding[3];
} SVTParamInfo;

typedef struct SVTFrame { /* 40 bytes */
    void* data;         /* 0: row 0 */
    int32_t width;      /* 8 */
    int32_t height;     /* 12 */
    int32_t stride;     /* 16: bytes row to row, may be negative */
    int32_t pixelSize;  /* 20: 1, 4 or 16 */
    uint64_t reserved;  /* 24: zero */
    uint32_t format;    /* 32 */
    uint8_t topDown;    /* 36: 1 when row 0 is the top */
    uint8_t padding[3];
} SVTFrame;

typedef struct SVTTiming { /* 16 bytes */
    double unused;
    double progress; /* t: 0 all "from", 1 all "to" */
} SVTTiming;

typedef struct SVTGPUFrame { /* 40 bytes */
    void* texture;         /* 0: the host's SVTGPUTexture */
    uint32_t format;       /* 8 */
    int32_t textureWidth;  /* 12 */
    int32_t textureHeight; /* 16 */
    int32_t width;         /* 20 */
    int32_t height;        /* 24 */
    int32_t x;             /* 28 */
    int32_t y;             /* 32 */
    uint8_t flipped;       /* 36 */
    uint8_t reserved[3];
} SVTGPUFrame;

typedef struct SVTPresetEntry { /* 12 bytes */
    SVTParamValue value;
    uint32_t type;
} SVTPresetEntry;

typedef struct SVTPresetData { /* 1984 bytes */
    char name[SVT_PRESET_TEXT_BYTES];                   /* 0 */
    char libraryName[SVT_PRESET_TEXT_BYTES];            /* 260 */
    char effectName[SVT_PRESET_TEXT_BYTES];             /* 520 */
    SVTPresetEntry entries[SVT_PRESET_MAX_ENTRIES];     /* 780 */
    int32_t count;                                      /* 1980 */
} SVTPresetData;

/* ---- Objects and their tables ------------------------------------------- */

/* Every object starts with its table. */
typedef struct SVTObject {
    const void* const* table;
} SVTObject;

#define SVT_UNKNOWN_SLOTS(Self)                                                  \
    SVTResult (*QueryInterface)(Self * self, const SVTGuid* iid, void** out); /* 0 */ \
    uint32_t (*AddRef)(Self * self);                                          /* 1 */ \
    uint32_t (*Release)(Self * self);                                         /* 2 */

typedef struct SVTEffectContext SVTEffectContext;
typedef struct SVTGLDevice SVTGLDevice;

/* host -> module: the library object. */
typedef struct SVTEffectLibraryTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    const char* (*GetLibraryName)(SVTObject*);          /* 3 */
    SVTObject* (*CreateEffect)(SVTObject*, uint32_t);   /* 4: 0..12, else null */
    uint32_t (*Reserved)(SVTObject*);                   /* 5 */
    SVTObject* (*GetSettings)(SVTObject*);              /* 6: not counted */
    SVTObject* (*CreateFrameProcessor)(SVTObject*);     /* 7 */
    SVTObject* (*CreatePresetSaver)(SVTObject*);        /* 8 */
    void (*DeleteSelf)(SVTObject*, uint32_t);           /* 9: never called by hosts */
} SVTEffectLibraryTable;

/* host -> module: the settings (GetSettings). */
typedef struct SVTSettingsTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    SVTBool (*GetKnobsDragVertical)(SVTObject*);      /* 3 */
    void (*SetKnobsDragVertical)(SVTObject*, SVTBool); /* 4 */
    SVTBool (*GetKeyFramesVsPresets)(SVTObject*);      /* 5 */
    void (*SetKeyFramesVsPresets)(SVTObject*, SVTBool); /* 6 */
    SVTBool (*GetCropOverscan)(SVTObject*);            /* 7 */
    void (*SetCropOverscan)(SVTObject*, SVTBool);      /* 8 */
    SVTBool (*GetForcedCPU)(SVTObject*);               /* 9 */
    void (*SetForcedCPU)(SVTObject*, SVTBool);         /* 10 */
    void (*Refresh)(SVTObject*);                       /* 11 */
} SVTSettingsTable;

/* host -> module: a transition. */
typedef struct SVTVideoEffectTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    const char* (*GetEffectName)(SVTObject*);                                              /* 3 */
    uint32_t (*GetEffectFlags)(SVTObject*);                                                /* 4 */
    SVTBool (*GetParamInfo)(SVTObject*, uint32_t index, SVTParamInfo* out);                /* 5 */
    SVTBool (*Render)(SVTObject*, SVTEffectContext* context, SVTFrame* from, SVTFrame* to,
                      SVTFrame* out, const SVTTiming* timing);                             /* 6 */
    const char* (*GetPresetName)(SVTObject*, uint32_t preset);                             /* 7 */
    SVTBool (*GetPresetValue)(SVTObject*, uint32_t preset, uint32_t param, SVTParamValue* out); /* 8 */
    SVTBool (*PrepareGPU)(SVTObject*, SVTEffectContext*, SVTGLDevice*, uint32_t* record,
                          uint32_t flags);                                                 /* 9 */
    SVTBool (*RenderGPU)(SVTObject*, void* unused, SVTEffectContext*, SVTGLDevice*, SVTGPUFrame* from,
                         SVTGPUFrame* to, SVTGPUFrame* out, const SVTTiming*);             /* 10 */
    const void* internal11;                                                                /* 11 */
    const void* internal12;                                                                /* 12 */
    void (*DeleteSelf)(SVTObject*, uint32_t);                                              /* 13 */
} SVTVideoEffectTable;

/* host -> module: tooltips (QueryInterface of a transition). */
typedef struct SVTParamToolTipTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    const char* (*GetToolTip)(SVTObject*, uint32_t param); /* 3 */
} SVTParamToolTipTable;

/* host -> module: operations on frames; one object per thread at a time. */
typedef struct SVTFrameProcessorTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    SVTBool (*CopyImage)(SVTObject*, SVTFrame* src, SVTFrame* dst);                   /* 3 */
    SVTBool (*Resize)(SVTObject*, SVTFrame* src, SVTFrame* dst, int32_t interpolation); /* 4 */
    SVTBool (*SwapChannelOrder)(SVTObject*, SVTFrame* src, SVTFrame* dst);            /* 5 */
    SVTBool (*UnpackYUV422)(SVTObject*, SVTFrame* src, SVTFrame* dst, uint8_t alpha);  /* 6 */
    SVTBool (*PackYUV422)(SVTObject*, SVTFrame* src, SVTFrame* dst);                  /* 7 */
    SVTBool (*SetChannel)(SVTObject*, SVTFrame*, uint32_t channel, uint32_t value);    /* 8 */
    SVTBool (*Composite)(SVTObject*, SVTFrame* fg, SVTFrame* bg, SVTFrame* dst, uint64_t premultiplied); /* 9 */
    SVTBool (*SwapChannels)(SVTObject*, SVTFrame*, const uint32_t* order);             /* 10 */
    SVTBool (*Premultiply)(SVTObject*, SVTFrame*);                                     /* 11 */
    SVTBool (*YCbCrToRGB)(SVTObject*, SVTFrame* src, SVTFrame* dst);                   /* 12 */
    SVTBool (*RGBToYCbCr)(SVTObject*, SVTFrame* src, SVTFrame* dst);                   /* 13 */
    SVTBool (*FlipRows)(SVTObject*, SVTFrame*);                                        /* 14 */
    SVTBool (*CopyFlipped)(SVTObject*, SVTFrame* src, SVTFrame* dst);                  /* 15 */
    SVTBool (*CopyChannel)(SVTObject*, SVTFrame* src, SVTFrame* dst, uint32_t srcChannel,
                           uint32_t dstChannel);                                       /* 16 */
    SVTBool (*InvertChannel)(SVTObject*, SVTFrame*, uint32_t channel);                 /* 17 */
    SVTBool (*SquareValues)(SVTObject*, SVTFrame*);                                    /* 18 */
    SVTBool (*SqrtValues)(SVTObject*, SVTFrame*);                                      /* 19 */
    SVTBool (*ClampBelow)(SVTObject*, SVTFrame*, const float* thresholds);             /* 20 */
    void (*DeleteSelf)(SVTObject*, uint32_t);                                          /* 21 */
    SVTBool (*ResizeRect)(SVTObject*, SVTFrame* src, const uint32_t* rect, SVTFrame* dst,
                          uint32_t interpolation);                                     /* 22 */
} SVTFrameProcessorTable;

/* host -> module: preset files. Modal: returns after its dialogs. */
typedef struct SVTPresetSaverTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    uint32_t (*LoadPreset)(SVTObject*, void* ownerWindow, SVTObject* library, uint32_t effectIndex,
                           SVTPresetData* record, const char* language); /* 3 */
    uint32_t (*SavePreset)(SVTObject*, void* ownerWindow, SVTObject* library, uint32_t effectIndex,
                           SVTPresetData* record, const char* language); /* 4 */
    void (*DeleteSelf)(SVTObject*, uint32_t);                            /* 5 */
} SVTPresetSaverTable;

/* module -> host: the context handed to every render. */
struct SVTEffectContext {
    const struct SVTEffectContextTable* table;
};
typedef struct SVTEffectContextTable {
    SVT_UNKNOWN_SLOTS(SVTEffectContext)
    /* 3: the current value of parameter `index`, encoded as `type` says. */
    SVTBool (*GetParamValue)(SVTEffectContext*, uint32_t index, SVTParamValue* out, uint32_t type);
} SVTEffectContextTable;

/* module -> host: scratch memory (QueryInterface of the context with
 * SVT_IID_HOST_ALLOCATOR). Results 0 on success. */
typedef struct SVTHostAllocatorTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    SVTResult (*AllocateBlock)(SVTObject*, void** out, uint64_t size);                     /* 3 */
    void (*FreeBlock)(SVTObject*, void* block);                                            /* 4 */
    SVTResult (*AllocatePicture)(SVTObject*, void** out, uint32_t width, uint32_t height,
                                 uint32_t pixelSize, int32_t* stride);                     /* 5 */
    void (*FreePicture)(SVTObject*, void* picture);                                        /* 6 */
} SVTHostAllocatorTable;

/* module -> host: the GPU host objects. Slots not listed are reserved: a
 * host fills them, the module never calls them. */
typedef struct SVTGPUHostTable { /* QueryInterface of the context with SVT_IID_GPU_HOST */
    SVT_UNKNOWN_SLOTS(SVTObject)
    const void* reserved3to8[6];
    SVTBool (*CreateRenderTarget)(SVTObject*, SVTGLDevice* device, SVTGPUFrame* out, void* reserved,
                                  int32_t width, int32_t height, uint32_t format, uint32_t, uint32_t,
                                  uint32_t); /* 9 */
    const void* reserved10to11[2];
    SVTBool (*CreateProgram)(SVTObject*, SVTGLDevice* device, SVTObject** out, const uint8_t* vertexData,
                             const uint8_t* fragmentData, const uint8_t* thirdData, uint32_t vertexLength,
                             uint32_t fragmentLength, uint32_t thirdLength, uint32_t vertexTextLength,
                             uint32_t fragmentTextLength, uint32_t thirdTextLength, uint64_t vertexValue,
                             uint64_t fragmentValue, uint64_t thirdValue); /* 12 */
    const void* reserved13;
    void (*ReleaseRenderTarget)(SVTObject*, SVTGPUFrame* target); /* 14 */
    const void* reserved15;
    void (*ReleaseProgram)(SVTObject*, SVTObject* program); /* 16 */
    SVTBool (*SetRenderTarget)(SVTObject*, SVTGLDevice* device, SVTGPUFrame* target, int32_t samples,
                               uint8_t sceneFlag, uint8_t zero); /* 17 */
    void (*ResolveRenderTarget)(SVTObject*, SVTGLDevice* device, SVTGPUFrame* target); /* 18 */
    const void* reserved19;
    SVTBool (*TestEffect)(SVTObject*, SVTObject* transition, uint32_t* record); /* 20: 3 words */
    const void* reserved21to23[3];
    uint32_t (*GetInfoText)(SVTObject*, uint32_t kind, uint16_t* buffer, uint32_t length); /* 24 */
} SVTGPUHostTable;

struct SVTGLDevice {
    const struct SVTGLDeviceTable* table;
};
typedef struct SVTGLDeviceTable {
    SVT_UNKNOWN_SLOTS(SVTGLDevice)
    const void* reserved3to4[2];
    const void* (*GetExtensionTable)(SVTGLDevice*);                                   /* 5: 1264 bytes */
    void (*GetIntegerv)(SVTGLDevice*, uint32_t name, int32_t* out, uint32_t count);   /* 6 */
    void (*GetFloatv)(SVTGLDevice*, uint32_t name, float* out, uint32_t count);       /* 7 */
    SVTBool (*Enable)(SVTGLDevice*, uint32_t cap);                                    /* 8 */
    void (*Disable)(SVTGLDevice*, uint32_t cap);                                      /* 9 */
    void (*BlendColor)(SVTGLDevice*, float r, float g, float b, float a);             /* 10 */
    void (*BlendEquationSeparate)(SVTGLDevice*, uint32_t rgb, uint32_t alpha);        /* 11 */
    void (*BlendFuncSeparate)(SVTGLDevice*, uint32_t srcRGB, uint32_t dstRGB, uint32_t srcAlpha,
                              uint32_t dstAlpha);                                     /* 12 */
    void (*SetOutputState)(SVTGLDevice*, uint32_t value);                             /* 13 */
} SVTGLDeviceTable;

typedef struct SVTGPUProgramTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    void (*Use)(SVTObject*);                                                    /* 3 */
    SVTBool (*SetInt)(SVTObject*, const char* name, int32_t v);                 /* 4 */
    const void* reserved5to7[3];
    SVTBool (*SetFloat)(SVTObject*, const char* name, float v);                 /* 8 */
    SVTBool (*SetFloat2)(SVTObject*, const char* name, float x, float y);       /* 9 */
    const void* reserved10;
    SVTBool (*SetFloat4)(SVTObject*, const char* name, float x, float y, float z, float w); /* 11 */
    const void* reserved12to14[3];
    SVTBool (*SetTexture)(SVTObject*, const char* name, SVTObject* texture);    /* 15 */
    uint32_t (*GetUniformNames)(SVTObject*, uint8_t* buffer);                   /* 16: 68 bytes each */
    const void* reserved17to18[2];
    SVTBool (*IsValid)(SVTObject*);                                             /* 19 */
} SVTGPUProgramTable;

typedef struct SVTGPUTextureTable {
    SVT_UNKNOWN_SLOTS(SVTObject)
    const void* reserved3;
    void (*SetFilter)(SVTObject*, uint32_t filter); /* 4: 0x2600 nearest, 0x2601 linear */
} SVTGPUTextureTable;

/* An object's table: SVT_TABLE(SVTVideoEffectTable, effect)->GetEffectName(effect). */
#define SVT_TABLE(Type, object) ((const Type*)(const void*)((const SVTObject*)(object))->table)

/* ---- The module's exports ----------------------------------------------- */

typedef SVTObject* (*SVTGetEffectsLibraryFn)(void); /* "GetEffectsLibrary" */
typedef SVTBool (*SVTCanUnloadNowFn)(void);         /* "CanUnloadDLLNow" */

#ifdef __cplusplus
}
#endif

#endif /* SVTUMBLERS_H */
