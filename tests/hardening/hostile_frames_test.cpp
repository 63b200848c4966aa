// Frame descriptors that do not describe their picture, handed to every
// transition's render entry and to the frame processor: each is refused
// (false) before a byte of the output is written, and nothing is read
// outside the memory a sound descriptor would cover (AddressSanitizer and
// UndefinedBehaviorSanitizer watch the reads in the sanitizer build). And
// the edges of what a descriptor may claim, checked exactly where a fault
// would hide: one byte of stride, the last address, the lowest row.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/support/guarded_image.h"
#include "tests/support/shared_module.h"
#include "frames/frame_check.h"
#include "library/abi.h"

namespace svt {
namespace {

using test::GuardedImage;

constexpr int kW = 24, kH = 14;

// A picture of kW x kH in `format`, rows without padding, fenced by guard
// bytes (its pixels are the guard pattern too).
GuardedImage Buffer(uint32_t format) { return GuardedImage(kW, kH, format, 0); }

// A hostile variant of a sound 8-bit descriptor.
struct Hostile {
    const char* what;
    void (*spoil)(FrameDesc&);
    bool picture = false; // a sound picture that only a render cannot take
};

const Hostile kHostile[] = {
    {"stride INT32_MIN", [](FrameDesc& d) { d.stride = INT32_MIN; }},
    {"stride shorter than a row", [](FrameDesc& d) { d.stride = d.width * 4 - 4; }},
    {"negative stride shorter than a row", [](FrameDesc& d) { d.stride = -(d.width * 4 - 4); }},
    {"stride 0", [](FrameDesc& d) { d.stride = 0; }},
    {"pixel size 16 on an 8-bit format", [](FrameDesc& d) { d.pixelSize = 16; }},
    {"pixel size 1 on a four-channel format", [](FrameDesc& d) { d.pixelSize = 1; }},
    {"pixel size 0", [](FrameDesc& d) { d.pixelSize = 0; }},
    {"negative pixel size", [](FrameDesc& d) { d.pixelSize = -4; }},
    {"float format on 4-byte pixels", [](FrameDesc& d) { d.format = kFormatBGRAF; }},
    {"unknown format 2", [](FrameDesc& d) { d.format = 2; }},
    {"unknown format 5", [](FrameDesc& d) { d.format = 5; }},
    {"GPU-only format 8", [](FrameDesc& d) { d.format = kFormatGPU8; }},
    {"format 0xFFFFFFFF", [](FrameDesc& d) { d.format = 0xFFFFFFFFu; }},
    {"one-channel float", [](FrameDesc& d) { d.format = kFormatGrayF; }, true},
    {"rows wrapping past the top of the address space",
     [](FrameDesc& d) { d.data = reinterpret_cast<void*>(UINTPTR_MAX - 64); }},
    {"rows below address zero", [](FrameDesc& d) { d.height = INT32_MAX, d.stride = -INT32_MAX; }},
    {"width times pixel size past 2^31", [](FrameDesc& d) { d.width = INT32_MAX / 2, d.stride = INT32_MAX; }},
    {"zero width", [](FrameDesc& d) { d.width = 0; }},
    {"negative height", [](FrameDesc& d) { d.height = -kH; }},
    {"null data", [](FrameDesc& d) { d.data = nullptr; }},
};

class HostileFrames : public ::testing::TestWithParam<uint32_t> {};

TEST_P(HostileFrames, EveryRenderRefusesThemBeforeWriting) {
    host::ComPtr<IVideoEffect> fx = test::SharedModule().CreateEffect(GetParam());
    ASSERT_TRUE(fx);
    const TimingRecord timing{0, 0.5};
    GuardedImage a = Buffer(kFormatBGRA8), b = Buffer(kFormatBGRA8), sound = Buffer(kFormatBGRA8);
    const std::vector<uint8_t> untouched = sound.bytes();
    // The sound frames render, so a refusal below is the descriptor's doing.
    ASSERT_TRUE(fx->Render(nullptr, a.desc(), b.desc(), sound.desc(), &timing));
    ASSERT_NE(sound.bytes(), untouched);

    for (const Hostile& h : kHostile) {
        for (int role = 0; role < 3; ++role) {
            for (double t : {0.0, 0.5, 1.0}) {
                GuardedImage out = Buffer(kFormatBGRA8);
                FrameDesc d[3] = {*a.desc(), *b.desc(), *out.desc()};
                h.spoil(d[role]);
                const TimingRecord at{0, t};
                EXPECT_FALSE(fx->Render(nullptr, &d[0], &d[1], &d[2], &at))
                    << h.what << " as frame " << "ABO"[role] << " at t " << t;
                EXPECT_TRUE(out.bytes() == untouched) << h.what << " as frame " << "ABO"[role] << " at t " << t;
            }
        }
    }
}

TEST_P(HostileFrames, PicturesInAnotherFormatThanTheOutputAreRefused) {
    host::ComPtr<IVideoEffect> fx = test::SharedModule().CreateEffect(GetParam());
    ASSERT_TRUE(fx);
    const TimingRecord timing{0, 0.5};
    GuardedImage a8 = Buffer(kFormatBGRA8), b8 = Buffer(kFormatBGRA8), out8 = Buffer(kFormatBGRA8);
    GuardedImage aF = Buffer(kFormatBGRAF), bF = Buffer(kFormatBGRAF), outF = Buffer(kFormatBGRAF);
    GuardedImage aSwapped = Buffer(kFormatARGB8);
    struct Case {
        const char* what;
        GuardedImage *a, *b, *out;
    } cases[] = {
        {"float A, 8-bit B and output", &aF, &b8, &out8},
        {"float B, 8-bit A and output", &a8, &bF, &out8},
        {"8-bit pictures, float output", &a8, &b8, &outF},
        {"A in the reversed byte order", &aSwapped, &b8, &out8},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> before = c.out->bytes();
        EXPECT_FALSE(fx->Render(nullptr, c.a->desc(), c.b->desc(), c.out->desc(), &timing)) << c.what;
        EXPECT_TRUE(c.out->bytes() == before) << c.what;
    }
}

std::string Name(const ::testing::TestParamInfo<uint32_t>& info) { return "Transition" + std::to_string(info.param); }
INSTANTIATE_TEST_SUITE_P(EveryTransition, HostileFrames, ::testing::Range(0u, 13u), Name);

FrameDesc At(uintptr_t address, int32_t w, int32_t h, int32_t stride) {
    return FrameDesc{reinterpret_cast<void*>(address), w, h, stride, 4, 0, kFormatBGRA8, 0, {}};
}

// The frame processor meets the same descriptors in its copies, resizes and
// flips; none may be read through or written to. Sound ones reach the frame
// operations (an in-place channel reversal, a blend).
TEST(HostileFrameProcessor, WorksOnSoundDescriptorsAndRefusesEveryHostileOne) {
    IFrameProcessor* fp = test::SharedModule().library()->CreateFrameProcessor();
    ASSERT_NE(fp, nullptr);
    uint8_t px[4] = {10, 20, 30, 40}, fg[4] = {255, 255, 255, 128}, bg[4] = {0, 0, 0, 255}, out[4] = {};
    FrameDesc p = At(uintptr_t(px), 1, 1, 4), f = At(uintptr_t(fg), 1, 1, 4), b = At(uintptr_t(bg), 1, 1, 4),
              o = At(uintptr_t(out), 1, 1, 4);
    ASSERT_TRUE(fp->SwapChannelOrder(&p, &p));
    EXPECT_EQ(std::vector<uint8_t>(px, px + 4), (std::vector<uint8_t>{40, 30, 20, 10}));
    ASSERT_TRUE(fp->Composite(&f, &b, &o, 0));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{128, 128, 128, 255}));

