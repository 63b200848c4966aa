// A face of the transition's mesh: the source picture at the face's
// coordinate, modulated by its light and alpha.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform int SwapChannelsSrc;
uniform vec4 Diffuse;
varying vec2 vPicture;
void main() {
    vec4 c = Swapped(SwapChannelsSrc, texture2D(Texture0_texture, NormToTexture(Texture0, vPicture)));
    gl_FragColor = c * Diffuse;
}
