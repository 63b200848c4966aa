/* A host written in C: loads the module given as argv[1] (SVTumblers.so, or
 * SVTumblers.dll under Windows or Wine) and calls every
 * host-facing slot through raw table pointers. It includes none of the
 * library's headers, so the tables and records below are an independent
 * statement of the binary contract. Prints one line per failed check and
 * "N passed, M failed"; exits 0 only when nothing failed. The settings
 * setters run only when SVT_REGISTRY_ROOT points at a scratch store (on
 * Windows the registry itself: set it where the registry is a scratch one,
 * as in the tests' own Wine prefix). */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
static void* OpenModule(const char* path) { return (void*)LoadLibraryA(path); }
static void* FindExport(void* module, const char* name) { return (void*)GetProcAddress((HMODULE)module, name); }
static void CloseModule(void* module) { FreeLibrary((HMODULE)module); }
static const char* LoadError(void) { return "LoadLibrary failed"; }
#else
#include <dlfcn.h>
static void* OpenModule(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void* FindExport(void* module, const char* name) { return dlsym(module, name); }
static void CloseModule(void* module) { dlclose(module); }
static const char* LoadError(void) { return dlerror(); }
#endif

typedef struct Guid {
    uint32_t d1;
    uint16_t d2, d3;
    uint8_t d4[8];
} Guid;

static const Guid kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const Guid kIEffectLibrary = {0x9B8D0B5F, 0x065A, 0x46B1, {0x88, 0x9C, 0xF0, 0x57, 0x93, 0x4C, 0xE8, 0xA4}};
static const Guid kIMultiLingual = {0xF6E85D4E, 0xDC38, 0x476C, {0xAC, 0x59, 0xEB, 0x50, 0x0B, 0xA9, 0x3C, 0xDC}};
static const Guid kIVideoEffect = {0x0BCF7FCD, 0x6BE5, 0x4A40, {0x9A, 0x49, 0xA6, 0x8D, 0x6B, 0xF6, 0x60, 0x26}};
static const Guid kIVideoGPUEffect = {0x418A60D9, 0xFCA6, 0x434F, {0x9F, 0xE8, 0xEB, 0x6B, 0xC1, 0x1C, 0x5C, 0x13}};
static const Guid kIParamToolTip = {0xC40A4523, 0xECE1, 0x493B, {0xA7, 0x3D, 0xEC, 0xF1, 0x15, 0x38, 0xF6, 0x00}};
static const Guid kIFrameProcessor = {0xB9D19C11, 0x28CC, 0x4C17, {0x80, 0xC6, 0x23, 0x5D, 0xAD, 0x31, 0x68, 0x4A}};
static const Guid kIPresetSaver = {0x44CD1462, 0x6E3D, 0x438E, {0x9B, 0x72, 0x8C, 0x53, 0x3A, 0xA8, 0xFD, 0x8C}};
static const Guid kIUnheardOf = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

enum { kOk = 0 };
static const int32_t kNoInterface = (int32_t)0x80004002u;
static const int32_t kNullOut = (int32_t)0x80004005u;

/* An object points at its table of functions in slot order; each takes the
 * object first. */
typedef struct Object {
    const void* const* table;
} Object;

typedef int32_t (*QueryInterfaceFn)(Object*, const Guid*, void**);
typedef uint32_t (*CountFn)(Object*);

/* Slots 0 to 2 of every table. */
#define UNKNOWN_SLOTS                  \
    QueryInterfaceFn QueryInterface; \
    CountFn AddRef;                    \
    CountFn Release;

typedef struct UnknownTable {
    UNKNOWN_SLOTS
} UnknownTable;

typedef struct LibraryTable {
    UNKNOWN_SLOTS
    const char* (*GetLibraryName)(Object*);         /* 3 */
    Object* (*CreateEffect)(Object*, uint32_t);      /* 4 */
    uint32_t (*Reserved)(Object*);                   /* 5 */
    Object* (*GetSettings)(Object*);                 /* 6 */
    Object* (*CreateFrameProcessor)(Object*);        /* 7 */
    Object* (*CreatePresetSaver)(Object*);           /* 8 */
    void (*DeleteSelf)(Object*, uint32_t);           /* 9 */
} LibraryTable;

typedef struct SettingsTable {
    UNKNOWN_SLOTS
    struct {
        uint8_t (*Get)(Object*);
        void (*Set)(Object*, uint8_t);
    } value[4];               /* 3 to 10: knobs drag vertical, key frames vs presets, crop overscan, forced CPU */
    void (*Refresh)(Object*); /* 11 */
} SettingsTable;

typedef struct MultiLingualTable {
    UNKNOWN_SLOTS
    int64_t (*EnumerateLanguages)(Object*, uint32_t, char*, uint32_t, uint16_t*, uint32_t, uint32_t,
                                  uint64_t);                                            /* 3 */
    uint32_t (*Translate)(Object*, const char*, uint32_t, const char*, uint16_t*, uint32_t); /* 4 */
    const char* (*CurrentLanguage)(Object*);                                            /* 5 */
    uint8_t (*HasLanguage)(Object*, const char*);                                       /* 6 */
} MultiLingualTable;

typedef struct Timing {
    double unused, progress;
} Timing;

typedef struct EffectTable {
    UNKNOWN_SLOTS
    const char* (*GetEffectName)(Object*);                                        /* 3 */
    uint32_t (*GetEffectFlags)(Object*);                                          /* 4 */
    uint8_t (*GetParamInfo)(Object*, uint32_t, uint8_t*);                         /* 5 */
    uint8_t (*Render)(Object*, Object*, void*, void*, void*, const Timing*);      /* 6: frames of 40 bytes */
    const char* (*GetPresetName)(Object*, uint32_t);                              /* 7 */
    uint8_t (*GetPresetValue)(Object*, uint32_t, uint32_t, uint8_t*);             /* 8 */
    uint8_t (*PrepareGPU)(Object*, Object*, void*, uint32_t*, uint32_t);          /* 9 */
    uint8_t (*RenderGPU)(Object*, void*, Object*, void*, void*, void*, void*, const Timing*); /* 10 */
    void* slot11;
    void* slot12;
    void (*DeleteSelf)(Object*, uint32_t); /* 13 */
} EffectTable;

typedef struct ToolTipTable {
    UNKNOWN_SLOTS
    const char* (*GetToolTip)(Object*, uint32_t); /* 3 */
} ToolTipTable;

/* ParamInfo, 276 bytes, read by offset. */
enum {
    kParamInfoBytes = 276,
    kOffType = 8,
    kOffMinimum = 12, /* choice: entry count */
    kOffMaximum = 16, /* choice: entries, 20 bytes each */
    kOffContinuous = 20,
    kOffName = 216,
    kOffWidth = 264,
    kOffHeight = 268,
    kOffPresent = 272,
    kGuard = 0xCD,
};

#define TABLE(type, object) ((const type*)(const void*)(object)->table)

static int g_passed, g_failed;

#define CHECK(cond, ...)                                                                   \
    do {                                                                                   \
        if (cond) {                                                                        \
            ++g_passed;                                                                    \
        } else {                                                                           \
            ++g_failed;                                                                    \
            printf("FAIL %s:%d: ", __FILE__, __LINE__), printf(__VA_ARGS__), printf("\n"); \
        }                                                                                  \
    } while (0)

static uint32_t Word(const uint8_t* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }

static float Float(const uint8_t* p) {
    uint32_t w = Word(p);
    float f;
    memcpy(&f, &w, 4);
    return f;
}

static int StrEq(const char* a, const char* b) { return a && b && strcmp(a, b) == 0; }

/* A zero-terminated string of at most max bytes, terminator included. */
static int IsText(const uint8_t* p, size_t max) { return p[0] != 0 && memchr(p, 0, max) != NULL; }

/* A null out pointer is refused with 0x80004005; an unknown identifier, or
 * `other`, with 0x80004002 and a null result. */
static void CheckRefusals(Object* object, const Guid* other, const char* what) {
    QueryInterfaceFn qi = TABLE(UnknownTable, object)->QueryInterface;
    void* out = (void*)object;
    CHECK(qi(object, &kIUnheardOf, &out) == kNoInterface && out == NULL, "%s: unknown identifier", what);
    out = (void*)object;
    CHECK(qi(object, other, &out) == kNoInterface && out == NULL, "%s: another interface", what);
    CHECK(qi(object, &kIUnknown, NULL) == kNullOut, "%s: null out pointer", what);
}

static int AllBytes(const uint8_t* p, size_t n, uint8_t value) {
    while (n--)
        if (*p++ != value) return 0;
    return 1;
}

/* QueryInterface gives `expected` and adds one reference, given back here. */
static void CheckAnswers(Object* object, const Guid* iid, void* expected, const char* what) {
    const UnknownTable* t = TABLE(UnknownTable, object);
    void* out = NULL;
    int32_t r = t->QueryInterface(object, iid, &out);
    CHECK(r == kOk && out == expected, "%s: result %#x, pointer %p, expected %p", what, (unsigned)r, out, expected);
    if (r == kOk && out) {
        Object* got = (Object*)out;
        uint32_t after = TABLE(UnknownTable, got)->AddRef(got);
        uint32_t back = TABLE(UnknownTable, got)->Release(got);
        CHECK(back + 1 == after, "%s: AddRef %u then Release %u", what, after, back);
        TABLE(UnknownTable, got)->Release(got);
    }
}

typedef Object* (*GetEffectsLibraryFn)(void);
typedef uint8_t (*CanUnloadFn)(void);

static void CheckSettings(Object* library) {
    const LibraryTable* lt = TABLE(LibraryTable, library);
    Object* settings = lt->GetSettings(library);
    CHECK(settings != NULL, "GetSettings returned null");
    if (!settings) return;
    const SettingsTable* st = TABLE(SettingsTable, settings);
    CHECK(lt->GetSettings(library) == settings, "GetSettings: one static object");
    CHECK(st->AddRef(settings) == 2, "settings AddRef answers 2");
    CHECK(st->Release(settings) == 1, "settings Release answers 1");
    CHECK(st->Release(settings) == 1, "settings Release never destroys it");
    CheckAnswers(settings, &kIUnknown, settings, "settings QueryInterface(IUnknown)");
    CheckRefusals(settings, &kIEffectLibrary, "settings");
    uint8_t was[4];
    for (int i = 0; i < 4; ++i) {
        was[i] = st->value[i].Get(settings);
        CHECK(was[i] <= 1, "getter %d answers 0 or 1", 3 + 2 * i);
    }
    const char* scratch = getenv("SVT_REGISTRY_ROOT");
    if (!scratch || !scratch[0]) {
        printf("note: SVT_REGISTRY_ROOT not set; settings setters skipped\n");
        return;
    }
    /* Each setter reaches its own getter and no other; they write the store,
     * so Refresh (slot 11) reads back what they set. */
    for (int i = 0; i < 4; ++i) {
        st->value[i].Set(settings, !was[i]);
        for (int j = 0; j < 4; ++j)
            CHECK(st->value[j].Get(settings) == (j <= i ? !was[j] : was[j]), "after setter %d, getter %d", 4 + 2 * i,
                  3 + 2 * j);
    }
    st->Refresh(settings);
    for (int i = 0; i < 4; ++i) {
        CHECK(st->value[i].Get(settings) == !was[i], "Refresh reads back setter %d", 4 + 2 * i);
        st->value[i].Set(settings, was[i]);
    }
}

static void CheckMultiLingual(Object* library) {
    void* out = NULL;
    int32_t r = TABLE(LibraryTable, library)->QueryInterface(library, &kIMultiLingual, &out);
    CHECK(r == kOk && out != NULL && out != (void*)library, "IMultiLingual is a sub-object of its own");
    if (r != kOk || !out) return;
    Object* ml = (Object*)out;
    const MultiLingualTable* mt = TABLE(MultiLingualTable, ml);
    CheckAnswers(ml, &kIUnknown, library, "IMultiLingual QueryInterface(IUnknown)");
    CheckAnswers(ml, &kIMultiLingual, ml, "IMultiLingual QueryInterface(IMultiLingual)");
    uint32_t up = mt->AddRef(ml);
    CHECK(TABLE(LibraryTable, library)->Release(library) == up - 1, "IMultiLingual counts on the library");

    uint16_t text[64];
    uint32_t n = mt->Translate(ml, "en", 5, "Up/Down Knobs Control", text, 64);
    CHECK(n < 64, "Translate stays within its capacity (%u)", n);
    const char* language = mt->CurrentLanguage(ml);
    CHECK(!language || strlen(language) == 2, "CurrentLanguage is null or a two-letter code");
    int64_t languages = mt->EnumerateLanguages(ml, 0, NULL, 0, NULL, 0, 0, 0);
    CHECK(languages >= 0, "EnumerateLanguages counts languages");
    CHECK(!mt->HasLanguage(ml, "xx"), "HasLanguage(\"xx\")");
    mt->Release(ml);
}

static void CheckSideObjects(Object* library) {
    const LibraryTable* lt = TABLE(LibraryTable, library);
    Object* objects[2] = {lt->CreateFrameProcessor(library), lt->CreatePresetSaver(library)};
    const Guid* iids[2] = {&kIFrameProcessor, &kIPresetSaver};
    const char* names[2] = {"frame processor", "preset saver"};
    for (int i = 0; i < 2; ++i) {
        CHECK(objects[i] != NULL, "%s created", names[i]);
        if (!objects[i]) continue;
        CheckAnswers(objects[i], iids[i], objects[i], names[i]);
        CheckAnswers(objects[i], &kIUnknown, objects[i], names[i]);
        CheckRefusals(objects[i], &kIEffectLibrary, names[i]);
        CHECK(TABLE(UnknownTable, objects[i])->Release(objects[i]) == 0, "%s: last Release", names[i]);
    }
}

typedef struct Expected {
    const char* name;
    uint32_t flags;
    uint32_t params;
    uint32_t presets;
} Expected;

static const Expected kExpected[13] = {
    {"3D Box Fold", 966, 5, 8},         {"3D Checker Board", 966, 7, 18}, {"3D Comb", 962, 11, 19},
    {"3D Flip", 966, 8, 8},             {"3D Fly Away", 962, 6, 12},      {"3D Louver Grid", 966, 9, 12},
    {"3D Louvers", 966, 8, 11},         {"3D Magic Carpet", 962, 4, 6},   {"3D Page Turn", 962, 5, 14},
    {"3D Pizza Boxes", 966, 11, 18},    {"3D Rotating Frames", 966, 8, 11},
    {"3D Spiral Bounce", 966, 7, 10},   {"3D Twist", 966, 11, 16},
};

/* The fields at their offsets; the rules of each type are checked through
 * the library's own headers elsewhere. */
static void CheckParamRecord(const char* effect, uint32_t index, const uint8_t* rec) {
    uint32_t type = Word(rec + kOffType);
    CHECK(type == 0 || type == 1 || type == 2 || type == 4, "%s param %u: type %u", effect, index, type);
    CHECK(IsText(rec + kOffName, 40), "%s param %u: name at 216", effect, index);
    CHECK(rec[kOffPresent] == 1 && AllBytes(rec + kOffPresent + 1, 3, 0), "%s param %u: present at 272", effect, index);
    CHECK((int32_t)Word(rec + kOffWidth) > 0 && (int32_t)Word(rec + kOffHeight) > 0, "%s param %u: control size",
          effect, index);
    if (type == 2) {
        CHECK(Float(rec + kOffMinimum) < Float(rec + kOffMaximum) && Word(rec + kOffContinuous) <= 1,
              "%s param %u: slider scale", effect, index);
    } else if (type == 1) {
        uint32_t count = Word(rec + kOffMinimum);
        CHECK(count >= 1 && count <= 10 && Word(rec) < count, "%s param %u: %u entries", effect, index, count);
        for (uint32_t e = 0; e < count && e < 10; ++e)
            CHECK(IsText(rec + kOffMaximum + 20 * e, 20), "%s param %u: entry %u", effect, index, e);
    }
}

static void CheckEffect(Object* library, uint32_t index) {
    const Expected* x = &kExpected[index];
    Object* effect = TABLE(LibraryTable, library)->CreateEffect(library, index);
    CHECK(effect != NULL, "CreateEffect(%u)", index);
    if (!effect) return;
    const EffectTable* et = TABLE(EffectTable, effect);
    const char* name = et->GetEffectName(effect);
    CHECK(StrEq(name, x->name), "effect %u: name \"%s\", expected \"%s\"", index, name ? name : "(null)", x->name);
    CHECK(et->GetEffectFlags(effect) == x->flags, "%s: flags %u", x->name, et->GetEffectFlags(effect));

    CheckAnswers(effect, &kIUnknown, effect, x->name);
    CheckAnswers(effect, &kIVideoEffect, effect, x->name);
    CheckAnswers(effect, &kIVideoGPUEffect, effect, x->name);
    CheckRefusals(effect, &kIEffectLibrary, x->name);

    /* Parameters until false; the record after the last is zeroed, nothing
     * written past its 276 bytes. */
    uint8_t rec[kParamInfoBytes + 16];
    uint32_t count = 0;
    for (;;) {
        memset(rec, kGuard, sizeof(rec));
        if (!et->GetParamInfo(effect, count, rec)) break;
        CheckParamRecord(x->name, count, rec);
        if (++count > 64) break;
    }
    CHECK(count == x->params, "%s: %u parameters, expected %u", x->name, count, x->params);
    CHECK(AllBytes(rec, kParamInfoBytes, 0), "%s: record past the last parameter is zeroed", x->name);
    CHECK(AllBytes(rec + kParamInfoBytes, 16, kGuard), "%s: nothing written past 276 bytes", x->name);
    CHECK(!et->GetParamInfo(effect, 0xFFFFFFFFu, rec), "%s: GetParamInfo(0xFFFFFFFF)", x->name);
    CHECK(!et->GetParamInfo(effect, 0, NULL), "%s: GetParamInfo with a null record", x->name);

    void* out = NULL;
    int32_t r = et->QueryInterface(effect, &kIParamToolTip, &out);
    CHECK(r == kOk && out && out != (void*)effect, "%s: IParamToolTip sub-object", x->name);
    if (r == kOk && out) {
        Object* tips = (Object*)out;
        const ToolTipTable* tt = TABLE(ToolTipTable, tips);
        CheckAnswers(tips, &kIUnknown, effect, "tooltip QueryInterface(IUnknown)");
        CheckAnswers(tips, &kIParamToolTip, tips, "tooltip QueryInterface(IParamToolTip)");
        CheckRefusals(tips, &kIEffectLibrary, "tooltip");
        uint32_t tipCount = 0;
        while (tipCount < x->params && tt->GetToolTip(tips, tipCount)) ++tipCount;
        CHECK(tipCount == x->params, "%s: %u tooltips", x->name, tipCount);
        CHECK(tt->GetToolTip(tips, x->params) == NULL, "%s: no tooltip past the last", x->name);
        /* One count for the object: this gives back QueryInterface's. */
        CHECK(tt->Release(tips) == 1, "%s: tooltip Release shares the count", x->name);
    }

    for (uint32_t p = 0; p < x->presets; ++p)
        CHECK(et->GetPresetName(effect, p) != NULL, "%s: preset %u name", x->name, p);
    CHECK(et->GetPresetName(effect, x->presets) == NULL, "%s: no preset %u", x->name, x->presets);
    uint8_t v[16];
    int all = 1;
    for (uint32_t p = 0; p < x->presets; ++p)
        for (uint32_t i = 0; i < x->params; ++i) all &= et->GetPresetValue(effect, p, i, v) != 0;
    CHECK(all, "%s: every preset value inside the bounds", x->name);
    memset(v, kGuard, sizeof(v));
    CHECK(!et->GetPresetValue(effect, x->presets, 0, v) && !et->GetPresetValue(effect, 0, x->params, v) &&
              !et->GetPresetValue(effect, 0, 0, NULL),
          "%s: GetPresetValue refuses past the bounds and a null out", x->name);
    CHECK(AllBytes(v, sizeof(v), kGuard), "%s: refused GetPresetValue writes nothing", x->name);
    CHECK(et->GetPresetValue(effect, 0, 0, v) && AllBytes(v + 8, 8, kGuard), "%s: a preset value is 8 bytes", x->name);

    /* Render entries with nothing to render from fail, not crash. (No C
     * context: a sanitized module checks the dynamic type of what it calls.) */
    CHECK(!et->Render(effect, NULL, NULL, NULL, NULL, NULL), "%s: CPU render without timing", x->name);
    uint32_t record[3] = {7, 7, 7};
    CHECK(!et->PrepareGPU(effect, NULL, NULL, record, 0), "%s: GPU preparation without a context", x->name);
    uint8_t frames[3][40] = {{0}};
    Timing timing = {0.0, 0.5};
    CHECK(!et->RenderGPU(effect, NULL, NULL, NULL, frames[0], frames[1], frames[2], &timing),
          "%s: GPU render without a context", x->name);

    /* The last reference: Release, or for one the deleting destructor. */
    CHECK(et->AddRef(effect) == 2, "%s: AddRef to 2", x->name);
    CHECK(et->Release(effect) == 1, "%s: Release to 1 keeps it", x->name);
    if (index == 12)
        et->DeleteSelf(effect, 1);
    else
        CHECK(et->Release(effect) == 0, "%s: last Release", x->name);
}

static void CheckLibrary(Object* library, CanUnloadFn canUnload) {
    const LibraryTable* lt = TABLE(LibraryTable, library);
    CHECK(!canUnload(), "CanUnloadDLLNow is false while a library lives");
    CHECK(StrEq(lt->GetLibraryName(library), "Solvane Tumblers"), "GetLibraryName");
    CHECK(lt->Reserved(library) == 0, "slot 5 answers 0");

    CheckAnswers(library, &kIUnknown, library, "library QueryInterface(IUnknown)");
    CheckAnswers(library, &kIEffectLibrary, library, "library QueryInterface(IEffectLibrary)");
    CheckRefusals(library, &kIVideoEffect, "library");
    CHECK(lt->AddRef(library) == 2, "library AddRef to 2");
    CHECK(lt->Release(library) == 1, "library Release to 1 keeps it");

    CHECK(lt->CreateEffect(library, 13) == NULL, "CreateEffect(13) is null");
    CHECK(lt->CreateEffect(library, 0xFFFFFFFFu) == NULL, "CreateEffect(0xFFFFFFFF) is null");
    for (uint32_t i = 0; i < 13; ++i) CheckEffect(library, i);

    CheckSettings(library);
    CheckMultiLingual(library);
    CheckSideObjects(library);
}

int main(int argc, char** argv) {
    void* module = argc == 2 ? OpenModule(argv[1]) : NULL;
    if (!module) {
        fprintf(stderr, "usage: %s path/to/SVTumblers.so (%s)\n", argv[0], argc == 2 ? LoadError() : "no module");
        return 2;
    }
    GetEffectsLibraryFn getLibrary = (GetEffectsLibraryFn)FindExport(module, "GetEffectsLibrary");
    CanUnloadFn canUnload = (CanUnloadFn)FindExport(module, "CanUnloadDLLNow");
    CHECK(getLibrary && canUnload && canUnload(), "both exports found; CanUnloadDLLNow true before any library");
    Object* library = getLibrary && canUnload ? getLibrary() : NULL;
    CHECK(library != NULL, "GetEffectsLibrary");
    if (library) {
        CheckLibrary(library, canUnload);
        /* A second library keeps the module; slot 9 destroys it. */
        Object* second = getLibrary();
        CHECK(second && second != library, "each GetEffectsLibrary builds a new object");
        if (second) {
            CHECK(TABLE(LibraryTable, second)->GetSettings(second) == TABLE(LibraryTable, library)->GetSettings(library),
                  "one settings object for every library");
            TABLE(LibraryTable, second)->DeleteSelf(second, 1);
        }
        CHECK(!canUnload(), "CanUnloadDLLNow stays false while the first library lives");
        CHECK(TABLE(LibraryTable, library)->Release(library) == 0, "library: last Release");
        CHECK(canUnload(), "CanUnloadDLLNow is true after the last library");
    }
    CloseModule(module);
    printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed ? 1 : 0;
}
