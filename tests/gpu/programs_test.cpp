// Our GLSL programs on the real EGL host: the copy program's texts, every
// program compiling and linking with the uniforms the library sends, and
// frames of every layout going through textures unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gpu/programs.h"
#include "gpu/shader_program.h"
#include "host/gl_host.h"

namespace svt {
namespace {

class GLPrograms : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(context.Create()) << context.error();
        host = std::make_unique<host::GLHost>(context);
    }
    bool Make(ProgramId id, ShaderProgram& holder) {
        const ProgramSources s = SourcesOf(id);
        IGPUProgram* p = nullptr;
        if (!host->CreateProgram(&host->device(), &p, s.vertex.data, s.fragment.data, nullptr, s.vertex.length,
                                 s.fragment.length, 0, 0, 0, 0, 0, 0, 0))
            return false;
        holder.Attach(host.get(), &host->device(), p);
        return holder.valid();
    }
    host::GLContext context;
    std::unique_ptr<host::GLHost> host;
};

bool Has(const ShaderProgram& p, const char* name) {
    for (const std::string& n : p.uniformNames())
        if (n == name) return true;
    return false;
}

TEST_F(GLPrograms, EveryProgramLinksWithTheUniformsItIsSent) {
    EXPECT_EQ(SourcesOf(ProgramId::kCopy).vertex.length, 215u);
    EXPECT_EQ(SourcesOf(ProgramId::kCopy).fragment.length, 260u);
    struct Expect {
        ProgramId id;
        std::vector<const char*> names;
    } programs[] = {
        {ProgramId::kMesh, {"fScaleZ", "SwapChannelsSrc", "Diffuse", "Texture0_texture", "Texture0.vScale"}},
        {ProgramId::kCropMesh, {"CropPower", "Diffuse", "Texture1_texture", "Texture1.vShift"}},
        {ProgramId::kBackground, {"SwapChannelsSrc", "vRT2NORM_Scale", "Texture0.vShift"}},
        {ProgramId::kBorderScanX, {"fThreshold", "fMinPixel", "fMaxPixel", "fPixelSize", "SwapChannelsSrc"}},
        {ProgramId::kBorderScanY, {"fThreshold", "fMinPixel", "fMaxPixel", "fPixelSize", "SwapChannelsSrc"}},
        {ProgramId::kBorderReduce, {"nCount", "Direction", "StartPosition", "Mask", "fScale", "fShift"}},
        {ProgramId::kBlur1, {"blurSize", "isOdd", "Texture0.vTEXi2NORM_Scale"}},
        {ProgramId::kBlur2, {"blurSize", "isOdd", "Texture0.vTEXi2NORM_Scale"}},
        {ProgramId::kGlow, {"fGlow", "fMetal", "SwapChannelsSrc0", "SwapChannelsSrc1", "Texture1_texture"}},
        {ProgramId::kCopy, {}},
    };
    for (const Expect& e : programs) {
        ShaderProgram holder(e.id != ProgramId::kCopy);
        ASSERT_TRUE(Make(e.id, holder)) << ProgramName(e.id) << ": " << host->lastProgramLog();
        for (const char* n : e.names) EXPECT_TRUE(Has(holder, n)) << ProgramName(e.id) << " lacks " << n;
    }
    EXPECT_EQ(host->compiledPrograms(), size_t(kProgramCount));
}

// A frame of w x h pixels in `format`, with `pixel(x, y)` (y from the top)
// giving BGRA in 0..1.
struct TestFrame {
    std::vector<uint8_t> bytes;
    FrameDesc desc{};
    TestFrame(int w, int h, uint32_t format, bool topDown, bool negativeStride) {
        const int px = format == 3 || format == 4 ? 16 : 4;
        const int stride = w * px + 12;
        bytes.assign(size_t(stride) * size_t(h), 0);
        desc.width = w;
        desc.height = h;
        desc.pixelSize = px;
        desc.format = format;
        desc.topDown = topDown;
        desc.stride = negativeStride ? -stride : stride;
        desc.data = negativeStride ? bytes.data() + size_t(stride) * size_t(h - 1) : bytes.data();
    }
};

TEST_F(GLPrograms, FramesGoThroughTexturesUnchanged) {
    for (uint32_t format : {0u, 1u, 3u, 4u})
        for (int topDown = 0; topDown < 2; ++topDown)
            for (int negative = 0; negative < 2; ++negative) {
                TestFrame in(7, 5, format, topDown, negative), out(7, 5, format, !topDown, !negative);
                for (int y = 0; y < 5; ++y) {
                    uint8_t* row = static_cast<uint8_t*>(in.desc.data) + int64_t(y) * in.desc.stride;
                    for (int i = 0; i < 7 * in.desc.pixelSize; ++i)
                        row[i] = in.desc.pixelSize == 4 ? uint8_t(y * 40 + i) : (i % 4 == 3 ? 0 : uint8_t(i + y));
                    if (in.desc.pixelSize == 16)
                        for (int x = 0; x < 7 * 4; ++x) {
                            float v = float(x + 10 * y) / 64.0f;
                            std::memcpy(row + 4 * x, &v, 4);
                        }
                }
                GPUFrame gpu{};
                ASSERT_TRUE(host->Upload(in.desc, &gpu));
                EXPECT_EQ(gpu.flipped, topDown);
                ASSERT_TRUE(host->Download(gpu, out.desc));
                host->ReleaseRenderTarget(&gpu);
                // Same picture, whatever the row order and stride.
                for (int y = 0; y < 5; ++y) {
                    const int inRow = topDown ? y : 4 - y, outRow = !topDown ? y : 4 - y;
                    const uint8_t* a = static_cast<uint8_t*>(in.desc.data) + int64_t(inRow) * in.desc.stride;
                    const uint8_t* b = static_cast<uint8_t*>(out.desc.data) + int64_t(outRow) * out.desc.stride;
                    ASSERT_EQ(std::memcmp(a, b, size_t(7 * in.desc.pixelSize)), 0)
                        << "format " << format << " topDown " << topDown << " negative " << negative << " row " << y;
                }
            }
    EXPECT_EQ(host->liveObjects(), 0);
}

} // namespace
} // namespace svt
