// One measurement of a border: walks a profile (stage 0, 1 where a line of
// the picture is dark) from StartPosition, the picture's edge, in steps of
// Direction over nCount entries, and turns the entries before the first
// bright one into dark lines (the inverse of BorderProfileLines in
// border_scan_x.frag: the middle entry of an odd count stands for two
// lines, entries past it for the line before). The dark share d of the
// profile lands in the channel Mask selects as fShift + d * fScale walking
// forward and fShift + (1 - d) * fScale walking backward, which makes it
// dark lines / picture size, or 1 less that (the passes add up in a 1 x 1
// target).
uniform sampler2D Texture0_texture;
uniform TextureStage Texture0;
uniform int nCount;
uniform vec2 Direction;
uniform vec2 StartPosition;
uniform vec4 Mask;
uniform float fScale;
uniform float fShift;
varying vec2 vQuad;
void main() {
    float entries = float(nCount);
    float firstBright = entries;
    for (int i = 0; i < 16384; ++i) {
        if (i >= nCount) break;
        // A position along the profile as a share of it, to the stage's
        // texture coordinate.
        vec2 share = StartPosition + Direction * (float(i) + 0.5);
        vec2 at = NormToTexture(Texture0, share * Texture0.vTEX2NORM_Scale + Texture0.vTEX2NORM_Shift);
        if (texture2D(Texture0_texture, at).r < 0.5) {
            firstBright = float(i);
            break;
        }
    }
    float last = entries - 1.0;
    float dark = max(2.0 * firstBright <= last ? firstBright : firstBright - 1.0, 0.0);
    float share = entries > 0.0 ? dark / entries : 0.0;
    float along = Direction.x + Direction.y >= 0.0 ? share : 1.0 - share;
    gl_FragColor = Mask * (fShift + along * fScale);
}
