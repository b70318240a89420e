#define SCALE 2
#line 10 "other.fxh"
matrix<float, 2, 3> M = {1, 2, 3, 4, 5, 6};
static const float k = SCALE * 0.25;
struct VOut { float4 pos : POSITION; float2 uv : TEXCOORD0; };
VOut V(float4 p : POSITION) { VOut o; o.pos = p * k; o.uv = p.xy; return o; }
technique A { pass { VertexShader = compile vs_1_1 V(); PixelShader = NULL; } }
