// The viewer's effect: the water plane lit by a sun with the sky reflected in
// it. Vertices carry world positions; the projection comes as four rows so the
// vertex shader needs no matrix packing convention.
#pragma once

namespace swellkit::view
{

inline constexpr char kWaterEffect[] = R"(
float4 vRow0;
float4 vRow1;
float4 vRow2;
float4 vRow3;
float4 vEye;
float4 vSun = float4(0.25, 0.45, -0.86, 0);
float4 vZenith = float4(0.10, 0.30, 0.62, 1);
float4 vHorizon = float4(0.62, 0.75, 0.86, 1);
float4 vDeep = float4(0.02, 0.14, 0.24, 1);
float fBumpiness = 1.0;
float fFogDistance = 60;

texture NormalMap;
texture HeightMap;

sampler sNormal = sampler_state
{
    Texture = <NormalMap>;
    AddressU = WRAP;
    AddressV = WRAP;
    MipFilter = LINEAR;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
};

sampler sHeight = sampler_state
{
    Texture = <HeightMap>;
    AddressU = WRAP;
    AddressV = WRAP;
    MipFilter = LINEAR;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
};

struct VS_INPUT
{
    float4 Pos : POSITION;
    float2 TexCoord : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Pos : POSITION;
    float2 TexCoord : TEXCOORD0;
    float3 World : TEXCOORD1;
};

VS_OUTPUT VS(VS_INPUT In)
{
    VS_OUTPUT Out;
    float4 p = float4(In.Pos.xyz, 1);
    Out.Pos = float4(dot(p, vRow0), dot(p, vRow1), dot(p, vRow2), dot(p, vRow3));
    Out.TexCoord = In.TexCoord;
    Out.World = In.Pos.xyz;
    return Out;
}

// The maps' normals have z up; the plane's up is y.
float3 SurfaceNormal(float2 uv)
{
    float3 n = tex2D(sNormal, uv).rgb * 2 - 1;
    return normalize(float3(n.x * fBumpiness, n.z, n.y * fBumpiness));
}

float3 Sky(float3 r)
{
    return lerp(vHorizon.rgb, vZenith.rgb, saturate(r.y * 1.5));
}

float4 PS_20(VS_OUTPUT In) : COLOR
{
    float3 n = SurfaceNormal(In.TexCoord);
    float3 toEye = vEye.xyz - In.World;
    float distance = length(toEye);
    float3 v = toEye / distance;
    float3 r = reflect(-v, n);
    float fresnel = 0.02 + 0.98 * pow(1 - saturate(dot(n, v)), 5);
    float height = tex2D(sHeight, In.TexCoord).r;
    float3 water = vDeep.rgb * (0.6 + 0.8 * height) + float3(0, 0.05, 0.06) * saturate(dot(n, vSun.xyz));
    float3 h = normalize(vSun.xyz + v);
    float sun = pow(saturate(dot(n, h)), 240) * 3;
    float3 colour = lerp(water, Sky(r), fresnel) + sun * float3(1, 0.92, 0.75);
    float fog = saturate(distance / fFogDistance);
    return float4(lerp(colour, vHorizon.rgb, fog * fog), 1);
}

// Devices below ps_2_0 have no height map: the sun and the sky alone.
float4 PS_11(VS_OUTPUT In) : COLOR
{
    float3 n = tex2D(sNormal, In.TexCoord).rgb * 2 - 1;
    float lit = saturate(dot(n.xzy, vSun.xyz));
    return float4(lerp(vDeep.rgb, vHorizon.rgb, lit * 0.6), 1);
}

technique Water20
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS_20();
        CullMode = NONE;
        ZEnable = FALSE;
    }
}

technique Water11
{
    pass P0
    {
        VertexShader = compile vs_1_1 VS();
        PixelShader = compile ps_1_1 PS_11();
        CullMode = NONE;
        ZEnable = FALSE;
    }
}
)";

} // namespace swellkit::view
