#include <d3dx9.h>

#include <cmath>

extern "C" D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    const float x = pV->x, y = pV->y, z = pV->z;
    const float length = std::sqrt(x * x + y * y + z * z);
    // A zero vector has no direction; it stays zero rather than becoming NaN.
    if (length == 0.0f)
    {
        pOut->x = pOut->y = pOut->z = 0.0f;
        return pOut;
    }
    pOut->x = x / length;
    pOut->y = y / length;
    pOut->z = z / length;
    return pOut;
}
