#include "WaveGenerator.h"
#include "VertexLayouts.h"

namespace
{

// The states the passes switch off, saved and restored in this order.
const D3DRENDERSTATETYPE s_aSavedStates[9] = {
    D3DRS_LIGHTING, D3DRS_FOGENABLE,        D3DRS_CULLMODE,
    D3DRS_CLIPPING, D3DRS_ALPHABLENDENABLE, D3DRS_ALPHATESTENABLE,
    D3DRS_ZENABLE,  D3DRS_ZWRITEENABLE,     D3DRS_STENCILENABLE,
};
const DWORD s_adwPassStates[9] = {FALSE, FALSE,       D3DCULL_NONE, FALSE, FALSE,
                                  FALSE, D3DZB_FALSE, FALSE,        FALSE};

} // namespace

// A pass whose target texture is missing fetches no surface: its creation was
// reported once, and each frame would report it again. A pass whose target
// surface, effect or geometry is missing is skipped: the
// device would keep its previous render target, and the pass's clear and draw
// would land in the host's back buffer or in the other map. Without the host's
// render target no pass fetches its own: the host's could not be set back, and
// the host would go on drawing into a map.
void CWaveGenerator::RenderMaps()
{
    IDirect3DSurface9* pSavedTarget = NULL;
    IDirect3DSurface9* pSavedDepth = NULL;
    IDirect3DSurface9* pTarget = NULL;
    D3DVIEWPORT9 savedViewport;
    DWORD adwSaved[9];

    CD3DWatch::SafeGetRenderTarget("WaveGenerator", 800, m_pDevice, 0, &pSavedTarget);
    CD3DWatch::SafeGetDepthStencilSurface("WaveGenerator", 801, m_pDevice, &pSavedDepth);
    m_pDevice->BeginScene();

    m_pDevice->GetViewport(&savedViewport);
    m_pDevice->SetViewport(&m_Viewport);
    for (int i = 0; i < 9; i++)
        m_pDevice->GetRenderState(s_aSavedStates[i], &adwSaved[i]);
    for (int i = 0; i < 9; i++)
        m_pDevice->SetRenderState(s_aSavedStates[i], s_adwPassStates[i]);

    if (m_bNoPS11)
    {
        m_pDevice->SetStreamSource(0, m_pGridVB, 0, sizeof(ScreenGridVertex));
        m_pDevice->SetFVF(SCREENGRIDVERTEX_FVF);
        if (pSavedTarget && m_pNormalMap)
            CD3DWatch::SafeGetSurfaceLevel("WaveGenerator", 839, m_pNormalMap, 0, &pTarget);
        if (pTarget)
        {
            m_pDevice->SetRenderTarget(0, pTarget);
            m_pDevice->Clear(0, NULL, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
            m_pDevice->SetMaterial(&m_Material);
            m_pDevice->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
            m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
            m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
            m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            if (m_pGridVB)
                for (int r = 0; r < m_nGridHeight; r++)
                    m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2 * m_nGridWidth * r,
                                             2 * (m_nGridWidth - 1));
        }
        CD3DWatch::SafeRelease("WaveGenerator", 868, (IUnknown**)&pTarget);
    }
    else
    {
        if (!m_bNoPS20)
        {
            m_pDevice->SetStreamSource(0, m_pQuadVB, 0, sizeof(QuadVertex));
            m_pDevice->SetFVF(QUADVERTEX_FVF);
            if (pSavedTarget && m_pHeightMap)
                CD3DWatch::SafeGetSurfaceLevel("WaveGenerator", 879, m_pHeightMap, 0, &pTarget);
            if (pTarget)
            {
                m_pDevice->SetRenderTarget(0, pTarget);
                m_pDevice->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF7F7F7F, 1.0f, 0);
                if (m_pHeightEffect && m_pQuadVB)
                {
                    m_pHeightEffect->SetTechnique("T1X");
                    m_pHeightEffect->Begin(NULL, 0);
                    m_pHeightEffect->BeginPass(0);
                    m_pHeightEffect->SetTexture("Noise0", m_pNoiseTex[0]);
                    m_pHeightEffect->SetTexture("Noise1", m_pNoiseTex[1]);
                    m_pHeightEffect->CommitChanges();
                    m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
                    m_pHeightEffect->EndPass();
                    m_pHeightEffect->End();
                }
            }
            CD3DWatch::SafeRelease("WaveGenerator", 902, (IUnknown**)&pTarget);
        }
        else
        {
            m_pDevice->SetStreamSource(0, m_pGridVB, 0, sizeof(ShaderGridVertex));
            m_pDevice->SetFVF(SHADERGRIDVERTEX_FVF);
        }

        if (pSavedTarget && m_pNormalMap)
            CD3DWatch::SafeGetSurfaceLevel("WaveGenerator", 912, m_pNormalMap, 0, &pTarget);
        if (pTarget)
        {
            m_pDevice->SetRenderTarget(0, pTarget);
            m_pDevice->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF7FFF7F, 1.0f, 0);
            IDirect3DVertexBuffer9* pGeometry = m_bNoPS20 ? m_pGridVB : m_pQuadVB;
            if (m_pNormalEffect && pGeometry)
            {
                m_pNormalEffect->SetTechnique(m_bNoPS20 ? "T10" : "T20");
                m_pNormalEffect->Begin(NULL, 0);
                m_pNormalEffect->BeginPass(0);
                m_pNormalEffect->SetFloat("fInvMapWidth", 1.0f / m_nWidth);
                m_pNormalEffect->SetFloat("fInvMapHeight", 1.0f / m_nHeight);
                m_pNormalEffect->SetTexture("HeightMap", m_pHeightMap);
                m_pNormalEffect->CommitChanges();
                if (m_bNoPS20)
                {
                    for (int r = 0; r < m_nGridHeight; r++)
                        m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2 * m_nGridWidth * r,
                                                 2 * (m_nGridWidth - 1));
                }
                else
                    m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
                m_pNormalEffect->EndPass();
                m_pNormalEffect->End();
            }
        }
        CD3DWatch::SafeRelease("WaveGenerator", 956, (IUnknown**)&pTarget);
    }

    for (int i = 0; i < 9; i++)
        m_pDevice->SetRenderState(s_aSavedStates[i], adwSaved[i]);
    if (pSavedTarget)
        m_pDevice->SetRenderTarget(0, pSavedTarget);
    // The passes never change the depth-stencil surface; one that could not be
    // fetched is still bound, and setting null would unbind it.
    if (pSavedDepth)
        m_pDevice->SetDepthStencilSurface(pSavedDepth);
    m_pDevice->SetViewport(&savedViewport);
    CD3DWatch::SafeRelease("WaveGenerator", 978, (IUnknown**)&pSavedTarget);
    CD3DWatch::SafeRelease("WaveGenerator", 979, (IUnknown**)&pSavedDepth);
    m_pDevice->EndScene();
}
