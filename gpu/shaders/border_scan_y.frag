// Row profile of an end strip of the source (stage 0, its rectangle the
// strip): target pixel i answers 1 when its row of the strip is dark over
// the picture's whole width (fMinPixel to fMaxPixel in texture columns of
// fPixelSize), else 0. See BorderProfileLines for which row that is.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform int SwapChannelsSrc;
uniform float fThreshold;
uniform float fMinPixel;
uniform float fMaxPixel;
uniform float fPixelSize;
varying vec2 vQuad;
// Profile entry i of m + 1 to the strip lines (0 .. n, n = m - 1 when the
// strip is one line shorter than the profile, as the analysis makes it) it
// stands for: entries below the middle take line i, entries above it line
// i - 1, and the middle entry of an odd count both lines around it. The
// mapping reads the same from either end, so border_reduce.frag can count
// lines from whichever edge it walks from.
vec2 BorderProfileLines(float i, float m, float n) {
    vec2 j = vec2(2.0 * i < m ? i : i - 1.0, 2.0 * i > m ? i - 1.0 : i);
    return clamp(j, 0.0, max(n, 0.0));
}
// The CPU cropper's test, so that both renderers find the same border: a
// pixel is bright when red, green and blue add up to 225 of 765 (less half
// an 8-bit level for rounding); fThreshold, 0.38, scales to that level.
float BorderBrightLevel(float threshold) { return threshold * (224.5 / 255.0 / 0.38); }
float ChannelSum(vec4 c) { return c.r + c.g + c.b; }
void main() {
    float lines = floor(Texture0.vNORM2TEXi_Scale.y + 0.5); // strip rows less one
    if (lines < 0.0) {
        gl_FragColor = vec4(0.0); // a strip without rows has no dark ones
        return;
    }
    vec2 j = BorderProfileLines(floor(vQuad.y * vRTSize.y), vRTSize.y - 1.0, lines);
    float step = lines > 0.5 ? Texture0.vScale.y / lines : 0.0;
    vec2 y = Texture0.vShift.y + j * step;
    float level = BorderBrightLevel(fThreshold);
    bool bright = false;
    // NOTE: the bound keeps the loop finite for any uniform values; frames
    // are far below 16384 columns.
    for (int i = 0; i < 16384; ++i) {
        float x = fMinPixel + (float(i) + 0.5) * fPixelSize;
        if (x >= fMaxPixel || fPixelSize <= 0.0) break;
        vec4 a = Swapped(SwapChannelsSrc, texture2D(Texture0_texture, vec2(x, y.x)));
        vec4 b = Swapped(SwapChannelsSrc, texture2D(Texture0_texture, vec2(x, y.y)));
        if (max(ChannelSum(a), ChannelSum(b)) >= level) {
            bright = true;
            break;
        }
    }
    gl_FragColor = vec4(bright ? 0.0 : 1.0);
}
