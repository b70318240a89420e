#version 450
// Direct3D 9 fixed-function pixel processing: two texture stages, specular
// add, fog and the alpha test.

layout(location = 0) in vec4 inTexCoord0;
layout(location = 1) in vec4 inTexCoord1;
layout(location = 8) in vec4 inColor0;
layout(location = 9) in vec4 inColor1;
layout(location = 10) in float inFog;

layout(location = 0) out vec4 outColor;

layout(set = 0, binding = 1, std140) uniform FixedPixel
{
    ivec4 colorStage[2]; // op, arg1, arg2, texture coordinate index
    ivec4 alphaStage[2]; // op, arg1, arg2
    vec4 textureFactor;
    vec4 fogColor;
    vec4 fogParams; // start, end, density
    ivec4 modes;    // fog enable, table fog mode, alpha test function (0: off), specular enable
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
    for (int stage = 0; stage < 2; ++stage)
    {
        ivec4 c = ff.colorStage[stage];
        ivec4 a = ff.alphaStage[stage];
        if (c.x == DISABLE)
            break;
        vec4 coord = c.w == 0 ? inTexCoord0 : inTexCoord1;
        vec4 texel = stage == 0 ? texture(texture0, coord.xy) : texture(texture1, coord.xy);
        vec4 color = operation(c.x, argument(c.y, current, texel), argument(c.z, current, texel),
                               current, texel);
        float alpha = current.a;
        if (a.x != DISABLE)
            alpha = operation(a.x, argument(a.y, current, texel), argument(a.z, current, texel),
                              current, texel)
                        .a;
        current = clamp(vec4(color.rgb, alpha), 0.0, 1.0);
    }
    if (ff.modes.w != 0)
        current.rgb = clamp(current.rgb + inColor1.rgb, 0.0, 1.0);
    if (ff.modes.z != 0 && !passes(ff.modes.z, current.a, ff.alphaReference.x))
        discard;
    if (ff.modes.x != 0)
    {
        float factor = inFog;
        float z = gl_FragCoord.z;
        if (ff.modes.y == 1)
            factor = exp(-ff.fogParams.z * z);
        else if (ff.modes.y == 2)
            factor = exp(-(ff.fogParams.z * z) * (ff.fogParams.z * z));
        else if (ff.modes.y == 3)
            factor = (ff.fogParams.y - z) / (ff.fogParams.y - ff.fogParams.x);
        current.rgb = mix(ff.fogColor.rgb, current.rgb, clamp(factor, 0.0, 1.0));
    }
    outColor = current;
}
