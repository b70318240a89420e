float4 c; float c;
float4 V() : POSITION { return c; }
technique T { pass P { VertexShader = compile vs_2_0 V(); } }
