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

} // namespace

void CWaveGenerator::CreateVertexBuffers()
{
    if (!m_pQuadVB)
        CD3DWatch::SafeCreateVertexBuffer("WaveGenerator", 182, m_pDevice, sizeof(s_aQuad), 0,
                                          QUADVERTEX_FVF, D3DPOOL_MANAGED, &m_pQuadVB, NULL);
    // A buffer that could not be created or locked is left as it is: the
    // passes that would draw it then have nothing to draw.
    if (m_pQuadVB)
    {
        void* pData = NULL;
        if (SUCCEEDED(m_pQuadVB->Lock(0, 0, &pData, 0)) && pData)
        {
            QuadVertex* pQuad = (QuadVertex*)pData;
            for (int i = 0; i < 6; i++)
                pQuad[i] = s_aQuad[i];
            m_pQuadVB->Unlock();
        }
    }

    if (!m_bNoPS20)
        return;

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
            CD3DWatch::SafeCreateVertexBuffer(
                "WaveGenerator", 222, m_pDevice, nLength, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                SHADERGRIDVERTEX_FVF, D3DPOOL_DEFAULT, &m_pGridVB, NULL);
        else
            CD3DWatch::SafeCreateVertexBuffer(
                "WaveGenerator", 273, m_pDevice, nLength, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                SCREENGRIDVERTEX_FVF, D3DPOOL_DEFAULT, &m_pGridVB, NULL);
    }
    if (!m_pGridVB)
        return;

    void* pData = NULL;
    if (FAILED(m_pGridVB->Lock(0, 0, &pData, 0)) || !pData)
        return;
    const int W = m_nGridWidth;
    const int H = m_nGridHeight;
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
                const float fU = (float)j / (float)W;
                const float fV = (float)r / (float)H;
                if (!m_bNoPS11)
                {
                    ShaderGridVertex* pV = (ShaderGridVertex*)pData + nVertex;
                    pV->x = fU;
                    pV->y = fV;
                    pV->z = 0.0f;
                    pV->u = fU;
                    pV->v = fV;
                    if (bNeverUploaded)
                    {
                        pV->nx = 0.0f;
                        pV->ny = 0.0f;
                        pV->nz = 1.0f;
                    }
                }
                else
                {
                    ScreenGridVertex* pV = (ScreenGridVertex*)pData + nVertex;
                    pV->x = fU * (float)m_nWidth;
                    pV->y = fV * (float)m_nHeight;
                    pV->z = 0.5f;
                    pV->rhw = 1.0f;
                    if (bNeverUploaded)
                        pV->diffuse = 0xFF7F7FFF;
                }
            }
        }
    }
    m_pGridVB->Unlock();
}
