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

// What the passes change of the host's device state, as it was before them.
struct CHostState
{
    IDirect3DSurface9* pTarget;
    IDirect3DSurface9* pDepth;
    D3DVIEWPORT9 viewport;
    DWORD adwStates[9];
};

// Saves the host's state, opens the scene and sets the passes' viewport and states.
void OpenPasses(IDirect3DDevice9* pDevice, const D3DVIEWPORT9& viewport, CHostState& host)
{
    host.pTarget = NULL;
    host.pDepth = NULL;
    CD3DWatch::SafeGetRenderTarget("WaveGenerator", 800, pDevice, 0, &host.pTarget);
    CD3DWatch::SafeGetDepthStencilSurface("WaveGenerator", 801, pDevice, &host.pDepth);
    pDevice->BeginScene();

    pDevice->GetViewport(&host.viewport);
    pDevice->SetViewport(&viewport);
    for (int i = 0; i < 9; i++)
        pDevice->GetRenderState(s_aSavedStates[i], &host.adwStates[i]);
    for (int i = 0; i < 9; i++)
        pDevice->SetRenderState(s_aSavedStates[i], s_adwPassStates[i]);
}

// Sets the host's state back and closes the scene.
void ClosePasses(IDirect3DDevice9* pDevice, CHostState& host)
{
    for (int i = 0; i < 9; i++)
        pDevice->SetRenderState(s_aSavedStates[i], host.adwStates[i]);
    if (host.pTarget)
        pDevice->SetRenderTarget(0, host.pTarget);
    // The passes never change the depth-stencil surface; one that could not be
    // fetched is still bound, and setting null would unbind it.
    if (host.pDepth)
        pDevice->SetDepthStencilSurface(host.pDepth);
    pDevice->SetViewport(&host.viewport);
    CD3DWatch::SafeRelease("WaveGenerator", 978, (IUnknown**)&host.pTarget);
    CD3DWatch::SafeRelease("WaveGenerator", 979, (IUnknown**)&host.pDepth);
    pDevice->EndScene();
}

void BindGeometry(IDirect3DDevice9* pDevice, IDirect3DVertexBuffer9* pVB, UINT nStride, DWORD dwFVF)
{
    pDevice->SetStreamSource(0, pVB, 0, nStride);
    pDevice->SetFVF(dwFVF);
}

// The top level of a pass's map, made the render target and cleared; null
// when the map or the host's own target is missing. Without the host's target
// no pass fetches its own: the host's could not be set back, and the host
// would go on drawing into a map. A missing map fetches nothing: its creation
// was reported once, and each frame would report it again.
IDirect3DSurface9* BeginTarget(IDirect3DDevice9* pDevice, IDirect3DTexture9* pMap, bool bHostTarget,
                               int nLine, D3DCOLOR dwClear)
{
    IDirect3DSurface9* pTarget = NULL;
    if (bHostTarget && pMap)
        CD3DWatch::SafeGetSurfaceLevel("WaveGenerator", nLine, pMap, 0, &pTarget);
    if (pTarget)
    {
        pDevice->SetRenderTarget(0, pTarget);
        pDevice->Clear(0, NULL, D3DCLEAR_TARGET, dwClear, 1.0f, 0);
    }
    return pTarget;
}

// The grid row by row, one strip of two triangles per cell.
void DrawGridStrips(IDirect3DDevice9* pDevice, int nWidth, int nHeight)
{
    for (int r = 0; r < nHeight; r++)
        pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2 * nWidth * r, 2 * (nWidth - 1));
}

} // namespace

// A pass whose target surface, effect or geometry is missing is skipped: the
// device would keep its previous render target, and the pass's clear and draw
// would land in the host's back buffer or in the other map.
void CWaveGenerator::RenderMaps()
{
    CHostState host;
    OpenPasses(m_pDevice, m_Viewport, host);
    const bool bHostTarget = host.pTarget != NULL;

    if (m_bNoPS11)
    {
        BindGeometry(m_pDevice, m_pGridVB, sizeof(ScreenGridVertex), SCREENGRIDVERTEX_FVF);
        DrawFixedFunctionNormalPass(bHostTarget, 839, 868);
    }
    else if (!m_bNoPS20)
    {
        BindGeometry(m_pDevice, m_pQuadVB, sizeof(QuadVertex), QUADVERTEX_FVF);
        DrawHeightPass(bHostTarget, 879, 902);
        DrawNormalPass(bHostTarget, 912, 956);
    }
    else
    {
        BindGeometry(m_pDevice, m_pGridVB, sizeof(ShaderGridVertex), SHADERGRIDVERTEX_FVF);
        DrawNormalPass(bHostTarget, 912, 956);
    }

    ClosePasses(m_pDevice, host);
}

// Below pixel shader 1.1: the grid's vertex colours, which hold the normals,
// straight into the normal map.
void CWaveGenerator::DrawFixedFunctionNormalPass(bool bHostTarget, int nFetchLine, int nReleaseLine)
{
    IDirect3DSurface9* pTarget =
        BeginTarget(m_pDevice, m_pNormalMap, bHostTarget, nFetchLine, 0xFFFFFFFF);
    if (pTarget)
    {
        m_pDevice->SetMaterial(&m_Material);
        m_pDevice->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        if (m_pGridVB)
            DrawGridStrips(m_pDevice, m_nGridWidth, m_nGridHeight);
    }
    CD3DWatch::SafeRelease("WaveGenerator", nReleaseLine, (IUnknown**)&pTarget);
}

// The two noise layers added into the height map over the quad.
void CWaveGenerator::DrawHeightPass(bool bHostTarget, int nFetchLine, int nReleaseLine)
{
    IDirect3DSurface9* pTarget =
        BeginTarget(m_pDevice, m_pHeightMap, bHostTarget, nFetchLine, 0xFF7F7F7F);
    if (pTarget && m_pHeightEffect && m_pQuadVB)
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
    CD3DWatch::SafeRelease("WaveGenerator", nReleaseLine, (IUnknown**)&pTarget);
}

// The normal map from the height map over the quad (T20), or from the grid's
// vertex normals strip by strip (T10).
void CWaveGenerator::DrawNormalPass(bool bHostTarget, int nFetchLine, int nReleaseLine)
{
    IDirect3DSurface9* pTarget =
        BeginTarget(m_pDevice, m_pNormalMap, bHostTarget, nFetchLine, 0xFF7FFF7F);
    IDirect3DVertexBuffer9* pGeometry = m_bNoPS20 ? m_pGridVB : m_pQuadVB;
    if (pTarget && m_pNormalEffect && pGeometry)
    {
        m_pNormalEffect->SetTechnique(m_bNoPS20 ? "T10" : "T20");
        m_pNormalEffect->Begin(NULL, 0);
        m_pNormalEffect->BeginPass(0);
        m_pNormalEffect->SetFloat("fInvMapWidth", 1.0f / m_nWidth);
        m_pNormalEffect->SetFloat("fInvMapHeight", 1.0f / m_nHeight);
        m_pNormalEffect->SetTexture("HeightMap", m_pHeightMap);
        m_pNormalEffect->CommitChanges();
        if (m_bNoPS20)
            DrawGridStrips(m_pDevice, m_nGridWidth, m_nGridHeight);
        else
            m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
        m_pNormalEffect->EndPass();
        m_pNormalEffect->End();
    }
    CD3DWatch::SafeRelease("WaveGenerator", nReleaseLine, (IUnknown**)&pTarget);
}
