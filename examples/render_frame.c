/* render_frame: a complete host in C. Loads the module, finds a transition
 * by name, keeps the parameter values in its own context (defaults, with
 * one changed), renders the frame at t = 0.5 between two pictures it draws
 * itself, and writes it as a PNG.
 *
 *   render_frame MODULE.so OUT.png ["3D Flip" [t]]
 *
 * Build: cc render_frame.c $(pkg-config --cflags svtumblers) -ldl -lpng */
#include <dlfcn.h>
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "svtumblers.h"

enum { kWidth = 320, kHeight = 180, kMaxParams = 32 };

/* The host's context: an object whose table answers GetParamValue from the
 * values the host keeps. */
typedef struct Context {
    SVTEffectContext base; /* first: the module sees this object */
    SVTParamValue values[kMaxParams];
    uint32_t types[kMaxParams];
    uint32_t count;
} Context;

static SVTResult ContextQuery(SVTEffectContext* self, const SVTGuid* iid, void** out) {
    static const SVTGuid unknown = SVT_IID_IUNKNOWN;
    if (!out) return SVT_E_POINTER;
    *out = NULL;
    if (iid && memcmp(iid, &unknown, sizeof unknown) == 0) {
        *out = self;
        return SVT_OK;
    }
    return SVT_E_NOINTERFACE; /* no allocator, no GPU host: the module uses its own memory and the CPU */
}
static uint32_t ContextCount(SVTEffectContext* self) {
    (void)self;
    return 1; /* lives on the stack of main */
}
static SVTBool ContextValue(SVTEffectContext* self, uint32_t index, SVTParamValue* out, uint32_t type) {
    const Context* c = (const Context*)self;
    if (!out || index >= c->count || c->types[index] != type) return 0;
    *out = c->values[index];
    return 1;
}
static const SVTEffectContextTable kContextTable = {ContextQuery, ContextCount, ContextCount, ContextValue};

/* A frame over `pixels`, handed over bottom-up: row 0 is the bottom row. */
static SVTFrame BottomUp(uint8_t* pixels) {
    SVTFrame f;
    memset(&f, 0, sizeof f);
    f.data = pixels + (size_t)(kHeight - 1) * kWidth * 4;
    f.width = kWidth;
    f.height = kHeight;
    f.stride = -kWidth * 4;
    f.pixelSize = 4;
    f.format = SVT_FORMAT_BGRA8;
    f.topDown = 0;
    return f;
}

/* Stripes for "from", a diagonal gradient for "to" (BGRA, top row first). */
static void Draw(uint8_t* p, int which) {
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* px = p + ((size_t)y * kWidth + x) * 4;
            if (which == 0) {
                const int on = (x / 20) % 2;
                px[0] = on ? 40 : 200, px[1] = on ? 120 : 60, px[2] = on ? 220 : 30;
            } else {
                px[0] = (uint8_t)(255 * y / kHeight), px[1] = (uint8_t)(255 * x / kWidth), px[2] = 90;
            }
            px[3] = 255;
        }
}

static int WritePng(const char* path, const uint8_t* bgra) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_BGRA;
    return png_image_write_to_file(&image, path, 0, bgra, kWidth * 4, NULL) != 0;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s MODULE.so OUT.png [NAME [t]]\n", argv[0]);
        return 2;
    }
    const char* wanted = argc > 3 ? argv[3] : "3D Flip";
    const double t = argc > 4 ? atof(argv[4]) : 0.5;
    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 1;
    }
    SVTGetEffectsLibraryFn get = (SVTGetEffectsLibraryFn)dlsym(module, "GetEffectsLibrary");
    SVTObject* library = get ? get() : NULL;
    if (!library) {
        fprintf(stderr, "%s has no effects library\n", argv[1]);
        return 1;
    }
    const SVTEffectLibraryTable* lib = SVT_TABLE(SVTEffectLibraryTable, library);

    /* Find the transition by name; keep the one found, release the rest. */
    SVTObject* effect = NULL;
    for (uint32_t i = 0; !effect; ++i) {
        SVTObject* e = lib->CreateEffect(library, i);
        if (!e) break;
        if (strcmp(SVT_TABLE(SVTVideoEffectTable, e)->GetEffectName(e), wanted) == 0)
            effect = e;
        else
            SVT_TABLE(SVTVideoEffectTable, e)->Release(e);
    }
    if (!effect) {
        fprintf(stderr, "no transition named \"%s\"\n", wanted);
        lib->Release(library);
        return 1;
    }
    const SVTVideoEffectTable* fx = SVT_TABLE(SVTVideoEffectTable, effect);

    /* Defaults from the descriptions; sliders nudged to show the host decides. */
    Context context;
    memset(&context, 0, sizeof context);
    context.base.table = &kContextTable;
    SVTParamInfo info;
    while (context.count < kMaxParams && fx->GetParamInfo(effect, context.count, &info)) {
        context.values[context.count] = info.defaultValue;
        context.types[context.count] = info.type;
        if (info.type == SVT_PARAM_SLIDER && strncmp(info.name, "Shading", 7) == 0) {
            const float half = 0.5f;
            memcpy(context.values[context.count].bytes, &half, sizeof half);
        }
        ++context.count;
    }

    const size_t bytes = (size_t)kWidth * kHeight * 4;
    uint8_t* a = malloc(bytes);
    uint8_t* b = malloc(bytes);
    uint8_t* out = calloc(1, bytes); /* transparent black where nothing is drawn */
    if (!a || !b || !out) return 1;
    Draw(a, 0);
    Draw(b, 1);
    SVTFrame from = BottomUp(a), to = BottomUp(b), result = BottomUp(out);
    const SVTTiming timing = {0.0, t};
    const SVTBool ok = fx->Render(effect, &context.base, &from, &to, &result, &timing);
    int rc = 0;
    if (!ok) {
        fprintf(stderr, "%s did not render\n", wanted);
        rc = 1;
    } else if (!WritePng(argv[2], out)) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        rc = 1;
    } else {
        printf("%s at t = %g: %s (%dx%d, %u parameters)\n", wanted, t, argv[2], kWidth, kHeight, context.count);
    }
    fx->Release(effect);
    lib->Release(library); /* GetEffectsLibrary's result holds one reference too */
    free(a), free(b), free(out);
    SVTCanUnloadNowFn canUnload = (SVTCanUnloadNowFn)dlsym(module, "CanUnloadDLLNow");
    if (!canUnload || canUnload()) dlclose(module);
    return rc;
}
