// Normal Map Generator Shader
//
// T20 derives per-pixel normals from the height map; T10 writes normals that
// arrive as vertex normals out as colours, for devices without ps_2_0.

float fInvMapWidth = 0.002;
float fInvMapHeight = 0.002;
float fScale = 2.5;
float fNormalStrength = 1.0;

texture HeightMap;

// MIRROR lets the border pixels use the mirrored sample for the missing
// neighbour.
sampler sHeight = sampler_state
{
    Texture = <HeightMap>;
    AddressU = MIRROR;
    AddressV = MIRROR;
    MipFilter = LINEAR;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
};

struct VS_INPUT1X
{
    float4 Pos : POSITION;
    float3 Normal : NORMAL;
    float2 TexCoord : TEXCOORD0;
};

struct VS_INPUT2X
{
    float4 Pos : POSITION;
    float2 TexCoord : TEXCOORD0;
};

struct VS_OUTPUT_1X
{
    float4 Pos : POSITION;
    float Fog : FOG;
    float4 Normal : COLOR0;
};

struct VS_OUTPUT_2X
{
    float4 Pos : POSITION;
    float Fog : FOG;
    float2 TexCoord0 : TEXCOORD0;
    float2 TexCoord1 : TEXCOORD1;
    float2 TexCoord2 : TEXCOORD2;
    float2 TexCoord3 : TEXCOORD3;
    float2 TexCoord4 : TEXCOORD4;
};

VS_OUTPUT_1X VS_1X(VS_INPUT1X In)
{
    VS_OUTPUT_1X Out;
    Out.Pos = float4(In.TexCoord.x * 2 - 1, 1 - In.TexCoord.y * 2, 1, 1);
    Out.Fog = 1;
    Out.Normal = float4((In.Normal + 1) * 0.5, 1);
    return Out;
}

float4 PS_1X(VS_OUTPUT_1X In) : COLOR
{
    return In.Normal;
}

// The centre and its left, upper, right and lower neighbours, fScale texels
// away.
VS_OUTPUT_2X VS_2X(VS_INPUT2X In)
{
    VS_OUTPUT_2X Out;
    Out.Pos = float4(In.TexCoord.x * 2 - 1, 1 - In.TexCoord.y * 2, 1, 1);
    Out.Fog = 1;
    float dx = fInvMapWidth * fScale;
    float dy = fInvMapHeight * fScale;
    Out.TexCoord0 = In.TexCoord;
    Out.TexCoord1 = In.TexCoord + float2(-dx, 0);
    Out.TexCoord2 = In.TexCoord + float2(0, -dy);
    Out.TexCoord3 = In.TexCoord + float2(dx, 0);
    Out.TexCoord4 = In.TexCoord + float2(0, dy);
    return Out;
}

// Sums the cross products of neighbouring edge vectors taken in the cycle
// left, up, right, down. The offsets come from the interpolated coordinates,
// so the normal follows the geometry actually drawn.
float4 PS_2X(VS_OUTPUT_2X In) : COLOR
{
    float p0 = tex2D(sHeight, In.TexCoord0).r;
    float p1 = tex2D(sHeight, In.TexCoord1).r;
    float p2 = tex2D(sHeight, In.TexCoord2).r;
    float p3 = tex2D(sHeight, In.TexCoord3).r;
    float p4 = tex2D(sHeight, In.TexCoord4).r;

    float3 e1 = float3(In.TexCoord1 - In.TexCoord0, p1 - p0);
    float3 e2 = float3(In.TexCoord2 - In.TexCoord0, p2 - p0);
    float3 e3 = float3(In.TexCoord3 - In.TexCoord0, p3 - p0);
    float3 e4 = float3(In.TexCoord4 - In.TexCoord0, p4 - p0);

    float3 n = float3(0, 0, 0);
    n += cross(e1, e2);
    n += cross(e2, e3);
    n += cross(e3, e4);
    n += cross(e4, e1);

    n = normalize(n * float3(fNormalStrength, fNormalStrength, 1));
    return float4((n + 1) * 0.5, 1);
}

technique T10
{
    pass P0
    {
        VertexShader = compile vs_1_1 VS_1X();
        PixelShader = compile ps_1_1 PS_1X();
    }
}

technique T20
{
    pass P0
    {
        VertexShader = compile vs_1_1 VS_2X();
        PixelShader = compile ps_2_0 PS_2X();
    }
}
