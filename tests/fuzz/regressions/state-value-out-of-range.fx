technique T { pass P { CullMode = 1e38; } }
