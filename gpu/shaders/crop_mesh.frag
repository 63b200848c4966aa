// A face of the mesh drawn from a picture with its dark border cropped off
// the way the CPU cropper does it: the content rectangle (one dark line of
// margin kept; no crop when it is within two pixels of every edge) zoomed
// to the whole picture, ramped by CropPower from the whole picture (0) to
// the content (1), and while ramping the outer lines repeat the nearest
// inner ones.
//
// Stage 1 is the source's 1 x 1 border result (border_reduce.frag): red
// dark columns at the left and green dark rows at the last texture rows as
// shares of the picture; blue and alpha 1 less the dark shares at the right
// and at the first texture rows. A result that is missing or empty (the
// analysis was incomplete) crops nothing: the face shows what MeshProgram
// would.
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform sampler2D Texture1_texture;
uniform TextureStage Texture1;
uniform int SwapChannelsSrc;
uniform vec4 Diffuse;
uniform float CropPower;
varying vec2 vPicture;

// The texture coordinate `tc` of the uncropped picture moved into the crop.
vec2 Cropped(vec2 tc) {
    vec2 last = floor(Texture0.vNORM2TEXi_Scale + 0.5); // picture size less one
    // A 1 x 1 result stage has n = 0; an empty record gives -1.
    if (Texture1.vNORM2TEXi_Scale.x < -0.5 || last.x < 1.0 || last.y < 1.0) return tc;
    vec4 m = texture2D(Texture1_texture, NormToTexture(Texture1, vec2(0.5)));
    if (m.b < 0.5 || m.a < 0.5) return tc; // never measured: no border is that wide
    vec2 size = last + 1.0;
    vec2 unit = Texture0.vScale / last;        // one pixel in texture coordinates
    vec2 origin = Texture0.vShift - 0.5 * unit; // the picture's first edge

    // The content rectangle, inclusive pixels, first lines at lo.
    vec2 darkLo = floor(vec2(m.r, 1.0 - m.a) * size + 0.5);
    vec2 darkHi = floor(vec2(1.0 - m.b, m.g) * size + 0.5);
    vec2 lo = max(darkLo - 1.0, 0.0);
    vec2 hi = last - max(darkHi - 1.0, 0.0);
    if (lo.x < 3.0 && lo.y < 3.0 && hi.x >= size.x - 2.0 && hi.y >= size.y - 2.0) return tc;

    // The part shown at this crop power.
    float s = CropPower;
    vec2 cLo = lo, cHi = hi;
    if (s <= 0.0) {
        cLo = vec2(0.0);
        cHi = last;
    } else if (s < 1.0) {
        cLo = floor(lo * s + 0.5);
        cHi = min(floor(size * (1.0 - s) + hi * s + 0.5), last);
    }
    vec2 px = (tc - origin) / unit; // position in the zoomed picture, pixel edges at integers
    if (s < 1.0) {
        float b = max(lo.x - cLo.x, lo.y - cLo.y) + 1.0;
        px = max(min(px, max(size - b - 0.5, b + 0.5)), b + 0.5);
    }
    vec2 src = cLo + px * (cHi + 1.0 - cLo) / size;
    // The zoom reads nothing outside the part shown.
    src = clamp(src, cLo + 0.5, cHi + 0.5);
    return origin + src * unit;
}

void main() {
    // The face's coordinate as mesh.frag reads it: edge to edge of the picture.
    vec2 tc = Cropped(NormToTexture(Texture0, EdgeToNorm(Texture0, vPicture)));
    vec4 c = Swapped(SwapChannelsSrc, texture2D(Texture0_texture, tc));
    gl_FragColor = c * Diffuse;
}
