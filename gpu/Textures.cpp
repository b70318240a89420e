#include "WaveGenerator.h"

void CWaveGenerator::CreateTextures()
{
    D3DDISPLAYMODE mode;
    mode.Format = D3DFMT_UNKNOWN;
    m_pDevice->GetDisplayMode(0, &mode);

    // Without the Direct3D object nothing can be probed: the maps fall back to
    // the format every device renders to, and the noise to L8, the one that
    // needs no dynamic-texture support beyond the basics.
    D3DFORMAT mapFormat = D3DFMT_A8R8G8B8;
    D3DFORMAT noiseFormat = D3DFMT_L8;
    IDirect3D9* pD3D = NULL;
    CD3DWatch::SafeGetDirect3D("WaveGenerator", 333, m_pDevice, &pD3D);
    if (pD3D)
    {
        static const D3DFORMAT s_aMapCandidates[] = {D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F,
                                                     D3DFMT_A32B32G32R32F};
        for (int i = 0; i < 3; i++)
        {
            if (SUCCEEDED(pD3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format,
                                                  D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                                  s_aMapCandidates[i])))
            {
                mapFormat = s_aMapCandidates[i];
                break;
            }
        }
        if (SUCCEEDED(pD3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format,
                                              D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, D3DFMT_L16)))
            noiseFormat = D3DFMT_L16;
    }
    m_b8BitNoise = (noiseFormat == D3DFMT_L8);
    CD3DWatch::SafeRelease("WaveGenerator", 375, (IUnknown**)&pD3D);

    if (!m_bNoPS20)
    {
        if (!m_pNoiseTex[0])
            CD3DWatch::SafeCreateTexture("WaveGenerator", 381, m_pDevice, 128, 128, 1,
                                         D3DUSAGE_DYNAMIC, noiseFormat, D3DPOOL_DEFAULT,
                                         &m_pNoiseTex[0], NULL);
        if (!m_pNoiseTex[1])
            CD3DWatch::SafeCreateTexture("WaveGenerator", 383, m_pDevice, 128, 128, 1,
                                         D3DUSAGE_DYNAMIC, noiseFormat, D3DPOOL_DEFAULT,
                                         &m_pNoiseTex[1], NULL);
        if (!m_pHeightMap)
            CD3DWatch::SafeCreateTexture("WaveGenerator", 385, m_pDevice, m_nWidth, m_nHeight, 1,
                                         D3DUSAGE_RENDERTARGET, mapFormat, D3DPOOL_DEFAULT,
                                         &m_pHeightMap, NULL);
    }
    if (!m_pNormalMap)
        CD3DWatch::SafeCreateTexture("WaveGenerator", 392, m_pDevice, m_nWidth, m_nHeight, 0,
                                     D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP, mapFormat,
                                     D3DPOOL_DEFAULT, &m_pNormalMap, NULL);

    m_Viewport.X = 0;
    m_Viewport.Y = 0;
    m_Viewport.Width = m_nWidth;
    m_Viewport.Height = m_nHeight;
    m_Viewport.MinZ = 0.0f;
    m_Viewport.MaxZ = 1.0f;
}
