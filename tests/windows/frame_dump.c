/* Renders every transition on the CPU through the module's exports and
 * writes the output frames, raw, one after another, to a file: the same
 * program built for Linux and for Windows shows that SVTumblers.so and
 * SVTumblers.dll draw the same pixels.
 * Usage: frame_dump MODULE OUTPUT */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#define OPEN_MODULE(path) ((void*)LoadLibraryA(path))
#define FIND_EXPORT(module, name) ((void*)GetProcAddress((HMODULE)(module), name))
#define CLOSE_MODULE(module) FreeLibrary((HMODULE)(module))
#else
#include <dlfcn.h>
#define OPEN_MODULE(path) dlopen(path, RTLD_NOW | RTLD_LOCAL)
#define FIND_EXPORT(module, name) dlsym(module, name)
#define CLOSE_MODULE(module) dlclose(module)
#endif

typedef struct Object {
    const void* const* table;
} Object;

typedef struct Timing {
    double unused, progress;
} Timing;

typedef struct FrameDesc { /* 40 bytes */
    void* data;
    int32_t width, height, stride, pixelSize;
    uint64_t reserved;
    uint32_t format;
    uint8_t topDown, padding[3];
} FrameDesc;

typedef struct LibraryTable {
    void* unknown[3];
    void* slot3;
    Object* (*CreateEffect)(Object*, uint32_t); /* 4 */
    void* slot5;
    Object* (*GetSettings)(Object*); /* 6 */
} LibraryTable;

typedef struct EffectTable {
    void* unknown[2];
    uint32_t (*Release)(Object*);
    void* slot3;
    void* slot4;
    uint8_t (*GetParamInfo)(Object*, uint32_t, uint8_t*);                   /* 5 */
    uint8_t (*Render)(Object*, Object*, FrameDesc*, FrameDesc*, FrameDesc*, const Timing*); /* 6 */
} EffectTable;

typedef struct SettingsTable {
    void* unknown[3];
    struct {
        uint8_t (*Get)(Object*);
        void (*Set)(Object*, uint8_t);
    } value[4]; /* crop overscan is the third */
} SettingsTable;

/* The host's context: every parameter at the default its record gives. */
enum { kParams = 16, kRecordBytes = 276 };
typedef struct Context {
    const void* const* table;
    uint8_t defaults[kParams][8];
} Context;

static int32_t ContextQueryInterface(Object* self, const void* iid, void** out) {
    (void)self, (void)iid;
    if (!out) return (int32_t)0x80004005u;
    *out = NULL;
    return (int32_t)0x80004002u; /* no host allocator: the module uses the heap */
}
static uint32_t ContextCount(Object* self) { return (void)self, 1; }
static uint8_t ContextGetParamValue(Object* self, uint32_t index, uint8_t* out, uint32_t type) {
    (void)type;
    if (index >= kParams || !out) return 0;
    memcpy(out, ((Context*)self)->defaults[index], 8);
    return 1;
}
static const void* const kContextTable[] = {(const void*)ContextQueryInterface, (const void*)ContextCount,
                                            (const void*)ContextCount, (const void*)ContextGetParamValue};

/* Two pictures whose every pixel differs, in four 8-bit channels. */
static void Fill(uint8_t* p, int w, int h, int seed) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 4) {
            p[0] = (uint8_t)(x * 255 / w + seed);
            p[1] = (uint8_t)(y * 255 / h);
            p[2] = (uint8_t)((x ^ y) * 7 + seed * 3);
            p[3] = 255;
        }
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s MODULE OUTPUT\n", argv[0]);
        return 2;
    }
    void* module = OPEN_MODULE(argv[1]);
    Object* (*getLibrary)(void) = module ? (Object * (*)(void)) FIND_EXPORT(module, "GetEffectsLibrary") : NULL;
    Object* library = getLibrary ? getLibrary() : NULL;
    FILE* out = fopen(argv[2], "wb");
    if (!library || !out) {
        fprintf(stderr, "frame_dump: cannot load %s or write %s\n", argv[1], argv[2]);
        return 2;
    }
    const LibraryTable* lt = (const LibraryTable*)(const void*)library->table;
    Object* settings = lt->GetSettings(library);
    const SettingsTable* st = (const SettingsTable*)(const void*)settings->table;
    const uint8_t cropWas = st->value[2].Get(settings);

    /* An even size and an odd one, for the vector kernels' tails. */
    static const int kSizes[2][2] = {{160, 90}, {97, 61}};
    static const double kTimes[] = {0.2, 0.5, 0.8};
    int frames = 0, failed = 0;
    for (int crop = 0; crop < 2; ++crop) {
        st->value[2].Set(settings, (uint8_t)crop);
        for (int s = 0; s < 2; ++s) {
            const int w = kSizes[s][0], h = kSizes[s][1];
            uint8_t* pixels = calloc((size_t)w * h * 4, 3);
            if (!pixels) return 2;
            Fill(pixels, w, h, 0);
            Fill(pixels + w * h * 4, w, h, 101);
            FrameDesc a = {pixels, w, h, w * 4, 4, 0, 0, 0, {0}};
            FrameDesc b = a, o = a;
            b.data = pixels + w * h * 4;
            o.data = pixels + 2 * w * h * 4;
            for (uint32_t e = 0; e < 13; ++e) {
                Object* effect = lt->CreateEffect(library, e);
                const EffectTable* et = (const EffectTable*)(const void*)effect->table;
                Context context = {kContextTable, {{0}}};
                uint8_t record[kRecordBytes];
                for (uint32_t i = 0; i < kParams && et->GetParamInfo(effect, i, record); ++i)
                    memcpy(context.defaults[i], record, 8);
                for (size_t t = 0; t < sizeof(kTimes) / sizeof(kTimes[0]); ++t) {
                    Timing timing = {0.0, kTimes[t]};
                    memset(o.data, 0, (size_t)w * h * 4);
                    if (!et->Render(effect, (Object*)&context, &a, &b, &o, &timing)) {
                        fprintf(stderr, "frame_dump: transition %u failed at t = %.1f\n", e, kTimes[t]);
                        ++failed;
                    }
                    fwrite(o.data, 1, (size_t)w * h * 4, out);
                    ++frames;
                }
                et->Release(effect);
            }
            free(pixels);
        }
    }
    st->value[2].Set(settings, cropWas);
    ((const EffectTable*)(const void*)library->table)->Release(library);
    CLOSE_MODULE(module);
    printf("frame_dump: %d frames written to %s\n", frames, argv[2]);
    return fclose(out) == 0 && !failed ? 0 : 1;
}
