// The glow and metal look, the same arithmetic as the CPU look on float
// pictures. Glow: where the blurred copy (stage 1), amplified by fGlow, is
// brighter than the pixel (stage 0), the pixel is lifted toward white by the
// difference and its alpha rises to that brightness. Metal: the picture is
// darkened by 0.6 * fMetal and given a banded sheen that follows each
// pixel's brightness. Both inputs arrive in the source's channel order.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform sampler2D Texture1_texture;
uniform TextureStage Texture1;
uniform int SwapChannelsSrc0;
uniform int SwapChannelsSrc1;
uniform float fGlow;
uniform float fMetal;
varying vec2 vQuad;
void main() {
    vec2 norm = TargetToNorm(vQuad);
    vec4 c = Swapped(SwapChannelsSrc0, texture2D(Texture0_texture, NormToTexture(Texture0, norm)));
    vec4 blurred = Swapped(SwapChannelsSrc1, texture2D(Texture1_texture, NormToTexture(Texture1, norm)));
    const vec3 luma = vec3(0.298, 0.586, 0.113);
    if (fGlow > 0.0) {
        float lg = dot(blurred.rgb, luma) * fGlow;
        float ls = dot(c.rgb, luma);
        c.rgb = min(c.rgb + max(lg - ls, 0.0), 1.0);
        c.a = min(max(lg, c.a), 1.0);
    }
    if (fMetal > 0.0) {
        float q = 0.6 * fMetal;
        float l = (c.r + c.g + c.b) / 3.0;
        float w = ((0.8 * sin(6.283 * fMetal + 28.9018 * l) + 1.0) * 0.5 + l) * q;
        c.rgb = clamp(c.rgb * (1.0 - q) + 0.7163 * w, 0.0, 1.0);
    }
    gl_FragColor = c;
}
