// Every SIMD level against the scalar reference, byte for byte (floats
// included: the kernels keep the scalar order of operations), over awkward
// widths, padded and negative strides, with guard bytes around every image.
// Case i uses seed i, so one failing case can be rerun alone with
// --gtest_filter=*/<name>.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frames/image_kernels_p.h"
#include "frames/image_ops.h"
#include "tests/frames/guarded_image.h"
#include "tests/frames/kernel_levels.h"

namespace svt::test {
namespace {

constexpr uint32_t kHeight = 5;
using Images = GuardedImage;

struct Op {
    const char* name;
    std::vector<uint32_t> formats;
    std::function<bool(Images& a, Images& b, Images& d)> run;
    // The formats of the first source and of the destination for a base
    // format, where they differ from it.
    uint32_t (*sourceFormat)(uint32_t) = nullptr;
    uint32_t (*destFormat)(uint32_t) = nullptr;
};

uint32_t OneChannelOf(uint32_t f) { return f == kFormatBGRAF || f == kFormatARGBF ? kFormatGrayF : kFormatGray8; }

const std::vector<uint32_t> kFour = {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF};
const std::vector<uint32_t> kAll = {kFormatBGRA8, kFormatARGB8, kFormatBGRAF, kFormatARGBF, kFormatGray8, kFormatGrayF};
const std::vector<uint32_t> kBytes = {kFormatBGRA8, kFormatARGB8};
const std::vector<uint32_t> kFloats = {kFormatBGRAF, kFormatARGBF};

int32_t W(Images& i) { return int32_t(i.width()); }

// The overscan crop's case: an inner rectangle enlarged onto a whole image.
bool ResizeRectInner(Images& a, Images& d, int32_t mode) {
    const uint32_t w = a.width();
    const uint32_t rect[4] = {w / 4, 1, w - 1 - w / 5, kHeight - 2};
    return ResizeRect(a.view(), rect, d.view(), mode);
}

const std::vector<Op>& Ops() {
    static const std::vector<Op> ops = {
        {"SwapOrder", kFour, [](Images& a, Images&, Images& d) { return SwapChannelOrder(a.view(), d.view()); }},
        {"SwapOrderInPlace", kFour, [](Images&, Images&, Images& d) { return SwapChannelOrder(d.view(), d.view()); }},
        {"SwapChannels", kBytes,
         [](Images&, Images&, Images& d) {
             const uint32_t order[4] = {3, 1, 0, 2};
             return SwapChannels(d.view(), order);
         }},
        {"SetChannel", kFour, [](Images&, Images&, Images& d) { return SetChannel(d.view(), 2, 77); }},
        {"CopyChannel44", kFour, [](Images& a, Images&, Images& d) { return CopyChannel(a.view(), d.view(), 1, 3); }},
        {"CopyChannel44Down", kFour, [](Images& a, Images&, Images& d) { return CopyChannel(a.view(), d.view(), 3, 0); }},
        {"CopyChannel41", kFour, [](Images& a, Images&, Images& d) { return CopyChannel(a.view(), d.view(), 2, 0); },
         nullptr, OneChannelOf},
        {"CopyChannel14", kFour, [](Images& a, Images&, Images& d) { return CopyChannel(a.view(), d.view(), 0, 1); },
         OneChannelOf, nullptr},
        {"InvertChannel", kAll, [](Images&, Images&, Images& d) { return InvertChannel(d.view(), 1); }},
        {"Premultiply", kFour, [](Images&, Images&, Images& d) { return Premultiply(d.view()); }},
        {"Composite", kFour, [](Images& a, Images& b, Images& d) { return Composite(a.view(), b.view(), d.view(), false); }},
        {"CompositePremultiplied", kFour,
         [](Images& a, Images& b, Images& d) { return Composite(a.view(), b.view(), d.view(), true); }},
        {"CompositeOntoBackground", kFour,
         [](Images& a, Images&, Images& d) { return Composite(a.view(), d.view(), d.view(), false); }},
        {"Blend", kAll, [](Images& a, Images& b, Images& d) { return WeightedBlend(a.view(), b.view(), d.view(), 0.3f, 0.6f); }},
        {"BlendLimited", kAll,
         [](Images& a, Images& b, Images& d) { return WeightedBlend(a.view(), b.view(), d.view(), 0.9f, 0.8f); }},
        {"BlendInPlace", kAll, [](Images& a, Images&, Images& d) { return WeightedBlend(a.view(), d.view(), d.view(), 0.25f, 0.75f); }},
        {"Square", kFloats, [](Images&, Images&, Images& d) { return SquareValues(d.view()); }},
        {"Sqrt", kFloats, [](Images&, Images&, Images& d) { return SqrtValues(d.view()); }},
        {"ClampBelow", kFloats,
         [](Images&, Images&, Images& d) {
             const float t[4] = {0.25f, 0.0f, 0.75f, -0.0f};
             return ClampBelow(d.view(), t);
         }},
        {"ResizeRectNearest", kFour, [](Images& a, Images&, Images& d) { return ResizeRectInner(a, d, kNearest); }},
        {"ResizeRectLinear", kFour, [](Images& a, Images&, Images& d) { return ResizeRectInner(a, d, kLinear); }},
        {"ResizeRectCubic", kFour, [](Images& a, Images&, Images& d) { return ResizeRectInner(a, d, kCubic); }},
        {"ShrinkCubic", kFour,
         [](Images& a, Images&, Images& d) {
             return ScaleImage(a.view(), d.view(), 0, 0, W(a), kHeight, 0, 0, W(d) / 3 + 1, 2, kCubic);
         }},
        {"ShrinkSmooth", kFour,
         [](Images& a, Images&, Images& d) {
             return ScaleImage(a.view(), d.view(), 0, 0, W(a), kHeight, 1, 1, W(d) / 3 + 1, 2, kSmooth);
         }},
        {"EnlargeSmooth", kFour,
         [](Images& a, Images&, Images& d) {
             return ScaleImage(a.view(), d.view(), 0, 0, W(a) / 3 + 1, 2, 0, 0, W(d), kHeight, kSmooth);
         }},
    };
    return ops;
}

struct Case {
    size_t op;
    uint32_t format;
    uint32_t width;
    bool negative;
    uint32_t seed;
};

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (size_t op = 0; op < Ops().size(); ++op)
        for (uint32_t format : Ops()[op].formats)
            for (uint32_t width : {1u, 2u, 3u, 7u, 17u, 1921u})
                for (bool negative : {false, true})
                    cases.push_back({op, format, width, negative, uint32_t(cases.size())});
    return cases;
}

struct Set {
    Images a, b, d;
};

Set MakeSet(const Case& c) {
    const Op& op = Ops()[c.op];
    const uint32_t fa = op.sourceFormat ? op.sourceFormat(c.format) : c.format;
    const uint32_t fd = op.destFormat ? op.destFormat(c.format) : c.format;
    Set s{Images(c.width, kHeight, fa, 4, c.negative), Images(c.width, kHeight, c.format, 12),
          Images(c.width, kHeight, fd, 8, !c.negative)};
    s.a.Randomize(c.seed * 3 + 0);
    s.b.Randomize(c.seed * 3 + 1);
    s.d.Randomize(c.seed * 3 + 2);
    return s;
}

// The first byte where two buffers differ, or -1.
ptrdiff_t FirstDifference(const std::vector<uint8_t>& x, const std::vector<uint8_t>& y) {
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i] != y[i]) return ptrdiff_t(i);
    return -1;
}

