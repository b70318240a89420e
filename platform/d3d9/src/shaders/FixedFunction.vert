#version 450
// Direct3D 9 fixed-function vertex processing for the vertex formats hosts
// draw without shaders: pretransformed positions in render-target pixels, or
// positions transformed by world * view * projection. No lights can be set on
// this device, so lighting leaves the emissive and ambient terms.

layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec4 inDiffuse;
layout(location = 2) in vec4 inSpecular;
layout(location = 3) in vec4 inTexCoord0;
layout(location = 4) in vec4 inTexCoord1;

layout(location = 0) out vec4 outTexCoord0;
layout(location = 1) out vec4 outTexCoord1;
layout(location = 8) out vec4 outColor0;
layout(location = 9) out vec4 outColor1;
layout(location = 10) out float outFog;

// The vertex format and the lighting states steer branches, so they are
// specialization constants rather than uniforms, which lavapipe may fold into
// a variant compiled anew in every command buffer. Pretransformed vertices
// read no uniform at all: their viewport is specialized too, since on lavapipe
// a vertex shader that reads a uniform block while the pixel shader reads none
// made the driver's memory grow with every frame.
layout(constant_id = 18) const int kPretransformed = 0;
layout(constant_id = 19) const int kHasDiffuse = 0;
layout(constant_id = 20) const int kHasSpecular = 0;
layout(constant_id = 21) const int kLighting = 0;
layout(constant_id = 22) const int kDiffuseSource = 0;
layout(constant_id = 23) const int kAmbientSource = 0;
layout(constant_id = 24) const int kSpecularSource = 0;
layout(constant_id = 25) const int kEmissiveSource = 0;
layout(constant_id = 26) const float kViewportX = 0.0;
layout(constant_id = 27) const float kViewportY = 0.0;
layout(constant_id = 28) const float kViewportWidth = 1.0;
layout(constant_id = 29) const float kViewportHeight = 1.0;
layout(constant_id = 30) const float kMinZ = 0.0;
layout(constant_id = 31) const float kMaxZ = 1.0;

layout(set = 0, binding = 0, std140) uniform FixedVertex
{
    mat4 worldViewProjection; // Direct3D's row-vector matrix, stored as is
    vec4 ambient;             // D3DRS_AMBIENT
    vec4 materialDiffuse;
    vec4 materialAmbient;
    vec4 materialSpecular;
    vec4 materialEmissive;
}
ff;

vec4 source(int which, vec4 material)
{
    if (which == 1 && kHasDiffuse != 0)
        return inDiffuse;
    if (which == 2 && kHasSpecular != 0)
        return inSpecular;
    return material;
}

void main()
{
    if (kPretransformed != 0)
    {
        // Pixel coordinates of the render target, centres at integers; the
        // viewport transform then puts them back where they were.
        float w = inPosition.w != 0.0 ? 1.0 / inPosition.w : 1.0;
        float x = 2.0 * (inPosition.x - kViewportX) / kViewportWidth - 1.0;
        float y = 1.0 - 2.0 * (inPosition.y - kViewportY) / kViewportHeight;
        float range = kMaxZ - kMinZ;
        float z = (inPosition.z - kMinZ) / (range != 0.0 ? range : 1.0);
        gl_Position = vec4(x, y, range != 0.0 ? z : 0.0, 1.0) * w;
    }
    else
        gl_Position = ff.worldViewProjection * vec4(inPosition.xyz, 1.0);

    vec4 diffuse = kHasDiffuse != 0 ? inDiffuse : vec4(1.0);
    vec4 specular = kHasSpecular != 0 ? inSpecular : vec4(0.0);
    if (kPretransformed == 0 && kLighting != 0)
    {
        vec4 emissive = source(kEmissiveSource, ff.materialEmissive);
        vec4 ambientColor = source(kAmbientSource, ff.materialAmbient);
        diffuse = vec4(clamp(emissive.rgb + ff.ambient.rgb * ambientColor.rgb, 0.0, 1.0),
                       source(kDiffuseSource, ff.materialDiffuse).a);
        specular = vec4(0.0);
    }
    outColor0 = diffuse;
    outColor1 = specular;
    outFog = kHasSpecular != 0 ? inSpecular.a : 1.0;
    outTexCoord0 = inTexCoord0;
    outTexCoord1 = inTexCoord1;
}
