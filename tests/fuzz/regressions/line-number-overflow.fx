#line 99999999999999999999 "x.fxh"
float4 V() : POSITION { return 0; }}
