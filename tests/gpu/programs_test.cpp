// Our GLSL programs on the real EGL host: the copy program's texts, every
// program compiling and linking with the uniforms the library sends, frames
// going through textures unchanged, and the border programs measuring the
// dark bars of a picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gpu/programs.h"
#include "gpu/shader_program.h"
#include "host/gl_host.h"
#include "platform/gl_entry.h"

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

TEST_F(GLPrograms, MultisampledTargetsResolveIntoTheirTexture) {
    const platform::GLFunctions* gl = platform::SystemGL();
    ASSERT_NE(gl, nullptr);
    host::GLDevice& device = host->device();
    int32_t most = 0;
    device.GetIntegerv(0x8D57, &most, 1);
    ASSERT_GT(most, 0);
    for (uint32_t format : {0u, 3u}) {
        GPUFrame target{};
        ASSERT_TRUE(host->CreateRenderTarget(&device, &target, nullptr, 9, 4, format, 0, 0, 0));
        // More samples than the context has are clamped, not refused.
        ASSERT_TRUE(host->SetRenderTarget(&device, &target, most + 8, 1, 0));
        gl->ClearColor(0.25f, 0.5f, 1.0f, 1.0f);
        gl->Clear(0x4000);
        host->ResolveRenderTarget(&device, &target);
        ASSERT_TRUE(host->SetRenderTarget(&device, &target, 0, 0, 0));
        TestFrame out(9, 4, format, true, false);
        ASSERT_TRUE(host->Download(target, out.desc));
        for (int i = 0; i < 9 * 4; ++i) {
            float b, g, r;
            if (format == 0) {
                const uint8_t* p = out.bytes.data() + size_t(i / 9) * size_t(out.desc.stride) + size_t(i % 9) * 4;
                b = p[0] / 255.f, g = p[1] / 255.f, r = p[2] / 255.f;
            } else {
                float px[4];
                std::memcpy(px, out.bytes.data() + size_t(i / 9) * size_t(out.desc.stride) + size_t(i % 9) * 16, 16);
                b = px[0], g = px[1], r = px[2];
            }
            ASSERT_NEAR(b, 1.0f, 1 / 255.f) << "pixel " << i << " format " << format;
            ASSERT_NEAR(g, 0.5f, 1 / 255.f);
            ASSERT_NEAR(r, 0.25f, 1 / 255.f);
        }
        host->SetRenderTarget(&device, nullptr, 0, 0, 0);
        host->ReleaseRenderTarget(&target);
    }
    EXPECT_EQ(host->liveObjects(), 0);
}

// Draws the whole bound target with texture coordinates 0..1 (exchanged in
// y when flipped).
void FullQuad(bool flip) {
    const platform::GLFunctions* gl = platform::SystemGL();
    gl->MatrixMode(0x1701);
    gl->LoadIdentity();
    gl->MatrixMode(0x1700);
    gl->LoadIdentity();
    const float y0 = flip ? 1.f : -1.f, y1 = -y0;
    gl->Begin(0x0005);
    gl->TexCoord2f(0, 0), gl->Vertex3f(-1, y0, 0);
    gl->TexCoord2f(0, 1), gl->Vertex3f(-1, y1, 0);
    gl->TexCoord2f(1, 0), gl->Vertex3f(1, y0, 0);
    gl->TexCoord2f(1, 1), gl->Vertex3f(1, y1, 0);
    gl->End();
}

