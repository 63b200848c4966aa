#include "gpu/shader_program.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "library/host_dialogs.h"

namespace svt {

int32_t SwapFlag(uint32_t format) { return format == 1 || format == 4 || format == 9 ? 1 : 0; }

void ShaderProgram::Attach(IGPUHost* host, IGLDevice* device, IGPUProgram* program) {
    Release();
    if (!host || !program || !program->IsValid()) return;
    // NOTE: a program we do not keep is still the host's to free.
    std::vector<std::string> names;
    if (regular_) {
        const uint32_t count = program->GetUniformNames(nullptr);
        std::vector<uint8_t> buffer(size_t(count) * kUniformRecordBytes + 1, 0);
        program->GetUniformNames(buffer.data());
        names.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const char* record = reinterpret_cast<const char*>(buffer.data() + size_t(i) * kUniformRecordBytes);
            names.emplace_back(record, strnlen(record, kUniformRecordBytes));
        }
    }
    host->AddRef();
    host_ = host;
    device_ = device;
    program_ = program;
    names_ = std::move(names);
}

void ShaderProgram::Release() {
    if (program_) {
        host_->ReleaseProgram(program_);
        host_->Release();
    }
    host_ = nullptr;
    device_ = nullptr;
    program_ = nullptr;
    names_.clear();
}

bool ShaderProgram::Knows(const char* name) const {
    if (!program_) return false;
    if (!regular_) return true;
    for (const std::string& n : names_)
        if (n == name) return true;
    return false;
}

bool ShaderProgram::BeginPass(int32_t width, int32_t height) {
    if (!program_) return false;
    program_->Use();
    if (regular_)
        for (bool& s : stageSet_) s = false;
    width_ = width < 1 ? 1 : width;
    height_ = height < 1 ? 1 : height;
    if (!regular_) return true;
    const float w = float(width_), h = float(height_);
    auto scale = [](float s) { return s > 1 ? s / (s - 1) : 0.0f; };
    auto shift = [](float s) { return s > 1 ? -0.5f / (s - 1) : 0.5f; };
    SetFloat2("vRTSize", w, h);
    SetFloat2("vRT2NORM_Scale", scale(w), scale(h));
    SetFloat2("vRT2NORM_Shift", shift(w), shift(h));
    return true;
}

bool ShaderProgram::SetInt(const char* name, int32_t v) { return Knows(name) && program_->SetInt(name, v); }
bool ShaderProgram::SetFloat(const char* name, float v) { return Knows(name) && program_->SetFloat(name, v); }
bool ShaderProgram::SetFloat2(const char* name, float x, float y) {
    return Knows(name) && program_->SetFloat2(name, x, y);
}
bool ShaderProgram::SetFloat4(const char* name, float x, float y, float z, float w) {
    return Knows(name) && program_->SetFloat4(name, x, y, z, w);
}
bool ShaderProgram::SetTexture(const char* name, const GPUFrame* frame) {
    return frame && Knows(name) && program_->SetTexture(name, frame->texture);
}

namespace {

// The eighteen per-axis values of one texture stage, in the order sent.
struct StageAxis {
    float v[18];
};

StageAxis Axis(float size, float textureSize, float origin, float r0, float r1, float target) {
    const float n = size * (r1 - r0) - 1;
    const float o = origin + r0 * size + 0.5f;
    const float T = textureSize, S = target;
    const bool bigT = T > 1.5f, bigS = S > 1.5f;
    const float vScale = n / T, vShift = o / T;
    return {{
        vScale,
        vShift,
        vScale * (bigT ? 1 / n : 0),
        vScale * (bigT ? 0 : 0.5f) + vShift,
        bigS ? S / (S - 1) * n / (n + 1) : 0,
        bigS ? 0.5f * (1 - n / (S - 1)) / (n + 1) : 0.5f,
        bigS ? S / (S - 1) * n : 0,
        bigS ? -0.5f * n / (S - 1) : 0,
        bigT ? (n + 1) / n : 0,
        bigT ? -0.5f / n : 0.5f,
        n + 1,
        -0.5f,
        bigT ? 1 / n : 0,
        bigT ? 0 : 0.5f,
        n,
        1 / n,
        o / T,
        n / T,
    }};
}

constexpr const char* kStageFields[18] = {
    "vScale",          "vShift",          "vScaleTEXi",       "vShiftTEXi",       "vRT2TEX_Scale",
    "vRT2TEX_Shift",   "vRT2TEXi_Scale",  "vRT2TEXi_Shift",   "vTEX2NORM_Scale",  "vTEX2NORM_Shift",
    "vTEX2TEXi_Scale", "vTEX2TEXi_Shift", "vTEXi2NORM_Scale", "vTEXi2NORM_Shift", "vNORM2TEXi_Scale",
    "texelSize",       "roiLeftTop",      "roiWH",
};

const char16_t kStageMisuse[] = u"You can't provide texture stage info when use not regular shader";

} // namespace

void ShaderProgram::SetTextureStage(int stage, const GPUFrame* frame, const StageRect& rect) {
    if (!regular_) {
        ShowMessageBox(u"Error", kStageMisuse, SVT_ICON_ERROR);
        return;
    }
    if (stage < 0 || stage > 9 || !frame) return;
    if (stage < 8) {
        if (stageSet_[stage]) return;
        stageSet_[stage] = true;
    }
    const StageAxis x = Axis(float(frame->width), float(frame->textureWidth), float(frame->x), rect.x0, rect.x1,
                             float(width_));
    const StageAxis y = Axis(float(frame->height), float(frame->textureHeight), float(frame->y), rect.y0,
                             rect.y1, float(height_));
    char name[40];
    std::snprintf(name, sizeof name, "Texture%d_texture", stage);
    SetTexture(name, frame);
    for (int i = 0; i < 18; ++i) {
        std::snprintf(name, sizeof name, "Texture%d.%s", stage, kStageFields[i]);
        SetFloat2(name, x.v[i], y.v[i]);
    }
}

bool ShaderProgram::CheckStages(const GPUFrame* first, const GPUFrame* second) {
    if (!regular_ || callerSetsStages_) return true;
    if (first) SetTextureStage(0, first, StageRect{});
    if (second) SetTextureStage(1, second, StageRect{});
    return true;
}

} // namespace svt
