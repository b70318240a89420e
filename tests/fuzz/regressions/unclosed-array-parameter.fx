float4 V(float4 p[n) : POSITION { return 0; }
technique T { pass P { VertexShader = compile vs_2_0 V(); } }
