// The presentation parameters of the tests' windowed devices.
#pragma once

#include <d3d9.h>

namespace swk::test
{

inline D3DPRESENT_PARAMETERS presentation(UINT width, UINT height,
                                          D3DFORMAT format = D3DFMT_A8R8G8B8, bool depth = false)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = format;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    return pp;
}

} // namespace swk::test
