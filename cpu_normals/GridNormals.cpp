#include "WaveGenerator.h"
#include "VertexLayouts.h"

#include <cmath>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define SWK_GRID_NORMALS_SSE2 1
#endif

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

// A correctly rounded square root and three divisions; a zero sum stays zero.
inline void Normalize(D3DXVECTOR3& n)
{
    const float fLength = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (fLength == 0.0f)
    {
        n = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return;
    }
    n = D3DXVECTOR3(n.x / fLength, n.y / fLength, n.z / fLength);
}

// Grids up to this wide are expanded row by row on the stack; wider ones, far
// beyond the maps devices without pixel shader 2.0 take, read the layer rows
// point by point.
const int g_nMaxExpandedWidth = 2048;

// The summed heights of the two layers, one layer row at a time as the grid
// first reaches it.
class CHeightRows
{
public:
    CHeightRows(const int (&anLayer)[2][128][128]) : m_anLayer(anLayer)
    {
        for (bool& b : m_abReady)
            b = false;
    }
    const float* Row(int nRow)
    {
        if (!m_abReady[nRow])
        {
            for (int c = 0; c < 128; c++)
                m_afHeight[nRow][c] = (float)(m_anLayer[0][nRow][c] + m_anLayer[1][nRow][c]);
            m_abReady[nRow] = true;
        }
        return m_afHeight[nRow];
    }

private:
    const int (&m_anLayer)[2][128][128];
    float m_afHeight[128][128];
    bool m_abReady[128];
};

// The normal of one grid point from its own height and its four neighbours'.
inline void PointNormal(float h0, float hl, float hr, float hu, float hd, float fInvW, float fInvH,
                        D3DXVECTOR3& n)
{
    const float fScale = g_fHeightPerLayerUnit;
    const float dl = (hl - h0) * fScale;
    const float du = (hu - h0) * fScale;
    const float dr = (hr - h0) * fScale;
    const float dd = (hd - h0) * fScale;
    n = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    AddCross(n, -fInvW, 0.0f, dl, 0.0f, -fInvH, du); // left x up
    AddCross(n, 0.0f, -fInvH, du, fInvW, 0.0f, dr);  // up x right
    AddCross(n, fInvW, 0.0f, dr, 0.0f, fInvH, dd);   // right x down
    AddCross(n, 0.0f, fInvH, dd, -fInvW, 0.0f, dl);  // down x left
    Normalize(n);
}

#ifdef SWK_GRID_NORMALS_SSE2

// Four points at once, every step the same IEEE operation in the same order as
// PointNormal, so the results are bit for bit those of the scalar form.
struct SVec3x4
{
    __m128 x, y, z;
};

inline void AddCross4(SVec3x4& n, __m128 ax, __m128 ay, __m128 az, __m128 bx, __m128 by, __m128 bz)
{
    n.x = _mm_add_ps(n.x, _mm_sub_ps(_mm_mul_ps(ay, bz), _mm_mul_ps(az, by)));
    n.y = _mm_add_ps(n.y, _mm_sub_ps(_mm_mul_ps(az, bx), _mm_mul_ps(ax, bz)));
    n.z = _mm_add_ps(n.z, _mm_sub_ps(_mm_mul_ps(ax, by), _mm_mul_ps(ay, bx)));
}

