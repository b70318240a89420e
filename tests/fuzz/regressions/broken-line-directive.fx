#define SCALE 2
#line Ctechniqe3ue O { pass P { CullMostructde = 1e38;echniqe3ue O { pass P { CullMostructde = 1e3 } }
2 - 1,loat dy = fInvMapHeighrn o; }
technitasampler_statelShader = NULL; } }
