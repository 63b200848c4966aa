// The glow and metal look: the source (stage 0) brightened by its blurred
// copy (stage 1), which swells with fGlow, and pushed toward a polished
// grey-blue sheen by fMetal. Both inputs arrive in the source's channel order.
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
    vec4 base = Swapped(SwapChannelsSrc0, texture2D(Texture0_texture, NormToTexture(Texture0, norm)));
    vec4 blurred = Swapped(SwapChannelsSrc1, texture2D(Texture1_texture, NormToTexture(Texture1, norm)));
    // Screen blend of the halo: bright areas bleed, dark ones stay.
    vec3 halo = blurred.rgb * blurred.rgb * fGlow * 0.5;
    vec3 lit = 1.0 - (1.0 - base.rgb) * (1.0 - clamp(halo, 0.0, 1.0));
    float luma = dot(lit, vec3(0.299, 0.587, 0.114));
    vec3 sheen = vec3(0.85, 0.9, 1.0) * (0.25 + 0.95 * luma * luma * (3.0 - 2.0 * luma));
    gl_FragColor = vec4(clamp(mix(lit, sheen, clamp(fMetal, 0.0, 1.0)), 0.0, 1.0), base.a);
}
