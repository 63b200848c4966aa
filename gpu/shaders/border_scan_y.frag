// Row profile of one end strip: each target pixel takes one row of
// the strip (stage 0) and answers 1 when the whole row, from fMinPixel to
// fMaxPixel in texture columns of fPixelSize, is darker than fThreshold, else 0.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform int SwapChannelsSrc;
uniform float fThreshold;
uniform float fMinPixel;
uniform float fMaxPixel;
uniform float fPixelSize;
varying vec2 vQuad;
void main() {
    float y = NormToTexture(Texture0, TargetToNorm(vQuad)).y;
    float brightest = 0.0;
    // NOTE: the bound keeps the loop finite for any uniform values; frames
    // are far below 16384 columns.
    for (int i = 0; i < 16384; ++i) {
        float x = fMinPixel + (float(i) + 0.5) * fPixelSize;
        if (x >= fMaxPixel || fPixelSize <= 0.0) break;
        vec3 c = Swapped(SwapChannelsSrc, texture2D(Texture0_texture, vec2(x, y))).rgb;
        brightest = max(brightest, dot(c, vec3(0.299, 0.587, 0.114)));
    }
    gl_FragColor = vec4(brightest < fThreshold ? 1.0 : 0.0);
}
