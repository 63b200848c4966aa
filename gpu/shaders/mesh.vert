// Mesh faces: the transition's model-view and projection; the face's
// coordinate is a fraction of the source picture. Depth is scaled by fScaleZ
// so that the moving faces stay between the near and far planes.
#version 110
uniform float fScaleZ;
varying vec2 vPicture;
void main() {
    vec4 p = gl_ModelViewProjectionMatrix * gl_Vertex;
    p.z *= fScaleZ;
    gl_Position = p;
    vPicture = gl_MultiTexCoord0.xy;
}
