// A face of the transition's mesh: the source picture at the face's
// coordinate, modulated by its light and alpha. The coordinate runs from the
// picture's first edge (0) to its last (1), as the faces' corners run from
// edge to edge of the target: a face at rest copies its part pixel for pixel.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform int SwapChannelsSrc;
uniform vec4 Diffuse;
varying vec2 vPicture;
void main() {
    vec4 c = Swapped(SwapChannelsSrc, texture2D(Texture0_texture, NormToTexture(Texture0, EdgeToNorm(Texture0, vPicture))));
    gl_FragColor = c * Diffuse;
}
