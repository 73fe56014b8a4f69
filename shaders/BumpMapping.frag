#version 110
// Per-pixel bump mapping of the ball, fragment half: decodes the tangent-space normal from the
// normal map, turns it into eye space through a tangent frame built from the sphere's normal,
// and lights it with the material and light colours of the fixed-function state.

uniform sampler2D normalmap;

varying vec3 objectNormal;
varying vec3 eyePosition;
varying vec3 lightDirection;

void main()
{
    // The sphere's s runs around its z axis and t from pole to pole. Building the frame here
    // from the interpolated normal keeps it continuous across the seam at s = 0 and 1.
    vec3 n = normalize(objectNormal);
    vec3 around = vec3(-n.y, n.x, 0.0);
    float aroundLength = length(around);
    // At the very poles every direction is "around"; any one will do, as the map pinches there.
    vec3 t = aroundLength > 1.0e-5 ? around / aroundLength : vec3(1.0, 0.0, 0.0);
    vec3 b = cross(n, t);

    // Towards the poles a texel row covers ever less of the sphere, so the mipmap level that
    // s alone would call for blurs the bumps into streaks; sharpen it by the row's shrinking.
    float lodBias = log2(max(aroundLength, 0.02));
    vec3 bump = texture2D(normalmap, gl_TexCoord[0].st, lodBias).rgb * 2.0 - 1.0;
    vec3 surfaceNormal = normalize(gl_NormalMatrix * (bump.x * t + bump.y * b + bump.z * n));
    vec3 sphereNormal = normalize(gl_NormalMatrix * n);

    vec3 l = normalize(lightDirection);
    vec3 v = normalize(-eyePosition);
    vec3 h = normalize(l + v);

    // Bumps on the far side of the ball must not catch the light: fade them with the sphere's
    // own facing so that the terminator stays where the smooth ball would have it.
    float facing = smoothstep(-0.05, 0.2, dot(sphereNormal, l));
    float diffuse = max(dot(surfaceNormal, l), 0.0) * facing;
    float specular = 0.0;
    if (diffuse > 0.0)
        specular = pow(max(dot(surfaceNormal, h), 0.0), gl_FrontMaterial.shininess) * facing;

    vec4 ambient = (gl_LightModel.ambient + gl_LightSource[0].ambient) * gl_FrontMaterial.ambient;
    vec4 color = ambient + gl_FrontMaterial.emission
               + diffuse * gl_LightSource[0].diffuse * gl_FrontMaterial.diffuse
               + specular * gl_LightSource[0].specular * gl_FrontMaterial.specular;
    gl_FragColor = vec4(color.rgb, gl_FrontMaterial.diffuse.a);
}
