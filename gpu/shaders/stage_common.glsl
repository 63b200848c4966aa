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

// The glow blur along one axis (`dir` (1, 0) or (0, 1)): the tent of n taps
// the CPU look uses (a box of (n + 1) / 2 pixels run over a box of the
// rest), offsets from -halfN, samples held to [lo, hi] on that axis. The
// input is sampled bilinearly, so one fetch between two neighbouring taps,
// placed by their weights, sums both: up to 256 taps are exact in 128
// fetches. Wider tents spread 128 fetches evenly over the same weights,
// which keeps a wide glow's cost bounded; its halo is too smooth to show it.
vec4 TentBlur(sampler2D tex, TextureStage s, vec2 norm, vec2 dir, float pixel, int n, int halfN, float lo,
              float hi) {
    float along = dot(norm, dir);
    vec2 across = norm - along * dir;
    float a = float((n + 1) / 2);
    int pairs = (n + 1) / 2;
    int m = pairs < 128 ? pairs : 128;
    float spread = pairs > m ? float(n) / float(2 * m) : 1.0;
    vec4 sum = vec4(0.0);
    float total = 0.0;
    for (int j = 0; j < 128; ++j) {
        if (j >= m) break;
        float k0 = float(2 * j) * spread, k1 = k0 + 1.0;
        float w0 = min(min(k0 + 1.0, float(n) - k0), a);
        float w1 = k1 < float(n) ? min(min(k1 + 1.0, float(n) - k1), a) : 0.0;
        float at = clamp(along + (k0 + w1 / (w0 + w1) - float(halfN)) * pixel, lo, hi);
        sum += (w0 + w1) * texture2D(tex, NormToTexture(s, across + at * dir));
        total += w0 + w1;
    }
    return sum / total;
}
