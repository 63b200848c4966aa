// The loaded module and one transition driven by the reference host, for
// the tests that render many frames or from several threads.
#pragma once

#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "host/builtin_pictures.h"
#include "host/module.h"
#include "host/renderer.h"

namespace svt::test {

inline host::EffectModule& HardeningModule() {
    static host::EffectModule* module = [] {
        auto* m = new host::EffectModule();
        const char* path = std::getenv("SVT_MODULE_PATH");
        EXPECT_TRUE(m->Load(path ? path : SVT_BIN_DIR "/SVTumblers.so")) << m->error();
        return m;
    }();
    return *module;
}

// Transition `index` on the built-in pictures at w x h, or null.
inline std::unique_ptr<host::EffectRenderer> NewRenderer(uint32_t index, int w, int h) {
    host::ComPtr<IVideoEffect> effect = HardeningModule().CreateEffect(index);
    if (!effect) return nullptr;
    auto r = std::make_unique<host::EffectRenderer>(std::move(effect), index);
    if (!r->SetPictures(host::BuiltinPictureA(w, h), host::BuiltinPictureB(w, h), kFormatBGRA8)) return nullptr;
    return r;
}

} // namespace svt::test
