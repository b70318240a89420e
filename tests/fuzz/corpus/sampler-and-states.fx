texture Tex;
sampler s : register(s1) = sampler_state { Texture = <Tex>; AddressU = WRAP; MinFilter = LINEAR; };
float4x4 World : WORLD;
float Gain = 0.5;
int Count[4] = {1, 2, 3, 4};
float4 P(float2 uv : TEXCOORD0) : COLOR { return tex2D(s, uv) * Gain; }
technique T
{
    pass P { CullMode = NONE; ZEnable = false; PointSize = 2.0; PixelShader = compile ps_2_0 P(); }
}
