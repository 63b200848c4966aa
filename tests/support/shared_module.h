// The built module (SVT_MODULE_PATH), loaded once per test program through
// the reference host and kept until exit, and transitions driven by it.
#pragma once

#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "host/builtin_pictures.h"
#include "host/module.h"
#include "host/renderer.h"

namespace svt::test {

inline host::EffectModule& SharedModule() {
    static host::EffectModule* module = [] {
        auto* m = new host::EffectModule();
        const char* path = std::getenv("SVT_MODULE_PATH");
        EXPECT_TRUE(m->Load(path ? path : SVT_BIN_DIR "/SVTumblers.so")) << m->error();
        return m;
    }();
    return *module;
}

// Transition `index` with its own host context (and the built-in pictures at
// w x h where w > 0), or null.
inline std::unique_ptr<host::EffectRenderer> NewRenderer(uint32_t index, int w = 0, int h = 0) {
    host::ComPtr<IVideoEffect> effect = SharedModule().CreateEffect(index);
    if (!effect) return nullptr;
    auto r = std::make_unique<host::EffectRenderer>(std::move(effect), index);
    if (w > 0 && !r->SetPictures(host::BuiltinPictureA(w, h), host::BuiltinPictureB(w, h), kFormatBGRA8)) return nullptr;
    return r;
}

} // namespace svt::test
