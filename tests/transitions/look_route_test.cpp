// The look's fast route (skipped when it changes nothing, fused into the copy
// it works on, faces shaded as the warp samples) against its literal order,
// on every preset of every transition, in 8 bits and in float: within one
// 8-bit level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "frames/image_ops.h"
#include "host/builtin_pictures.h"
#include "host/renderer.h"
#include "module/effect_registry.h"
#include "softrender/canvas.h"
#include "softrender/warp.h"

namespace svt {
namespace {

constexpr int kW = 200, kH = 112;

// Largest difference between the two outputs, in 8-bit levels.
double MaxLevels(const host::HostFrame& a, const host::HostFrame& b, bool isFloat) {
    double worst = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint8_t *p = a.PixelAt(x, y), *q = b.PixelAt(x, y);
            for (int c = 0; c < 4; ++c) {
                double d;
                if (isFloat) {
                    float u, v;
                    std::memcpy(&u, p + 4 * c, 4);
                    std::memcpy(&v, q + 4 * c, 4);
                    d = std::fabs(double(u) - double(v)) * 255.0;
                } else {
                    d = std::abs(int(p[c]) - int(q[c]));
                }
                if (!(d <= worst)) worst = d; // NaN counts as the worst
            }
        }
    return worst;
}

TEST(LookRoute, FastRouteStaysWithinOneLevelOfTheLiteralOrder) {
    SelectImageKernels();
    SelectWarpKernels();
    const host::Picture a = host::BuiltinPictureA(kW, kH), b = host::BuiltinPictureB(kW, kH);
    for (uint32_t index = 0; index < kEffectCount; ++index) {
        host::EffectRenderer fast(host::ComPtr<IVideoEffect>::Adopt(CreateRegisteredEffect(index)), index);
        host::EffectRenderer literal(host::ComPtr<IVideoEffect>::Adopt(CreateRegisteredEffect(index)), index);
        const int presets = int(fast.info().presets.size());
        for (uint32_t format : {kFormatBGRA8, kFormatBGRAF}) {
            ASSERT_TRUE(fast.SetPictures(a, b, format) && literal.SetPictures(a, b, format));
            for (int preset = -1; preset < presets; ++preset) {
                if (preset >= 0) fast.ApplyPreset(preset), literal.ApplyPreset(preset);
                for (double t : {0.3, 0.55, 0.8}) {
                    UseLiteralLookOrder(true);
                    const bool drawn = literal.Render(t).rendered;
                    UseLiteralLookOrder(false);
                    EXPECT_EQ(fast.Render(t).rendered, drawn);
                    EXPECT_LE(MaxLevels(fast.output(), literal.output(), format == kFormatBGRAF), 1.0 + 1e-4)
                        << fast.info().name << " preset " << preset << " format " << format << " t " << t;
                }
            }
        }
    }
}

} // namespace
} // namespace svt
