// The mesh of a scene on the GPU: one record per visible side of each face,
// lit flat from the face's normal, drawn as one triangle strip per record.
#include <array>

#include "geometry/mat4.h"
#include "gpu/gl_constants.h"
#include "gpu/gpu_effect_adapter.h"
#include "platform/gl_entry.h"

namespace svt {

static_assert(sizeof(GPUEffectAdapter::FaceRecord) == 96);

namespace {

using MultiTexCoord2f = void (*)(uint32_t target, float s, float t);

Mat4 Product(const double* left, const double* right) {
    Mat4 l, r;
    for (int i = 0; i < 16; ++i) {
        l.m[i] = left[i];
        r.m[i] = right[i];
    }
    return MatMul(l, r);
}

// Texture corner k of `rect`: 0 top-left, 1 top-right, 2 bottom-right, 3
// bottom-left, as fractions of the picture (rows in memory order).
std::array<float, 2> TextureCorner(const TexRect& rect, int k) {
    const double u = (k == 1 || k == 2) ? rect.right : rect.left;
    const double v = (k >= 2) ? rect.bottom : rect.top;
    return {float(u), float(v)};
}

// One side of `face`: the corners in strip order with the picture
// coordinate each receives. The back side runs the other way round, so that
// culling keeps exactly the side that faces the viewer; which picture corner
// lands on which face corner follows the face's own layout (the same the CPU
// renderer warps by).
GPUEffectAdapter::FaceRecord SideRecord(const QuadFace& face, bool back, float intensity, float alpha) {
    const TexRect& rect = back && face.back != kSourceNone ? face.backRect : face.frontRect;
    const std::array<int, 4> order = face.CornerOrder(back);
    std::array<float, 2> uvOf[4];
    for (int k = 0; k < 4; ++k) uvOf[order[k]] = TextureCorner(rect, k);
    static constexpr int kFront[4] = {3, 0, 1, 2}, kBack[4] = {0, 3, 2, 1};
    const int* corners = back ? kBack : kFront;
    GPUEffectAdapter::FaceRecord r{};
    for (int i = 0; i < 4; ++i) {
        const Vec3& p = face.vertices[corners[i]];
        r.corner[i][0] = float(p.x);
        r.corner[i][1] = float(p.y);
        r.corner[i][2] = float(p.z);
        r.uv[i][0] = uvOf[corners[i]][0];
        r.uv[i][1] = uvOf[corners[i]][1];
    }
    r.diffuse[0] = r.diffuse[1] = r.diffuse[2] = intensity;
    r.diffuse[3] = alpha;
    return r;
}

} // namespace

void GPUEffectAdapter::MeshDraw(const std::vector<QuadFace>& faces, GPUFrame* const frames[2], int firstGroup,
                                const std::vector<Light3D*>& lights) {
    FaceGroup groups[2];
    groups[0].frame = frames[0];
    groups[1].frame = frames[1];
    const Mat4 toScreen = Product(projection_, modelView_);
    for (const QuadFace& face : faces) {
        if (face.front == kSourceNone || !face.usable()) continue;
        // Flat light from the normal of the projected face: two-sided, so
        // the mirrored projection gives the same intensity as the CPU's.
        float intensity = 1.0f;
        if (!lights.empty()) {
            const std::array<Vec3, 4> q = face.TransformedCorners(toScreen);
            const Vec3 n = Normalize(Cross(q[3] - q[0], q[1] - q[0]));
            intensity = float(LightIntensity(lights, n, Vec3{}, true));
        }
        for (int side = 0; side < 2; ++side) {
            const PictureSource source = side == 1 && face.back != kSourceNone ? face.back : face.front;
            const int group = source == kSourceFirst ? firstGroup : 1 - firstGroup;
            if (!groups[group].frame) continue;
            groups[group].faces.push_back(SideRecord(face, side == 1, intensity, faceAlpha_));
        }
    }

    if (!borderAnalysisValid_) {
        ShaderProgram program(true);
        if (CreateProgram(ProgramId::kMesh, program)) FaceListDraw(groups, 2, program);
        return;
    }
    ShaderProgram program(true);
    if (!CreateProgram(ProgramId::kCropMesh, program)) return;
    program.setCallerSetsStages(true);
    for (int k = 0; k < 2; ++k) {
        if (groups[k].faces.empty()) continue;
        BeginPass(program);
        program.SetTextureStage(1, &borderResult_[k], StageRect{});
        program.SetFloat("CropPower", cropPower_[k]);
        FaceListDraw(&groups[k], 1, program);
    }
}

bool GPUEffectAdapter::FaceListDraw(const FaceGroup* groups, int count, ShaderProgram& program) {
    const platform::GLFunctions* gl = platform::SystemGL();
    auto texCoord = reinterpret_cast<MultiTexCoord2f>(extensionTable().entries[kSlotMultiTexCoord2f]);
    if (device_) device_->Enable(gl::kCullFace);
    bool translucent = false;
    for (int g = 0; g < count; ++g)
        for (const FaceRecord& r : groups[g].faces) translucent |= r.diffuse[3] < 1.0f;
    bool blending = false;
    if (translucent) {
        if (IGLDevice* guarded = guardedDevice()) {
            blending = true;
            if (guarded->Enable(gl::kBlend)) guarded->BlendEquationSeparate(gl::kFuncAdd, gl::kFuncAdd);
            guarded->BlendFuncSeparate(gl::kSrcAlpha, gl::kOneMinusSrcAlpha, gl::kOne, gl::kOne);
        }
    }
    for (int g = 0; g < count; ++g) {
        GPUFrame* frame = groups[g].frame;
        if (frame && frame->texture) frame->texture->SetFilter(gl::kLinear);
        for (const FaceRecord& r : groups[g].faces) {
            BeginPass(program);
            // A crop program's stage 1, set by the caller, stays in the
            // program across passes.
            program.SetTextureStage(0, frame, StageRect{});
            program.SetFloat("fScaleZ", 0.1f);
            program.SetInt("SwapChannelsSrc", frame ? SwapFlag(frame->format) : 0);
            program.SetFloat4("Diffuse", r.diffuse[0], r.diffuse[1], r.diffuse[2], r.diffuse[3]);
            program.CheckStages(frame, nullptr);
            if (!gl || !texCoord) continue;
            gl->Begin(gl::kTriangleStrip);
            for (int i : {0, 1, 3, 2}) {
                texCoord(gl::kTexture0, r.uv[i][0], r.uv[i][1]);
                gl->Vertex3f(r.corner[i][0], r.corner[i][1], r.corner[i][2]);
            }
            gl->End();
        }
    }
    if (blending)
        if (IGLDevice* guarded = guardedDevice()) guarded->Disable(gl::kBlend);
    if (device_) device_->Disable(gl::kCullFace);
    currentProgram_ = nullptr;
    return true;
}

} // namespace svt
