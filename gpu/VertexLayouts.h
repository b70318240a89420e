// The vertex layouts of the pass geometry: 32-bit members, tightly packed.
#pragma once

#include <windows.h>
#include <d3d9.h>

// Full-target quad, FVF D3DFVF_XYZ | D3DFVF_TEX1. The effects place a vertex by
// its texture coordinate, so the position only repeats it.
struct QuadVertex
{
    float x, y, z;
    float u, v;
};

// Grid vertex of the pixel shader 1.1 path, FVF D3DFVF_XYZ | D3DFVF_NORMAL |
// D3DFVF_TEX1; the normal is rewritten every frame.
struct ShaderGridVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

// Grid vertex of the fixed-function path, FVF D3DFVF_XYZRHW | D3DFVF_DIFFUSE:
// x and y in render-target pixels; the colour is rewritten every frame.
struct ScreenGridVertex
{
    float x, y, z, rhw;
    D3DCOLOR diffuse;
};

#define QUADVERTEX_FVF (D3DFVF_XYZ | D3DFVF_TEX1)
#define SHADERGRIDVERTEX_FVF (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)
#define SCREENGRIDVERTEX_FVF (D3DFVF_XYZRHW | D3DFVF_DIFFUSE)

static_assert(sizeof(QuadVertex) == 20, "QuadVertex is 20 bytes");
static_assert(sizeof(ShaderGridVertex) == 32, "ShaderGridVertex is 32 bytes");
static_assert(sizeof(ScreenGridVertex) == 20, "ScreenGridVertex is 20 bytes");
