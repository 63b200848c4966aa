// The glow composite: a two-texture quad whose coordinate (texture unit 0)
// runs 0..1 across the bound target.
#version 110
varying vec2 vQuad;
void main() {
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
    vQuad = gl_MultiTexCoord0.xy;
}
