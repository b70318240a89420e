// Height Map Generator Shader
//
// Adds the two animated noise layers into the height map. Layer 0 spans the
// map once; layer 1 repeats 16 times across and down through WRAP addressing.

texture Noise0;
texture Noise1;

sampler sNoise0 = sampler_state
{
    Texture = <Noise0>;
    AddressU = WRAP;
    AddressV = WRAP;
    MipFilter = LINEAR;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
};

sampler sNoise1 = sampler_state
{
    Texture = <Noise1>;
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

struct VS_OUTPUT_1X
{
    float4 Pos : POSITION;
    float Fog : FOG;
    float2 TexCoord0 : TEXCOORD0;
    float2 TexCoord1 : TEXCOORD1;
};

// The vertex is placed by its texture coordinate alone, so the unit square
// covers the whole target with v = 0 at the top.
VS_OUTPUT_1X VS_1X(VS_INPUT In)
{
    VS_OUTPUT_1X Out;
    Out.Pos = float4(In.TexCoord.x * 2 - 1, 1 - In.TexCoord.y * 2, 1, 1);
    Out.Fog = 1;
    float2 t = In.TexCoord * 16;
    Out.TexCoord0 = t / 16;
    Out.TexCoord1 = t;
    return Out;
}

float4 PS_1X(VS_OUTPUT_1X In) : COLOR
{
    float4 a = tex2D(sNoise0, In.TexCoord0);
    float4 b = tex2D(sNoise1, In.TexCoord1);
    return a + b - 0.5;
}

technique T1X
{
    pass P0
    {
        VertexShader = compile vs_1_1 VS_1X();
        PixelShader = compile ps_1_1 PS_1X();
    }
}
