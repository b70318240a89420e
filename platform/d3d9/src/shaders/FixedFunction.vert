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

// These states stay uniforms: as specialization constants they made lavapipe's
// per-draw vertex work several times slower on grids of 128 strips.
layout(set = 0, binding = 0, std140) uniform FixedVertex
{
    mat4 worldViewProjection; // Direct3D's row-vector matrix, stored as is
    vec4 viewport;            // X, Y, Width, Height
    vec4 depthRange;          // MinZ, MaxZ
    vec4 ambient;             // D3DRS_AMBIENT
    vec4 materialDiffuse;
    vec4 materialAmbient;
    vec4 materialSpecular;
    vec4 materialEmissive;
    ivec4 flags;   // pretransformed, has diffuse, has specular, lighting
    ivec4 sources; // diffuse, ambient, specular, emissive material sources
}
ff;

vec4 source(int which, vec4 material)
{
    if (which == 1 && ff.flags.y != 0)
        return inDiffuse;
    if (which == 2 && ff.flags.z != 0)
        return inSpecular;
    return material;
}

void main()
{
    if (ff.flags.x != 0)
    {
        // Pixel coordinates of the render target, centres at integers; the
        // viewport transform then puts them back where they were.
        float w = inPosition.w != 0.0 ? 1.0 / inPosition.w : 1.0;
        float x = 2.0 * (inPosition.x - ff.viewport.x) / ff.viewport.z - 1.0;
        float y = 1.0 - 2.0 * (inPosition.y - ff.viewport.y) / ff.viewport.w;
        float range = ff.depthRange.y - ff.depthRange.x;
        float z = range != 0.0 ? (inPosition.z - ff.depthRange.x) / range : 0.0;
        gl_Position = vec4(x, y, z, 1.0) * w;
    }
    else
        gl_Position = ff.worldViewProjection * vec4(inPosition.xyz, 1.0);

    vec4 diffuse = ff.flags.y != 0 ? inDiffuse : vec4(1.0);
    vec4 specular = ff.flags.z != 0 ? inSpecular : vec4(0.0);
    if (ff.flags.x == 0 && ff.flags.w != 0)
    {
        vec4 emissive = source(ff.sources.w, ff.materialEmissive);
        vec4 ambientColor = source(ff.sources.y, ff.materialAmbient);
        diffuse = vec4(clamp(emissive.rgb + ff.ambient.rgb * ambientColor.rgb, 0.0, 1.0),
                       source(ff.sources.x, ff.materialDiffuse).a);
        specular = vec4(0.0);
    }
    outColor0 = diffuse;
    outColor1 = specular;
    outFog = ff.flags.z != 0 ? inSpecular.a : 1.0;
    outTexCoord0 = inTexCoord0;
    outTexCoord1 = inTexCoord1;
}
