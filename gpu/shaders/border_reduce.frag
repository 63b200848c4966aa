// One measurement of a border: walks a profile (stage 0, one pixel per column
// or row, 1 for dark) from StartPosition in steps of Direction over nCount
// pixels and counts the dark ones before the first bright one. The count as
// a share f of the profile becomes a position along the picture, f walking
// forward and 1 - f walking backward, scaled by fScale and shifted by fShift
// into picture fractions, and lands in the channel Mask selects (the passes
// add up in a 1 x 1 target).
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
    float dark = 0.0;
    // Profiles fill their textures, so a profile position is a texture
    // coordinate.
    for (int i = 0; i < 16384; ++i) {
        if (i >= nCount) break;
        vec2 p = StartPosition + Direction * (float(i) + 0.5);
        if (texture2D(Texture0_texture, p).r < 0.5) break;
        dark += 1.0;
    }
    float share = nCount > 0 ? dark / float(nCount) : 0.0;
    float along = Direction.x + Direction.y >= 0.0 ? share : 1.0 - share;
    gl_FragColor = Mask * (fShift + along * fScale);
}
