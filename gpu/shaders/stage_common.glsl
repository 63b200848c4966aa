// Shared by every effect-library fragment program (prepended at build time).
//
// The library sends, per program, the bound target's size and the mapping
// from a target coordinate (0..1, pixel centres at (i + 0.5) / size) to the
// pixel-centre normalised coordinate i / (size - 1); and per texture stage K
// the mapping from that normalised coordinate (0 first pixel centre, 1 last
// pixel centre of the stage's rectangle) to texture coordinates:
// tc = TextureK.vShift + norm * TextureK.vScale.
#version 110
struct TextureStage {
    vec2 vScale;
    vec2 vShift;
    vec2 vScaleTEXi;
    vec2 vShiftTEXi;
    vec2 vRT2TEX_Scale;
    vec2 vRT2TEX_Shift;
    vec2 vRT2TEXi_Scale;
    vec2 vRT2TEXi_Shift;
    vec2 vTEX2NORM_Scale;
    vec2 vTEX2NORM_Shift;
    vec2 vTEX2TEXi_Scale;
    vec2 vTEX2TEXi_Shift;
    vec2 vTEXi2NORM_Scale;
    vec2 vTEXi2NORM_Shift;
    vec2 vNORM2TEXi_Scale;
    vec2 texelSize;
    vec2 roiLeftTop;
    vec2 roiWH;
};
uniform vec2 vRTSize;
uniform vec2 vRT2NORM_Scale;
uniform vec2 vRT2NORM_Shift;

vec2 TargetToNorm(vec2 quad) { return quad * vRT2NORM_Scale + vRT2NORM_Shift; }
vec2 NormToTexture(TextureStage s, vec2 norm) { return s.vShift + norm * s.vScale; }
// From edge coordinates (0 the first pixel's outer edge, 1 the last's) to the
// pixel-centre normalised coordinate of the stage.
vec2 EdgeToNorm(TextureStage s, vec2 edge) { return edge * s.vTEX2NORM_Scale + s.vTEX2NORM_Shift; }
// Frames of formats 1, 4 and 9 reach the programs with red and green, blue
// and alpha exchanged; the same swizzle puts them back.
vec4 Swapped(int flag, vec4 c) { return flag == 1 ? c.grab : c; }
