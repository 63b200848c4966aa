// ShaderProgram: one host program held for one pass (or one sequence of
// passes) of a GPU render, with the uniforms every effect-library program
// receives: the render-target size and, per sampled texture, the mappings
// between target pixels, texels and normalised coordinates.
//
// A "regular" holder (the effect-library programs) knows its program's
// uniform names and never sends a name the program lacks; the copy program's
// holder is not regular and passes every call through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/abi.h"

namespace svt {

// A picture rectangle as fractions of a frame's image.
struct StageRect {
    float x0 = 0, y0 = 0, x1 = 1, y1 = 1;
};

class ShaderProgram {
public:
    explicit ShaderProgram(bool regular) : regular_(regular) {}
    ~ShaderProgram() { Release(); }
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // Takes over `program`, newly made by `host`; keeps nothing when it is
    // null or invalid. Gives back any program held before.
    void Attach(IGPUHost* host, IGLDevice* device, IGPUProgram* program);
    void Release();
    bool valid() const { return program_ != nullptr; }

    // Makes the program current and (regular) sends the target's size.
    // False when no program is held.
    bool BeginPass(int32_t width, int32_t height);

    bool SetInt(const char* name, int32_t v);
    bool SetFloat(const char* name, float v);
    bool SetFloat2(const char* name, float x, float y);
    bool SetFloat4(const char* name, float x, float y, float z, float w);
    bool SetTexture(const char* name, const GPUFrame* frame);

    // Texture stage k (0-9) from `frame`, once per pass.
    void SetTextureStage(int stage, const GPUFrame* frame, const StageRect& rect);
    // Before a draw: stages 0 and 1 from the textures given, whole, unless
    // the caller sets its stages itself or they are set already.
    bool CheckStages(const GPUFrame* first, const GPUFrame* second);

    void setCallerSetsStages(bool on) { callerSetsStages_ = on; }
    bool regular() const { return regular_; }
    int32_t targetWidth() const { return width_; }
    int32_t targetHeight() const { return height_; }
    const std::vector<std::string>& uniformNames() const { return names_; }

private:
    bool Knows(const char* name) const;

    bool regular_;
    bool callerSetsStages_ = false;
    IGPUHost* host_ = nullptr;
    IGLDevice* device_ = nullptr;
    IGPUProgram* program_ = nullptr;
    int32_t width_ = 1, height_ = 1;
    std::vector<std::string> names_;
    bool stageSet_[8] = {};
};

// 1 when a frame of `format` reaches the programs in the other channel order
// (codes 1, 4 and 9), else 0.
int32_t SwapFlag(uint32_t format);

} // namespace svt