TEST_F(GLPrograms, BorderProgramsMeasureDarkBars) {
    ASSERT_NE(platform::SystemGL(), nullptr);
    // 200 x 100, grey content; dark bars: 4 columns left, 6 right, 3 rows at
    // the start of the texture, 5 at its end. Profiles are 1/20 of the size.
    const int w = 200, h = 100, W = 10, H = 5;
    TestFrame picture(w, h, 0, false, false);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            const bool dark = x < 4 || x >= w - 6 || r < 3 || r >= h - 5;
            uint8_t* p = picture.bytes.data() + size_t(r) * size_t(picture.desc.stride) + size_t(x) * 4;
            p[0] = p[1] = p[2] = dark ? 20 : 200;
            p[3] = 255;
        }
    GPUFrame source{};
    ASSERT_TRUE(host->Upload(picture.desc, &source));
    host::GLDevice& device = host->device();

    ShaderProgram scanX(true), scanY(true), reduce(true);
    ASSERT_TRUE(Make(ProgramId::kBorderScanX, scanX));
    ASSERT_TRUE(Make(ProgramId::kBorderScanY, scanY));
    ASSERT_TRUE(Make(ProgramId::kBorderReduce, reduce));
    GPUFrame profile[4] = {}; // A, B, C, D
    const int sizes[4][2] = {{W, 1}, {1, H}, {W, 1}, {1, H}};
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(host->CreateRenderTarget(&device, &profile[i], nullptr, sizes[i][0], sizes[i][1], 0, 0, 0, 0));

    const float du = 1, dv = 1; // the image fills its texture: ua = va = 0
    struct Scan {
        int target;
        ShaderProgram* program;
        float minPixel, maxPixel, pixelSize;
        StageRect rect;
        bool flip;
    } scans[4] = {
        {0, &scanX, 0, dv, dv / h, {0, 0, du * (W - 1) / w, dv}, true},
        {2, &scanX, 0, dv, dv / h, {du * (1 - float(W - 1) / w), 0, du, dv}, false},
        {1, &scanY, 0, du, du / w, {0, dv * (1 - float(H - 1) / h), du, dv}, true},
        {3, &scanY, 0, du, du / w, {0, 0, du, dv * (H - 1) / h}, true},
    };
    const platform::GLFunctions* gl = platform::SystemGL();
    source.texture->SetFilter(0x2600);
    for (const Scan& s : scans) {
        GPUFrame& t = profile[s.target];
        ASSERT_TRUE(host->SetRenderTarget(&device, &t, 0, 0, 0));
        gl->ClearColor(0, 0, 0, 0);
        gl->Clear(0x4000);
        ASSERT_TRUE(s.program->BeginPass(t.width, t.height));
        s.program->SetInt("SwapChannelsSrc", 0);
        s.program->SetFloat("fThreshold", 0.38f);
        s.program->SetFloat("fMinPixel", s.minPixel);
        s.program->SetFloat("fMaxPixel", s.maxPixel);
        s.program->SetFloat("fPixelSize", s.pixelSize);
        s.program->SetTextureStage(0, &source, s.rect);
        FullQuad(s.flip);
    }

    GPUFrame result{};
    ASSERT_TRUE(host->CreateRenderTarget(&device, &result, nullptr, 1, 1, 3, 0, 0, 0));
    ASSERT_TRUE(host->SetRenderTarget(&device, &result, 0, 0, 0));
    gl->ClearColor(0, 0, 0, 0);
    gl->Clear(0x4000);
    ASSERT_TRUE(device.Enable(0x0BE2));
    device.BlendEquationSeparate(0x8006, 0x8006);
    device.BlendFuncSeparate(1, 1, 1, 1);
    struct Reduce {
        int profile, count;
        float dx, dy, sx, sy, mask[4], scale, shift;
    } reduces[4] = {
        {0, W, 1.f / W, 0, 0, 0.5f, {1, 0, 0, 0}, float(W) / w, 0},
        {2, W, -1.f / W, 0, 1, 0.5f, {0, 0, 1, 0}, float(W) / w, 1 - float(W) / w},
        {1, H, 0, 1.f / H, 0.5f, 0, {0, 1, 0, 0}, float(H) / h, 0},
        {3, H, 0, -1.f / H, 0.5f, 1, {0, 0, 0, 1}, float(H) / h, 1 - float(H) / h},
    };
    for (const Reduce& r : reduces) {
        profile[r.profile].texture->SetFilter(0x2600);
        ASSERT_TRUE(reduce.BeginPass(1, 1));
        reduce.SetTextureStage(0, &profile[r.profile], StageRect{});
        reduce.SetInt("nCount", r.count);
        reduce.SetFloat2("Direction", r.dx, r.dy);
        reduce.SetFloat2("StartPosition", r.sx, r.sy);
        reduce.SetFloat4("Mask", r.mask[0], r.mask[1], r.mask[2], r.mask[3]);
        reduce.SetFloat("fScale", r.scale);
        reduce.SetFloat("fShift", r.shift);
        FullQuad(false);
    }
    device.Disable(0x0BE2);
    host->SetRenderTarget(&device, nullptr, 0, 0, 0);

    TestFrame readBack(1, 1, 3, false, false);
    ASSERT_TRUE(host->Download(result, readBack.desc));
    float bgra[4];
    std::memcpy(bgra, readBack.bytes.data(), sizeof bgra);
    const float red = bgra[2], green = bgra[1], blue = bgra[0], alpha = bgra[3];
    // Content from column 4 to 194 and from texture row 3 to row 95; the
    // profiles resample W - 1 columns (H - 1 rows) onto W (H) pixels, so
    // one pixel of slack.
    EXPECT_NEAR(red, 4.0f / w, 1.5f / w);
    EXPECT_NEAR(blue, 194.0f / w, 1.5f / w);
    EXPECT_NEAR(green, 5.0f / h, 1.5f / h);
    EXPECT_NEAR(alpha, 1 - 3.0f / h, 1.5f / h);

    for (GPUFrame& p : profile) host->ReleaseRenderTarget(&p);
    host->ReleaseRenderTarget(&result);
    host->ReleaseRenderTarget(&source);
    scanX.Release();
    scanY.Release();
    reduce.Release();
    EXPECT_EQ(host->liveObjects(), 0);
}

} // namespace
} // namespace svt
