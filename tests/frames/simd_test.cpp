// Every SIMD level against the scalar reference, byte for byte (floats
// included), over awkward widths, padded and negative strides, with guard
// bytes around every image.
#include <algorithm>
#include <functional>
#include <string>

#include "tests/support/guarded_image.h"

namespace svt::test {
namespace {

constexpr uint32_t kHeight = 5;
using Images = GuardedImage;

struct Op {
    const char* name;
    std::vector<uint32_t> formats;
    std::function<bool(Images& a, Images& b, Images& d)> run;
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

// One operation on the sources a, b and the destination d.
#define RUN(expr) [](Images & a, [[maybe_unused]] Images & b, Images & d) { (void)a; return expr; }

const std::vector<Op>& Ops() {
    static const uint32_t kOrder[4] = {3, 1, 0, 2};
    static const float kFloor[4] = {0.25f, 0.0f, 0.75f, -0.0f};
    static const std::vector<Op> ops = {
        {"SwapOrder", kFour, RUN(SwapChannelOrder(a.view(), d.view()))},
        {"SwapOrderInPlace", kFour, RUN(SwapChannelOrder(d.view(), d.view()))},
        {"SwapChannels", kBytes, RUN(SwapChannels(d.view(), kOrder))},
        {"SetChannel", kFour, RUN(SetChannel(d.view(), 2, 77))},
        {"CopyChannel44", kFour, RUN(CopyChannel(a.view(), d.view(), 1, 3))},
        {"CopyChannel44Down", kFour, RUN(CopyChannel(a.view(), d.view(), 3, 0))},
        {"CopyChannel41", kFour, RUN(CopyChannel(a.view(), d.view(), 2, 0)), nullptr, OneChannelOf},
        {"CopyChannel14", kFour, RUN(CopyChannel(a.view(), d.view(), 0, 1)), OneChannelOf, nullptr},
        {"InvertChannel", kAll, RUN(InvertChannel(d.view(), 1))},
        {"Premultiply", kFour, RUN(Premultiply(d.view()))},
        {"Composite", kFour, RUN(Composite(a.view(), b.view(), d.view(), false))},
        {"CompositePremultiplied", kFour, RUN(Composite(a.view(), b.view(), d.view(), true))},
        {"CompositeOntoBackground", kFour, RUN(Composite(a.view(), d.view(), d.view(), false))},
        {"Blend", kAll, RUN(WeightedBlend(a.view(), b.view(), d.view(), 0.3f, 0.7f))}, // 8-bit weights 77 + 179 = 256
        {"BlendLimited", kAll, RUN(WeightedBlend(a.view(), b.view(), d.view(), 0.9f, 0.8f))},
        {"BlendInPlace", kAll, RUN(WeightedBlend(a.view(), d.view(), d.view(), 0.25f, 0.75f))},
        {"Square", kFloats, RUN(SquareValues(d.view()))},
        {"Sqrt", kFloats, RUN(SqrtValues(d.view()))},
        {"ClampBelow", kFloats, RUN(ClampBelow(d.view(), kFloor))},
        {"ResizeRectNearest", kFour, RUN(ResizeRectInner(a, d, kNearest))},
        {"ResizeRectLinear", kFour, RUN(ResizeRectInner(a, d, kLinear))},
        {"ResizeRectCubic", kFour, RUN(ResizeRectInner(a, d, kCubic))},
        {"ShrinkCubic", kFour, RUN(ScaleImage(a.view(), d.view(), 0, 0, W(a), kHeight, 0, 0, W(d) / 3 + 1, 2, kCubic))},
        {"ShrinkSmooth", kFour, RUN(ScaleImage(a.view(), d.view(), 0, 0, W(a), kHeight, 1, 1, W(d) / 3 + 1, 2, kSmooth))},
        {"EnlargeSmooth", kFour, RUN(ScaleImage(a.view(), d.view(), 0, 0, W(a) / 3 + 1, 2, 0, 0, W(d), kHeight, kSmooth))},
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

class SimdMatchesScalar : public ::testing::TestWithParam<Case> {};

TEST_P(SimdMatchesScalar, ByteForByteWithGuardsIntact) {
    const Case& c = GetParam();
    const Op& op = Ops()[c.op];
    Set reference = MakeSet(c);
    ASSERT_TRUE(UseImageKernels(KernelLevel::kScalar));
    ASSERT_TRUE(op.run(reference.a, reference.b, reference.d)) << op.name;
    EXPECT_TRUE(reference.d.GuardsIntact());
    for (KernelLevel level : {KernelLevel::kSse2, KernelLevel::kAvx2}) {
        if (!UseImageKernels(level)) continue;
        Set fast = MakeSet(c);
        EXPECT_TRUE(op.run(fast.a, fast.b, fast.d));
        const auto diff = std::mismatch(fast.d.bytes().begin(), fast.d.bytes().end(), reference.d.bytes().begin());
        EXPECT_TRUE(diff.first == fast.d.bytes().end())
            << LevelName(level) << " seed " << c.seed << ": destination byte "
            << (diff.first - fast.d.bytes().begin()) << " is " << int(*diff.first) << ", scalar gives "
            << int(*diff.second);
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