    GuardedImage src = Buffer(kFormatBGRA8), dst = Buffer(kFormatBGRA8);
    const std::vector<uint8_t> srcBefore = src.bytes(), dstBefore = dst.bytes();
    for (const Hostile& h : kHostile) {
        if (h.picture) continue;
        FrameDesc s = *src.desc(), d = *dst.desc();
        h.spoil(s);
        EXPECT_FALSE(fp->CopyImage(&s, dst.desc())) << h.what;
        EXPECT_FALSE(fp->Resize(&s, dst.desc(), 2)) << h.what;
        EXPECT_FALSE(fp->CopyFlipped(&s, dst.desc())) << h.what;
        h.spoil(d);
        EXPECT_FALSE(fp->CopyImage(src.desc(), &d)) << h.what;
        EXPECT_FALSE(fp->Resize(src.desc(), &d, 1)) << h.what;
        EXPECT_FALSE(fp->FlipRows(&d)) << h.what;
        EXPECT_FALSE(fp->InvertChannel(&d, 0)) << h.what;
        EXPECT_TRUE(dst.bytes() == dstBefore) << h.what;
    }
    EXPECT_TRUE(src.bytes() == srcBefore);
    EXPECT_EQ(fp->Release(), 0u); // the last reference destroys it
}

TEST(FrameCheck, StrideMustCoverARowEitherWay) {
    FrameDesc f = At(0x10000, 10, 3, 40);
    EXPECT_TRUE(DescribesPicture(&f));
    f.stride = 39;
    EXPECT_FALSE(DescribesRows(&f)) << "one byte short";
    f.stride = -40;
    EXPECT_TRUE(DescribesPicture(&f));
    f.stride = -39;
    EXPECT_FALSE(DescribesRows(&f));
    f.stride = INT32_MIN;
    EXPECT_FALSE(DescribesRows(&f));
    f = At(0x10000, 1, 1, INT32_MAX);
    EXPECT_TRUE(DescribesRows(&f)) << "padding is the host's business";
}

TEST(FrameCheck, RowsMustStayInsideTheAddressSpace) {
    // Negative stride: the lowest row starts at data - (h - 1) * |stride|.
    FrameDesc f = At(2 * 40, 10, 3, -40);
    EXPECT_TRUE(DescribesRows(&f)) << "lowest row at address 0";
    f.data = reinterpret_cast<void*>(uintptr_t(2 * 40 - 1));
    EXPECT_FALSE(DescribesRows(&f)) << "one byte below 0";
    // Positive stride: the last byte is data + (h - 1) * stride + 39.
    f = At(UINTPTR_MAX - (2 * 40 + 39), 10, 3, 40);
    EXPECT_TRUE(DescribesRows(&f)) << "last byte at the top address";
    f.data = reinterpret_cast<void*>(UINTPTR_MAX - (2 * 40 + 38));
    EXPECT_FALSE(DescribesRows(&f)) << "one byte past it";
    f = At(0x10000, INT32_MAX / 4 + 1, 1, INT32_MAX);
    EXPECT_FALSE(DescribesRows(&f)) << "a row of 2^31 bytes";
}

} // namespace
} // namespace svt
