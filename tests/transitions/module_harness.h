// Driving transitions through the LOADED module (SVT_MODULE_PATH) with the
// reference host's own context, allocator and frames, as a real host does.
//
//     auto r = MakeRenderer(kFlipIndex);            // null: skip, module missing
//     r->Set("Offset", "0");                        // display units
//     r->SetPictures(PictureA(96, 54), PictureB(96, 54), kFormatBGRA8);
//     RenderCheck c = r->Render(0.3);               // c.rendered, c.clean()
//     Picture out = r->output().Load();             // top row first
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "host/builtin_pictures.h"
#include "host/module.h"
#include "host/renderer.h"

namespace svt::harness {

// The module, loaded once per test program and kept until exit.
inline host::EffectModule* LoadedModule() {
    static host::EffectModule* module = [] {
        auto* m = new host::EffectModule();
        const char* path = std::getenv("SVT_MODULE_PATH");
        if (!m->Load(path ? path : SVT_BIN_DIR "/SVTumblers.so")) {
            delete m;
            return static_cast<host::EffectModule*>(nullptr);
        }
        return m;
    }();
    return module;
}

inline std::unique_ptr<host::EffectRenderer> MakeRenderer(uint32_t index) {
    host::EffectModule* m = LoadedModule();
    if (!m) return nullptr;
    host::ComPtr<IVideoEffect> e = m->CreateEffect(index);
    if (!e) return nullptr;
    return std::make_unique<host::EffectRenderer>(std::move(e), index);
}

// The built-in pictures, drawn once per size.
inline const host::Picture& PictureA(int w, int h) {
    static std::map<std::pair<int, int>, host::Picture> cache;
    auto it = cache.find({w, h});
    if (it == cache.end()) it = cache.emplace(std::make_pair(w, h), host::BuiltinPictureA(w, h)).first;
    return it->second;
}
inline const host::Picture& PictureB(int w, int h) {
    static std::map<std::pair<int, int>, host::Picture> cache;
    auto it = cache.find({w, h});
    if (it == cache.end()) it = cache.emplace(std::make_pair(w, h), host::BuiltinPictureB(w, h)).first;
    return it->second;
}

// Mean absolute difference per colour channel of two pictures of one size
// (alpha ignored), optionally against the second mirrored.
inline double MeanDifference(const host::Picture& p, const host::Picture& q, bool mirrorX = false,
                             bool mirrorY = false) {
    if (p.width() != q.width() || p.height() != q.height() || p.empty()) return 1e9;
    double sum = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const host::Rgba& a = p.at(x, y);
            const host::Rgba& b = q.at(mirrorX ? q.width() - 1 - x : x, mirrorY ? q.height() - 1 - y : y);
            sum += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        }
    return sum / (3.0 * p.width() * p.height());
}

// Box of the pixels whose alpha exceeds `threshold`; empty when none.
struct PixelBox {
    int left = 0, top = 0, right = -1, bottom = -1; // inclusive
    long count = 0;
    bool empty() const { return count == 0; }
    double centreX() const { return (left + right) / 2.0; }
    double centreY() const { return (top + bottom) / 2.0; }
};

inline PixelBox OpaqueBox(const host::Picture& p, int threshold = 0) {
    PixelBox b;
    b.left = p.width(), b.top = p.height();
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            if (p.at(x, y).a > threshold) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
                ++b.count;
            }
    if (!b.count) b = PixelBox{};
    return b;
}

} // namespace svt::harness
