#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "host/host_context.h"
#include "library/settings.h"
#include "softrender/smart_crop.h"
#include "tests/softrender/canvas_fixture.h"

namespace svt {
namespace {

using canvas_test::GuardedPicture;
using test::IsFloatFormat;

// Mid-grey content (bright: 3 * 120 >= 225) inside dark bars; the content
// also carries a vertical ramp in its first channel so zoomed copies show
// which source row they came from.
void Letterbox(GuardedPicture& p, uint32_t barRows, uint32_t barColumns) {
    const bool isFloat = IsFloatFormat(p.view().format);
    const bool argb = p.view().format == kFormatARGB8 || p.view().format == kFormatARGBF;
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x) {
            const bool content = y >= barRows && y < p.height() - barRows && x >= barColumns &&
                                 x < p.width() - barColumns;
            const float grey = content ? 120.0f : 8.0f, ramp = content ? float(y % 200) + 30 : 8.0f;
            const float bgra[4] = {ramp, grey, grey, 255.0f}, argbv[4] = {255.0f, grey, grey, ramp};
            const float* v = argb ? argbv : bgra;
            for (int c = 0; c < 4; ++c) p.SetChannel(x, y, c, isFloat ? v[c] / 255.0f : v[c]);
        }
}

// Sets the crop setting for a scope, then puts it back.
struct SettingScope {
    Bool8 was = LibrarySettings::Instance().GetCropOverscan();
    explicit SettingScope(bool on) { LibrarySettings::Instance().SetCropOverscan(on); }
    ~SettingScope() { LibrarySettings::Instance().SetCropOverscan(was); }
};

TEST(SmartCrop, DetectsDarkBarsInEveryFormat) {
    // 1920 x 1080: ny = 54 rows and nx = 96 columns examined per side. Bars of
    // 40 rows: top = 40 - 1, bottom = 1039 + 1. Bars of 140, no bright row
    // within 54: top = ny - 2 = 52, bottom = 1080 - 54 + 1. Columns 0..29
    // dark: left 29, right 1889 + 1. 400 x 300: 15 rows and 20 columns per side.
    const struct {
        uint32_t format, w, h, rows, columns;
        CropRect want;
    } cases[] = {{kFormatBGRA8, 1920, 1080, 40, 0, {0, 39, 1919, 1040}},
                 {kFormatBGRA8, 1920, 1080, 140, 0, {0, 52, 1919, 1027}},
                 {kFormatBGRA8, 1920, 1080, 0, 30, {29, 0, 1890, 1079}},
                 {kFormatBGRA8, 400, 300, 10, 6, {5, 9, 394, 290}},
                 {kFormatARGB8, 400, 300, 10, 6, {5, 9, 394, 290}},
                 {kFormatBGRAF, 400, 300, 10, 6, {5, 9, 394, 290}},
                 {kFormatARGBF, 400, 300, 10, 6, {5, 9, 394, 290}}};
    for (const auto& c : cases) {
        GuardedPicture p(c.w, c.h, c.format);
        Letterbox(p, c.rows, c.columns);
        EXPECT_EQ(c.want, DetectBorder(p.view())) << c.format << " " << c.w << " " << c.rows << " " << c.columns;
    }

    // Bright means colours adding up to 225. 100 x 100: 5 lines examined per side.
    GuardedPicture p(100, 100, kFormatBGRA8);
    const float dark[4] = {0, 0, 0, 255};
    p.Fill(dark);
    const uint8_t justBright[4] = {75, 75, 75, 0}, justDark[4] = {75, 75, 74, 255};
    std::memcpy(p.Pixel(50, 3), justDark, 4);
    EXPECT_EQ(3, DetectBorder(p.view()).top); // nothing bright: ny - 2
    std::memcpy(p.Pixel(50, 2), justBright, 4);
    EXPECT_EQ(1, DetectBorder(p.view()).top);
    EXPECT_EQ(3, DetectBorder(p.view()).left); // column 50 lies beyond the 5 examined
}

TEST(SmartCrop, ZoomsTheContentToTheWholeFrameFromTheHostsMemory) {
    // 200 x 120, bars of 20 rows: 6 rows examined, so R = (0, 4, 199, 115).
    // At t = 0.5 the rows 4..115 (112 rows) fill the 120 rows of the copy.
    SettingScope on(true);
    host::HostContext context({});
    GuardedPicture a(200, 120, kFormatBGRA8), b(200, 120, kFormatBGRA8);
    Letterbox(a, 20, 0);
    Letterbox(b, 20, 0);
    a.Pixel(100, 60)[2] = 17; // content identifies itself
    const FrameDesc da = *a.desc(), db = *b.desc();
    {
        CSmartCrop crop(&context, &da, &db, 0.5, true, false);
        const ImageView& z = crop.PictureA();
        ASSERT_NE(a.view().data, z.data);
        EXPECT_EQ(b.view().data, crop.PictureB().data); // not asked for
        EXPECT_EQ(std::make_tuple(200u, 120u, uint32_t(kFormatBGRA8)), std::make_tuple(z.width, z.height, z.format));
        EXPECT_EQ(1u, context.allocator().livePictures());
        // Row y of the copy shows source row 4 + (y + 0.5) * 112/120 - 0.5.
        for (uint32_t y : {30u, 60u, 90u}) {
            const double src = 4 + (y + 0.5) * 112.0 / 120.0 - 0.5, fl = std::floor(src);
            EXPECT_NEAR((fl + 30) * (1 - (src - fl)) + (fl + 31) * (src - fl), z.Row(y)[4 * 100], 1.0) << y;
        }
    }
    EXPECT_EQ(0u, context.allocator().live());
    EXPECT_TRUE(a.GuardsIntact());

    // The zoom comes in over the first tenth for A and goes over the last for
    // B (0.05 * 9.99999985 rounds to 0.5f).
    EXPECT_EQ(0.5f, CropRamp(0.05, false));
    EXPECT_EQ(0.5f, CropRamp(0.95, true));

    // t = 0: s = 0, C is the whole picture, b = max(0 - 0, 4 - 0) + 1 = 5:
    // the outer 5 lines repeat the nearest inner ones.
    CSmartCrop crop(nullptr, &da, &da, 0.0, true, false);
    const ImageView& z = crop.PictureA();
    ASSERT_NE(a.view().data, z.data);
    EXPECT_EQ(17, z.Row(60)[4 * 100 + 2]);
    for (uint32_t y = 0; y < 5; ++y) {
        EXPECT_EQ(0, std::memcmp(z.Row(y), z.Row(5), 200 * 4)) << y;
        EXPECT_EQ(0, std::memcmp(z.Row(119 - y), z.Row(114), 200 * 4)) << y;
        EXPECT_EQ(0, std::memcmp(z.Row(60) + 4 * y, z.Row(60) + 4 * 5, 4)) << y;
    }
}

TEST(SmartCrop, LeavesPicturesAloneWhenThereIsNothingToCrop) {
    GuardedPicture p(200, 120, kFormatBGRA8);
    const FrameDesc d = *p.desc();
    auto cropped = [&](bool setting, IEffectContext* context) {
        SettingScope scope(setting);
        CSmartCrop crop(context, &d, &d, 0.5, true, true);
        return crop.PictureA().data != p.view().data || crop.PictureB().data != p.view().data;
    };
    // Detected (2, 1, W - 2, H - 1): columns 0..2, W-2, W-1 and rows 0, 1,
    // H-1 dark. Within the tolerance, so not cropped.
    const float dark[4] = {0, 0, 0, 255}, grey[4] = {120, 120, 120, 255};
    p.Fill(dark);
    for (uint32_t y = 2; y < 119; ++y)
        for (uint32_t x = 3; x < 198; ++x)
            for (int c = 0; c < 4; ++c) p.SetChannel(x, y, c, grey[c]);
    ASSERT_EQ((CropRect{2, 1, 198, 119}), DetectBorder(p.view()));
    EXPECT_FALSE(cropped(true, nullptr));
    // One more dark column on the left (left = 3) is cropped, unless the setting is off.
    for (uint32_t y = 0; y < 120; ++y)
        for (int c = 0; c < 3; ++c) p.SetChannel(3, y, c, 0);
    EXPECT_TRUE(cropped(true, nullptr));
    EXPECT_FALSE(cropped(false, nullptr));
    // A host that refuses memory: the picture stays the host's frame.
    host::HostContext context({});
    context.allocator().FailAfter(0);
    EXPECT_FALSE(cropped(true, &context));
    EXPECT_EQ(0u, context.allocator().live());
}

} // namespace
} // namespace svt
