float4 V(float4 p : POSITION) : POSITION { return p; }
float4 P() : COLOR { return 1; }
technique T { pass P { VertexShader = compile vs_2_0 V(); PixelShader = compile ps_2_0 P(); } }