class SimdMatchesScalar : public ::testing::TestWithParam<Case> {};

TEST_P(SimdMatchesScalar, ByteForByteWithGuardsIntact) {
    const Case& c = GetParam();
    const Op& op = Ops()[c.op];
    Set reference = MakeSet(c);
    ASSERT_TRUE(UseImageKernels(KernelLevel::kScalar));
    const bool refOk = op.run(reference.a, reference.b, reference.d);
    ASSERT_TRUE(refOk) << op.name;
    EXPECT_TRUE(reference.d.GuardsIntact());
    for (KernelLevel level : {KernelLevel::kSse2, KernelLevel::kAvx2}) {
        if (!UseImageKernels(level)) continue;
        Set fast = MakeSet(c);
        EXPECT_EQ(op.run(fast.a, fast.b, fast.d), refOk);
        const ptrdiff_t at = FirstDifference(fast.d.bytes(), reference.d.bytes());
        EXPECT_EQ(at, -1) << LevelName(level) << " " << op.name << " format " << c.format << " width " << c.width
                          << " seed " << c.seed << ": destination byte " << at << " is "
                          << int(at >= 0 ? fast.d.bytes()[at] : 0) << ", scalar gives "
                          << int(at >= 0 ? reference.d.bytes()[at] : 0);
        EXPECT_EQ(fast.a.bytes(), reference.a.bytes()) << LevelName(level) << ": a source changed";
    }
    SelectImageKernelsForTest(false);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    const Case& c = info.param;
    return std::string(Ops()[c.op].name) + "_f" + std::to_string(c.format) + "_w" + std::to_string(c.width) +
           (c.negative ? "_neg" : "_pos");
}

INSTANTIATE_TEST_SUITE_P(Frames, SimdMatchesScalar, ::testing::ValuesIn(AllCases()), CaseName);

} // namespace
} // namespace svt::test
