// Second half of the glow blur: along columns, the tent of n = blurSize * 2 +
// isOdd taps (TentBlur). Like the CPU look it leaves the two outermost
// pixels out: beyond two pixels in (one on the far side when n is odd) the
// edge is repeated.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform int blurSize;
uniform int isOdd;
varying vec2 vQuad;
void main() {
    vec2 norm = TargetToNorm(vQuad);
    float pixel = Texture0.vTEXi2NORM_Scale.y;
    int n = blurSize * 2 + isOdd;
    if (n < 1) {
        gl_FragColor = texture2D(Texture0_texture, NormToTexture(Texture0, norm));
        return;
    }
    float lo = 2.0 * pixel, hi = 1.0 - float(2 - isOdd) * pixel;
    if (lo > hi) {
        lo = 0.0;
        hi = 1.0;
    }
    norm.y = clamp(norm.y, lo, hi);
    gl_FragColor = TentBlur(Texture0_texture, Texture0, norm, vec2(0.0, 1.0), pixel, n, blurSize, lo, hi);
}
