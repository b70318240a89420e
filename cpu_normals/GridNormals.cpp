#include "WaveGenerator.h"
#include "VertexLayouts.h"

namespace
{

// A layer value of 65536 stands for a height of 1.0.
const float g_fHeightPerLayerUnit = 1.52587890625e-05f;

inline void AddCross(D3DXVECTOR3& n, float ax, float ay, float az, float bx, float by, float bz)
{
    const float cx = ay * bz - az * by;
    const float cy = az * bx - ax * bz;
    const float cz = ax * by - ay * bx;
    n.x = n.x + cx;
    n.y = n.y + cy;
    n.z = n.z + cz;
}

// The layer column (or row) that grid column x of W falls on: no interpolation,
// so a grid finer than 128 shares layer positions between neighbours.
inline int LayerPosition(int x, int W)
{
    return (int)((float)x / (float)W * 128.0f);
}

} // namespace

void CWaveGenerator::ComputeGridNormals()
{
    const int W = m_nGridWidth;
    const int H = m_nGridHeight;
    if (W < 1 || H < 1 || !m_pGridNormals)
        return;
    const float fInvW = 1.0f / (float)W;
    const float fInvH = 1.0f / (float)H;
    const float fScale = g_fHeightPerLayerUnit;
    const int* pL0 = &m_anLayer[0][0][0];
    const int* pL1 = &m_anLayer[1][0][0];

    for (int y = 0; y < H; y++)
    {
        const int nRow = LayerPosition(y, H) * 128;
        const int nRowUp = LayerPosition(y > 0 ? y - 1 : 0, H) * 128;
        const int nRowDown = LayerPosition(y < H - 1 ? y + 1 : H - 1, H) * 128;
        // Layer columns of x - 1, x and x + 1, slid along the row.
        int nColLeft = LayerPosition(0, W);
        int nCol = nColLeft;
        for (int x = 0; x < W; x++)
        {
            const int nColRight = LayerPosition(x < W - 1 ? x + 1 : W - 1, W);
            const float h0 = (float)(pL0[nRow + nCol] + pL1[nRow + nCol]);
            const float hl = (float)(pL0[nRow + nColLeft] + pL1[nRow + nColLeft]);
            const float hr = (float)(pL0[nRow + nColRight] + pL1[nRow + nColRight]);
            const float hu = (float)(pL0[nRowUp + nCol] + pL1[nRowUp + nCol]);
            const float hd = (float)(pL0[nRowDown + nCol] + pL1[nRowDown + nCol]);
            const float dl = (hl - h0) * fScale;
            const float du = (hu - h0) * fScale;
            const float dr = (hr - h0) * fScale;
            const float dd = (hd - h0) * fScale;

            D3DXVECTOR3& n = m_pGridNormals[y * W + x];
            n = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
            AddCross(n, -fInvW, 0.0f, dl, 0.0f, -fInvH, du); // left x up
            AddCross(n, 0.0f, -fInvH, du, fInvW, 0.0f, dr);  // up x right
            AddCross(n, fInvW, 0.0f, dr, 0.0f, fInvH, dd);   // right x down
            AddCross(n, 0.0f, fInvH, dd, -fInvW, 0.0f, dl);  // down x left

            nColLeft = nCol;
            nCol = nColRight;
        }
        // The row is normalised once its sums are all stored: reading each sum
        // right after its three separate stores stalls the load, and that
        // stall cost more than the rest of the point's work.
        D3DXVECTOR3* pRow = m_pGridNormals + y * W;
        for (int x = 0; x < W; x++)
            D3DXVec3Normalize(&pRow[x], &pRow[x]);
    }
}

namespace
{

inline DWORD PackComponent(float v)
{
    return (DWORD)(int)((v + 1.0f) * 127.5f);
}

inline D3DCOLOR PackNormal(const D3DXVECTOR3& n)
{
    return 0xFF000000 | (PackComponent(n.x) << 16) | (PackComponent(n.y) << 8) | PackComponent(n.z);
}

} // namespace

void CWaveGenerator::UploadGridNormals()
{
    if (!m_bNoPS11 && !m_bNoPS20)
        return;
    if (!m_pGridVB || !m_pGridNormals)
        return;
    void* pData = NULL;
    // No write through a lock that failed; the passes then draw last frame's normals.
    if (FAILED(m_pGridVB->Lock(0, 0, &pData, 0)) || !pData)
        return;

    const int W = m_nGridWidth;
    const int H = m_nGridHeight;
    for (int y = 0; y < H - 1; y++)
    {
        for (int x = 0; x < W - 1; x++)
        {
            const int k = y * W + x;
            const D3DXVECTOR3& nUpper = m_pGridNormals[y * W + x];
            const D3DXVECTOR3& nLower = m_pGridNormals[(y + 1) * W + x];
            if (m_bNoPS11)
            {
                ScreenGridVertex* pV = (ScreenGridVertex*)pData + 2 * k;
                pV[0].diffuse = PackNormal(nUpper);
                pV[1].diffuse = PackNormal(nLower);
            }
            else
            {
                ShaderGridVertex* pV = (ShaderGridVertex*)pData + 2 * k;
                pV[0].nx = nUpper.x;
                pV[0].ny = nUpper.y;
                pV[0].nz = nUpper.z;
                pV[1].nx = nLower.x;
                pV[1].ny = nLower.y;
                pV[1].nz = nLower.z;
            }
        }
    }
    m_pGridVB->Unlock();
}
