#include "WaveGenerator.h"
#include "VertexLayouts.h"

#include <new>

namespace
{

const QuadVertex s_aQuad[6] = {
    {0.0f, 0.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 0.0f, 1.0f, 1.0f},
    {1.0f, 1.0f, 0.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
};

// Bytes of a grid of two vertices per point; 0, which every device refuses,
// for a grid that is empty or whose length a 32-bit size cannot hold, so that
// its creation fails and is reported like any other.
UINT GridBufferLength(int nWidth, int nHeight, UINT nStride)
{
    if (nWidth <= 0 || nHeight <= 0)
        return 0;
    const unsigned long long nBytes = 2ull * nStride * (unsigned long long)nWidth * nHeight;
    return nBytes > 0xFFFFFFFFull ? 0 : (UINT)nBytes;
}

void CreateQuad(IDirect3DDevice9* pDevice, IDirect3DVertexBuffer9** ppVB, int nLine)
{
    if (!*ppVB)
        CD3DWatch::SafeCreateVertexBuffer("WaveGenerator", nLine, pDevice, sizeof(s_aQuad), 0,
                                          QUADVERTEX_FVF, D3DPOOL_MANAGED, ppVB, NULL);
}

// A buffer that could not be locked is left as it is: the passes then draw
// what it holds.
void FillQuad(IDirect3DVertexBuffer9* pVB)
{
    void* pData = NULL;
    if (SUCCEEDED(pVB->Lock(0, 0, &pData, 0)) && pData)
    {
        QuadVertex* pQuad = (QuadVertex*)pData;
        for (int i = 0; i < 6; i++)
            pQuad[i] = s_aQuad[i];
        pVB->Unlock();
    }
}

void CreateGridBuffer(IDirect3DDevice9* pDevice, UINT nLength, DWORD dwFVF, int nLine,
                      IDirect3DVertexBuffer9** ppVB)
{
    CD3DWatch::SafeCreateVertexBuffer("WaveGenerator", nLine, pDevice, nLength,
                                      D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, dwFVF, D3DPOOL_DEFAULT,
                                      ppVB, NULL);
}

// Each vertex of a W x H grid, two per point (on the point's row and on the
// next), handed to place with its index, its texture coordinates and whether
// the normal upload ever reaches it.
template <typename Place> void ForEachGridVertex(int W, int H, Place place)
{
    for (int i = 0; i < H; i++)
    {
        for (int j = 0; j < W; j++)
        {
            // The normal upload never reaches the last column and the last row,
            // yet their triangles cover map texels: a new buffer's leftover bytes
            // there (NaN, say) would spread into the texels beside them. They
            // get the flat normal instead; the others are left for the upload.
            const bool bNeverUploaded = (j == W - 1 || i == H - 1);
            for (int k = 0; k < 2; k++)
            {
                const int r = i + k;
                const int nVertex = 2 * (i * W + j) + k;
                place(nVertex, (float)j / (float)W, (float)r / (float)H, bNeverUploaded);
            }
        }
    }
}

void PlaceShaderGridVertex(ShaderGridVertex* pV, float fU, float fV, bool bFlat)
{
    pV->x = fU;
    pV->y = fV;
    pV->z = 0.0f;
    pV->u = fU;
    pV->v = fV;
    if (bFlat)
    {
        pV->nx = 0.0f;
        pV->ny = 0.0f;
        pV->nz = 1.0f;
    }
}

// In render-target pixels of a map of nWidth x nHeight texels.
void PlaceScreenGridVertex(ScreenGridVertex* pV, float fU, float fV, int nWidth, int nHeight,
                           bool bFlat)
{
    pV->x = fU * (float)nWidth;
    pV->y = fV * (float)nHeight;
    pV->z = 0.5f;
    pV->rhw = 1.0f;
    if (bFlat)
        pV->diffuse = 0xFF7F7FFF;
}

} // namespace

void CWaveGenerator::CreateVertexBuffers()
{
    CreateQuad(m_pDevice, &m_pQuadVB, 182);
    // A quad that could not be created is left out: the passes that would
    // draw it then have nothing to draw.
    if (m_pQuadVB)
        FillQuad(m_pQuadVB);

    if (!m_bNoPS20)
        return;
    CreateGrid();
    if (m_pGridVB)
        FillGrid();
}

void CWaveGenerator::CreateGrid()
{
    m_nGridWidth = m_nWidth;
    m_nGridHeight = m_nHeight;
    const UINT nLength =
        GridBufferLength(m_nGridWidth, m_nGridHeight,
                         m_bNoPS11 ? sizeof(ScreenGridVertex) : sizeof(ShaderGridVertex));
    // A grid without a buffer gets no normals either; the point count of one
    // with a buffer fits an int.
    if (!m_pGridNormals && nLength)
        m_pGridNormals = new (std::nothrow) D3DXVECTOR3[m_nGridWidth * m_nGridHeight];

    if (!m_pGridVB)
    {
        if (!m_bNoPS11)
            CreateGridBuffer(m_pDevice, nLength, SHADERGRIDVERTEX_FVF, 222, &m_pGridVB);
        else
            CreateGridBuffer(m_pDevice, nLength, SCREENGRIDVERTEX_FVF, 273, &m_pGridVB);
    }
}

void CWaveGenerator::FillGrid()
{
    void* pData = NULL;
    if (FAILED(m_pGridVB->Lock(0, 0, &pData, 0)) || !pData)
        return;
    if (!m_bNoPS11)
        ForEachGridVertex(m_nGridWidth, m_nGridHeight,
                          [pData](int n, float fU, float fV, bool bFlat)
                          { PlaceShaderGridVertex((ShaderGridVertex*)pData + n, fU, fV, bFlat); });
    else
        ForEachGridVertex(m_nGridWidth, m_nGridHeight,
                          [this, pData](int n, float fU, float fV, bool bFlat) {
                              PlaceScreenGridVertex((ScreenGridVertex*)pData + n, fU, fV, m_nWidth,
                                                    m_nHeight, bFlat);
                          });
    m_pGridVB->Unlock();
}
