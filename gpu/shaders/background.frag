// The background: one frame, pixel for pixel over the bound target.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform int SwapChannelsSrc;
varying vec2 vQuad;
void main() {
    vec2 tc = NormToTexture(Texture0, TargetToNorm(vQuad));
    gl_FragColor = Swapped(SwapChannelsSrc, texture2D(Texture0_texture, tc));
}
