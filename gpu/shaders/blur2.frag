// Second half of the glow blur: a vertical box of blurSize * 2 + isOdd
// pixels (an even size weighs its two end pixels by one half), clamped to
// the picture's edges.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform int blurSize;
uniform int isOdd;
varying vec2 vQuad;
void main() {
    vec2 norm = TargetToNorm(vQuad);
    float pixel = Texture0.vTEXi2NORM_Scale.y;
    float taps = float(blurSize * 2 + isOdd);
    vec4 sum = vec4(0.0);
    for (int i = -1024; i <= 1024; ++i) {
        if (i < -blurSize) continue;
        if (i > blurSize) break;
        float w = (isOdd == 0 && (i == -blurSize || i == blurSize)) ? 0.5 : 1.0;
        vec2 at = vec2(norm.x, clamp(norm.y + float(i) * pixel, 0.0, 1.0));
        sum += w * texture2D(Texture0_texture, NormToTexture(Texture0, at));
    }
    gl_FragColor = taps > 0.0 ? sum / taps : texture2D(Texture0_texture, NormToTexture(Texture0, norm));
}
