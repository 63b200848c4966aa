// Full-frame quads: the quad's texture coordinate runs 0..1 across the
// bound target (exchanged in y when the quad is drawn flipped).
#version 110
varying vec2 vQuad;
void main() {
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
    vQuad = gl_MultiTexCoord0.xy;
}
