// The program catalogue: the ten programs of the GPU path and their sources,
// each stage described as the host receives it (ProgramSource). All are plain
// GLSL (text length 0, value 0); the nine effect-library programs come from
// gpu/shaders/, the copy program's two texts are fixed here.
#pragma once

#include <cstdint>

namespace svt {

struct ProgramSource {
    const uint8_t* data;
    uint32_t length;     // bytes of data
    uint32_t textLength; // 0: data is plain GLSL of `length` bytes
    uint64_t value;      // 0 for plain text
};
static_assert(sizeof(ProgramSource) == 24);

enum class ProgramId {
    kMesh,
    kCropMesh,
    kBackground,
    kBorderScanX,
    kBorderScanY,
    kBorderReduce,
    kBlur1,
    kBlur2,
    kGlow,
    kCopy,
};
inline constexpr int kProgramCount = 10;

struct ProgramSources {
    ProgramSource vertex;
    ProgramSource fragment;
};

ProgramSources SourcesOf(ProgramId id);
// For reports and test messages.
const char* ProgramName(ProgramId id);

namespace shaders {
extern const char flat_vert[], mesh_vert[], glow_vert[];
extern const char mesh_frag[], crop_mesh_frag[], background_frag[], border_scan_x_frag[], border_scan_y_frag[],
    border_reduce_frag[], blur1_frag[], blur2_frag[], glow_frag[];
extern const char copy_vert[], copy_frag[];
} // namespace shaders

} // namespace svt
