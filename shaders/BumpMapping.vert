#version 110
// Per-pixel bump mapping of the ball, vertex half: hands the fragment half the sphere's
// object-space normal (the tangent frame is rebuilt from it per pixel), the eye-space position
// and the direction towards the room's light.

uniform mat4 light_mvmatrix;  // world to eye, taken right after the camera was placed

varying vec3 objectNormal;
varying vec3 eyePosition;
varying vec3 lightDirection;

// Where the light comes from in the room: above, in front of and left of the start view, so
// the ball shows a lit side, a dark side and a highlight. Fixed in the room, not to the camera.
const vec4 roomLightDirection = vec4(-0.65, 0.55, 0.35, 0.0);

void main()
{
    objectNormal = gl_Normal;
    eyePosition = vec3(gl_ModelViewMatrix * gl_Vertex);
    lightDirection = vec3(light_mvmatrix * roomLightDirection);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}