// Grid points x .. x + 3 of one row; each pointer is at the point's own
// column of a row expanded to the grid's width, its neighbours beside it.
inline void PointNormals4(const float* pUp, const float* pRow, const float* pDown, float fInvW,
                          float fInvH, D3DXVECTOR3* pOut)
{
    const __m128 h0 = _mm_loadu_ps(pRow);
    const __m128 fScale = _mm_set1_ps(g_fHeightPerLayerUnit);
    const __m128 dl = _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(pRow - 1), h0), fScale);
    const __m128 du = _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(pUp), h0), fScale);
    const __m128 dr = _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(pRow + 1), h0), fScale);
    const __m128 dd = _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(pDown), h0), fScale);

    const __m128 zero = _mm_setzero_ps();
    const __m128 iW = _mm_set1_ps(fInvW), iH = _mm_set1_ps(fInvH);
    const __m128 niW = _mm_set1_ps(-fInvW), niH = _mm_set1_ps(-fInvH);
    SVec3x4 n = {zero, zero, zero};
    AddCross4(n, niW, zero, dl, zero, niH, du);
    AddCross4(n, zero, niH, du, iW, zero, dr);
    AddCross4(n, iW, zero, dr, zero, iH, dd);
    AddCross4(n, zero, iH, dd, niW, zero, dl);

    const __m128 fLength = _mm_sqrt_ps(
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(n.x, n.x), _mm_mul_ps(n.y, n.y)), _mm_mul_ps(n.z, n.z)));
    const __m128 bZero = _mm_cmpeq_ps(fLength, zero);
    alignas(16) float afX[4], afY[4], afZ[4];
    _mm_store_ps(afX, _mm_andnot_ps(bZero, _mm_div_ps(n.x, fLength)));
    _mm_store_ps(afY, _mm_andnot_ps(bZero, _mm_div_ps(n.y, fLength)));
    _mm_store_ps(afZ, _mm_andnot_ps(bZero, _mm_div_ps(n.z, fLength)));
    for (int i = 0; i < 4; i++)
        pOut[i] = D3DXVECTOR3(afX[i], afY[i], afZ[i]);
}

#endif

} // namespace

void CWaveGenerator::ComputeGridNormals()
{
    const int W = m_nGridWidth;
    const int H = m_nGridHeight;
    if (W < 1 || H < 1 || !m_pGridNormals)
        return;
    const float fInvW = 1.0f / (float)W;
    const float fInvH = 1.0f / (float)H;
    CHeightRows rows(m_anLayer);

    if (W > g_nMaxExpandedWidth)
    {
        for (int y = 0; y < H; y++)
        {
            const float* pRow = rows.Row(LayerPosition(y, H));
            const float* pUp = rows.Row(LayerPosition(y > 0 ? y - 1 : 0, H));
            const float* pDown = rows.Row(LayerPosition(y < H - 1 ? y + 1 : H - 1, H));
            D3DXVECTOR3* pOut = m_pGridNormals + (size_t)y * W;
            for (int x = 0; x < W; x++)
            {
                const int nColLeft = LayerPosition(x > 0 ? x - 1 : 0, W);
                const int nCol = LayerPosition(x, W);
                const int nColRight = LayerPosition(x < W - 1 ? x + 1 : W - 1, W);
                PointNormal(pRow[nCol], pRow[nColLeft], pRow[nColRight], pUp[nCol], pDown[nCol],
                            fInvW, fInvH, pOut[x]);
            }
        }
        return;
    }

    // Three grid rows (above, own, below) with a height per grid column and
    // the clamped neighbours at both ends; each grid row is expanded once.
    int anCol[g_nMaxExpandedWidth];
    for (int x = 0; x < W; x++)
        anCol[x] = LayerPosition(x, W);
    float afExpanded[3][g_nMaxExpandedWidth + 2];
    const auto Expand = [&](int y)
    {
        const float* pLayerRow = rows.Row(LayerPosition(y, H));
        float* pOut = afExpanded[y % 3];
        for (int x = 0; x < W; x++)
            pOut[x + 1] = pLayerRow[anCol[x]];
        pOut[0] = pOut[1];
        pOut[W + 1] = pOut[W];
    };
    Expand(0);
    if (H > 1)
        Expand(1);
    for (int y = 0; y < H; y++)
    {
        const float* pRow = afExpanded[y % 3] + 1;
        const float* pUp = afExpanded[(y > 0 ? y - 1 : 0) % 3] + 1;
        const float* pDown = afExpanded[(y < H - 1 ? y + 1 : H - 1) % 3] + 1;
        D3DXVECTOR3* pOut = m_pGridNormals + (size_t)y * W;
        int x = 0;
#ifdef SWK_GRID_NORMALS_SSE2
        for (; x + 4 <= W; x += 4)
            PointNormals4(pUp + x, pRow + x, pDown + x, fInvW, fInvH, pOut + x);
#endif
        for (; x < W; x++)
            PointNormal(pRow[x], pRow[x - 1], pRow[x + 1], pUp[x], pDown[x], fInvW, fInvH, pOut[x]);
        // The row above is no longer needed: its slot takes the row after next.
        if (y + 2 < H)
            Expand(y + 2);
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
