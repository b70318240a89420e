#version 450
// Direct3D 9 fixed-function pixel processing: two texture stages, specular
// add, fog and the alpha test.

layout(location = 0) in vec4 inTexCoord0;
layout(location = 1) in vec4 inTexCoord1;
layout(location = 8) in vec4 inColor0;
layout(location = 9) in vec4 inColor1;
layout(location = 10) in float inFog;

layout(location = 0) out vec4 outColor;

// The stage operations and modes are specialization constants, so each
// pipeline holds only the path its states select. As uniforms they made
// lavapipe fold their values into the shader and compile it again at every
// descriptor bind, and run every operation's test per pixel otherwise.
layout(constant_id = 0) const int COLOR_OP0 = 4; // D3DTOP_*
layout(constant_id = 1) const int COLOR_ARG10 = 2; // D3DTA_*
layout(constant_id = 2) const int COLOR_ARG20 = 1;
layout(constant_id = 3) const int COORD0 = 0; // texture coordinate set
layout(constant_id = 4) const int ALPHA_OP0 = 2;
layout(constant_id = 5) const int ALPHA_ARG10 = 2;
layout(constant_id = 6) const int ALPHA_ARG20 = 1;
layout(constant_id = 7) const int COLOR_OP1 = 1;
layout(constant_id = 8) const int COLOR_ARG11 = 2;
layout(constant_id = 9) const int COLOR_ARG21 = 1;
layout(constant_id = 10) const int COORD1 = 0;
layout(constant_id = 11) const int ALPHA_OP1 = 1;
layout(constant_id = 12) const int ALPHA_ARG11 = 2;
layout(constant_id = 13) const int ALPHA_ARG21 = 1;
layout(constant_id = 14) const int FOG_ENABLE = 0;
layout(constant_id = 15) const int FOG_TABLE_MODE = 0; // D3DFOG_*
layout(constant_id = 16) const int ALPHA_FUNC = 0;     // D3DCMP_*, 0 when the test is off
layout(constant_id = 17) const int SPECULAR_ENABLE = 0;

layout(set = 0, binding = 1, std140) uniform FixedPixel
{
    vec4 textureFactor;
    vec4 fogColor;
    vec4 fogParams; // start, end, density
    vec4 alphaReference;
}
ff;

layout(set = 0, binding = 2) uniform sampler2D texture0;
layout(set = 0, binding = 3) uniform sampler2D texture1;

const int DISABLE = 1, SELECTARG1 = 2, SELECTARG2 = 3, MODULATE = 4, MODULATE2X = 5,
          MODULATE4X = 6, ADD = 7, ADDSIGNED = 8, ADDSIGNED2X = 9, SUBTRACT = 10,
          ADDSMOOTH = 11, BLENDDIFFUSEALPHA = 12, BLENDTEXTUREALPHA = 13,
          BLENDFACTORALPHA = 14, BLENDCURRENTALPHA = 16;

vec4 argument(int arg, vec4 current, vec4 texel)
{
    vec4 v;
    int which = arg & 0xf;
    if (which == 0)
        v = inColor0;
    else if (which == 1)
        v = current;
    else if (which == 2)
        v = texel;
    else if (which == 3)
        v = ff.textureFactor;
    else if (which == 4)
        v = inColor1;
    else
        v = vec4(0.0);
    if ((arg & 0x10) != 0)
        v = 1.0 - v;
    if ((arg & 0x20) != 0)
        v = v.aaaa;
    return v;
}

vec4 operation(int op, vec4 a, vec4 b, vec4 current, vec4 texel)
{
    if (op == SELECTARG1)
        return a;
    if (op == SELECTARG2)
        return b;
    if (op == MODULATE2X)
        return a * b * 2.0;
    if (op == MODULATE4X)
        return a * b * 4.0;
    if (op == ADD)
        return a + b;
    if (op == ADDSIGNED)
        return a + b - 0.5;
    if (op == ADDSIGNED2X)
        return (a + b - 0.5) * 2.0;
    if (op == SUBTRACT)
        return a - b;
    if (op == ADDSMOOTH)
        return a + b - a * b;
    if (op == BLENDDIFFUSEALPHA)
        return mix(b, a, inColor0.a);
    if (op == BLENDTEXTUREALPHA)
        return mix(b, a, texel.a);
    if (op == BLENDFACTORALPHA)
        return mix(b, a, ff.textureFactor.a);
    if (op == BLENDCURRENTALPHA)
        return mix(b, a, current.a);
    return a * b;
}

// color and alpha: operation, first and second argument.
vec4 stage(ivec3 color, ivec3 alpha, vec4 current, vec4 texel)
{
    vec4 c = operation(color.x, argument(color.y, current, texel),
                       argument(color.z, current, texel), current, texel);
    float a = current.a;
    if (alpha.x != DISABLE)
        a = operation(alpha.x, argument(alpha.y, current, texel),
                      argument(alpha.z, current, texel), current, texel)
                .a;
    return clamp(vec4(c.rgb, a), 0.0, 1.0);
}

bool passes(int func, float value, float reference)
{
    if (func == 1)
        return false;
    if (func == 2)
        return value < reference;
    if (func == 3)
        return value == reference;
    if (func == 4)
        return value <= reference;
    if (func == 5)
        return value > reference;
    if (func == 6)
        return value != reference;
    if (func == 7)
        return value >= reference;
    return true;
}

void main()
{
    vec4 current = inColor0;
    // A disabled stage ends the cascade: the stages after it are not run.
    if (COLOR_OP0 != DISABLE)
    {
        vec4 texel = texture(texture0, (COORD0 == 0 ? inTexCoord0 : inTexCoord1).xy);
        current = stage(ivec3(COLOR_OP0, COLOR_ARG10, COLOR_ARG20),
                        ivec3(ALPHA_OP0, ALPHA_ARG10, ALPHA_ARG20), current, texel);
        if (COLOR_OP1 != DISABLE)
        {
            texel = texture(texture1, (COORD1 == 0 ? inTexCoord0 : inTexCoord1).xy);
            current = stage(ivec3(COLOR_OP1, COLOR_ARG11, COLOR_ARG21),
                            ivec3(ALPHA_OP1, ALPHA_ARG11, ALPHA_ARG21), current, texel);
        }
    }
    if (SPECULAR_ENABLE != 0)
        current.rgb = clamp(current.rgb + inColor1.rgb, 0.0, 1.0);
    if (ALPHA_FUNC != 0 && !passes(ALPHA_FUNC, current.a, ff.alphaReference.x))
        discard;
    if (FOG_ENABLE != 0)
    {
        float factor = inFog;
        float z = gl_FragCoord.z;
        if (FOG_TABLE_MODE == 1)
            factor = exp(-ff.fogParams.z * z);
        else if (FOG_TABLE_MODE == 2)
            factor = exp(-(ff.fogParams.z * z) * (ff.fogParams.z * z));
        else if (FOG_TABLE_MODE == 3)
            factor = (ff.fogParams.y - z) / (ff.fogParams.y - ff.fogParams.x);
        current.rgb = mix(ff.fogColor.rgb, current.rgb, clamp(factor, 0.0, 1.0));
    }
    outColor = current;
}
