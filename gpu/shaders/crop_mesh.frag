// A face of the mesh drawn from a picture with dark borders cut away.
// Stage 1 is the 1 x 1 border result of this source (see border_reduce.frag):
// red the first column of the picture's content, blue one past its last
// column, green the share of dark rows at the far end (last texture rows),
// alpha one less the share of dark rows at the near end. CropPower blends
// from the whole picture (0) to the content only (1).
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform sampler2D Texture1_texture;
uniform TextureStage Texture1;
uniform int SwapChannelsSrc;
uniform vec4 Diffuse;
uniform float CropPower;
varying vec2 vPicture;
void main() {
    vec4 border = texture2D(Texture1_texture, NormToTexture(Texture1, vec2(0.5)));
    vec2 lo = vec2(border.r, 1.0 - border.a);
    vec2 hi = vec2(border.b, 1.0 - border.g);
    // An empty or inconsistent result (analysis incomplete) crops nothing.
    if (hi.x <= lo.x || hi.y <= lo.y) {
        lo = vec2(0.0);
        hi = vec2(1.0);
    }
    vec2 cropped = lo + vPicture * (hi - lo);
    vec2 picture = mix(vPicture, cropped, clamp(CropPower, 0.0, 1.0));
    vec4 c = Swapped(SwapChannelsSrc, texture2D(Texture0_texture, NormToTexture(Texture0, picture)));
    gl_FragColor = c * Diffuse;
}
