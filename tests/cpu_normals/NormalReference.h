// A plain reading of the grid normal arithmetic, for checking the optimised
// stage: layer positions as exact integer floors, one point at a time.
#pragma once

#include <d3dx9.h>

#include <algorithm>
#include <cmath>

namespace normaltest
{

using Layers = int[2][128][128];

inline D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// The ring of four cross products over the height differences towards the four
// clamped neighbours (in units of 65536), summed in single precision and
// normalised; layer positions as exact integer floors.
inline D3DXVECTOR3 ReferenceNormal(const Layers& layers, int W, int H, int x, int y)
{
    auto height = [&](int px, int py)
    {
        const int c = 128 * px / W, r = 128 * py / H;
        return static_cast<float>(layers[0][r][c] + layers[1][r][c]);
    };
    const float h0 = height(x, y), scale = 1.0f / 65536.0f;
    const float invW = 1.0f / W, invH = 1.0f / H;
    const D3DXVECTOR3 L(-invW, 0, (height(std::max(x - 1, 0), y) - h0) * scale);
    const D3DXVECTOR3 U(0, -invH, (height(x, std::max(y - 1, 0)) - h0) * scale);
    const D3DXVECTOR3 R(invW, 0, (height(std::min(x + 1, W - 1), y) - h0) * scale);
    const D3DXVECTOR3 D(0, invH, (height(x, std::min(y + 1, H - 1)) - h0) * scale);
    const D3DXVECTOR3 ring[4] = {Cross(L, U), Cross(U, R), Cross(R, D), Cross(D, L)};
    D3DXVECTOR3 n(0, 0, 0);
    for (const D3DXVECTOR3& c : ring)
    {
        n.x = n.x + c.x;
        n.y = n.y + c.y;
        n.z = n.z + c.z;
    }
    D3DXVec3Normalize(&n, &n);
    return n;
}

// The same sum in exact arithmetic: (2 (dl - dr) / H, 2 (du - dd) / W, 4 / (W H)),
// normalised.
inline void ClosedForm(double dl, double du, double dr, double dd, int W, int H, double out[3])
{
    const double n[3] = {2.0 * (dl - dr) / H, 2.0 * (du - dd) / W, 4.0 / (double(W) * H)};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int i = 0; i < 3; i++)
        out[i] = n[i] / length;
}

} // namespace normaltest
