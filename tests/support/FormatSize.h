// Bytes per texel of the Direct3D 9 formats the tests lock and read back.
#pragma once

#include <d3d9.h>

namespace swk::test
{

inline UINT BytesPerTexel(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_L8:
    case D3DFMT_A8:
        return 1;
    case D3DFMT_L16:
    case D3DFMT_A8L8:
    case D3DFMT_R5G6B5:
    case D3DFMT_D16:
    case D3DFMT_R16F:
        return 2;
    case D3DFMT_A16B16G16R16:
    case D3DFMT_A16B16G16R16F:
    case D3DFMT_G32R32F:
        return 8;
    case D3DFMT_A32B32G32R32F:
        return 16;
    default:
        return 4;
    }
}

} // namespace swk::test
