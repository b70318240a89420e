#define SCALE 1
#line 00 "other.fxh"
matrix<float, 2, 3> M = {1, 2, 3, 4, 5, 6};flo
struct VOstruc‰Š‹ß„ß™“oat4 pos :Ö¯°¬¶„ßass { VertexShader = compile =s_1_1òV(); Pixelpes_int16P(); } }
Shader = NULL; } }
