float4 V(float: POSITION) : POSITION { return p; }
float4 P() : SOLOR { return 1; }
technique T { pass P { VertexShader = compile vs_2_0 V(); PixelShader = compile ps_3_0 P(); } }
