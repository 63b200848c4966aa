#include "gpu/programs.h"

#include <cstring>

namespace svt {

namespace shaders {
// NOTE: these two texts are the host-visible copy program, byte for byte;
// the composed scene is copied into the host's output frame with them.
extern const char copy_vert[] =
    "varying vec2 texCoord;uniform vec2 texCoordScale0;uniform vec2 texCoordShift0;void main() {\tgl_Position "
    "= gl_ModelViewProjectionMatrix * gl_Vertex;\ttexCoord\t= texCoordShift0 + gl_MultiTexCoord0.xy * "
    "texCoordScale0;}";
extern const char copy_frag[] =
    "#define SWAP_CHANNELS_WTO(swapFlag, src, dst) if (swapFlag==1) dst = src.grab; else dst = src \nuniform "
    "sampler2D Tex;varying vec2 texCoord;uniform int SwapChannelsDst;void main() "
    "{\tSWAP_CHANNELS_WTO(SwapChannelsDst, texture2D(Tex, texCoord.xy), gl_FragColor);}";
} // namespace shaders

namespace {

ProgramSource Plain(const char* text) {
    return {reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text)), 0, 0};
}

} // namespace

ProgramSources SourcesOf(ProgramId id) {
    using namespace shaders;
    switch (id) {
    case ProgramId::kMesh: return {Plain(mesh_vert), Plain(mesh_frag)};
    case ProgramId::kCropMesh: return {Plain(mesh_vert), Plain(crop_mesh_frag)};
    case ProgramId::kBackground: return {Plain(flat_vert), Plain(background_frag)};
    case ProgramId::kBorderScanX: return {Plain(flat_vert), Plain(border_scan_x_frag)};
    case ProgramId::kBorderScanY: return {Plain(flat_vert), Plain(border_scan_y_frag)};
    case ProgramId::kBorderReduce: return {Plain(flat_vert), Plain(border_reduce_frag)};
    case ProgramId::kBlur1: return {Plain(flat_vert), Plain(blur1_frag)};
    case ProgramId::kBlur2: return {Plain(flat_vert), Plain(blur2_frag)};
    case ProgramId::kGlow: return {Plain(glow_vert), Plain(glow_frag)};
    case ProgramId::kCopy: break;
    }
    return {Plain(copy_vert), Plain(copy_frag)};
}

const char* ProgramName(ProgramId id) {
    static constexpr const char* kNames[kProgramCount] = {
        "MeshProgram",         "CropMeshProgram", "BackgroundProgram", "BorderScanXProgram", "BorderScanYProgram",
        "BorderReduceProgram", "BlurProgram1",    "BlurProgram2",      "GlowProgram",        "CopyProgram"};
    const int i = static_cast<int>(id);
    return i >= 0 && i < kProgramCount ? kNames[i] : "";
}

} // namespace svt
