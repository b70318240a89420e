#include "WaveGenerator.h"

#include <cstring>

CWaveGenerator::CWaveGenerator(IDirect3DDevice9* pDevice, int nWidth, int nHeight)
    : CDeviceRestorable(), m_pDevice(pDevice), m_pNoiseTex{NULL, NULL}, m_pHeightMap(NULL),
      m_pNormalMap(NULL), m_pHeightEffect(NULL), m_pNormalEffect(NULL), m_pQuadVB(NULL),
      m_pGridVB(NULL), m_Material(), m_Viewport(), m_b8BitNoise(false), m_bNoPS20(false),
      m_bNoPS11(false), m_nWidth(nWidth), m_nHeight(nHeight), m_nGridWidth(0), m_nGridHeight(0),
      m_fSpeed(1.0f), m_pGridNormals(NULL), m_anNoiseVolume(), m_anOctaveSlice(), m_anLayer(),
      m_nOctaves(0), m_afOctaveWeight(), m_dTime(0.0)
{
    D3DCAPS9 caps;
    std::memset(&caps, 0, sizeof caps);
    // A device that cannot tell its capabilities is taken to have no pixel
    // shaders: the fixed-function path asks the least of it.
    if (FAILED(m_pDevice->GetDeviceCaps(&caps)))
        caps.PixelShaderVersion = 0;
    const DWORD dwPixelShader = caps.PixelShaderVersion;
    if (dwPixelShader < D3DPS_VERSION(2, 0))
        m_bNoPS20 = true;
    if (dwPixelShader < D3DPS_VERSION(1, 1))
        m_bNoPS11 = true;

    if (m_bNoPS20)
    {
        m_nWidth /= 2;
        m_nHeight /= 2;
    }
    if (m_bNoPS11)
    {
        m_nWidth /= 2;
        m_nHeight /= 2;
    }

    std::memset(&m_Material, 0, sizeof m_Material);
    m_Material.Diffuse.r = m_Material.Diffuse.g = m_Material.Diffuse.b = m_Material.Diffuse.a =
        1.0f;
    m_Material.Ambient.r = m_Material.Ambient.g = m_Material.Ambient.b = m_Material.Ambient.a =
        1.0f;

    CreateEffects();
    BuildNoiseVolume();
    CreateTextures();
    CreateVertexBuffers();
    ReleaseIfIncomplete();
}

CWaveGenerator::~CWaveGenerator()
{
    CD3DWatch::SafeRelease("WaveGenerator", 104, (IUnknown**)&m_pNoiseTex[0]);
    CD3DWatch::SafeRelease("WaveGenerator", 105, (IUnknown**)&m_pNoiseTex[1]);
    CD3DWatch::SafeRelease("WaveGenerator", 106, (IUnknown**)&m_pHeightMap);
    CD3DWatch::SafeRelease("WaveGenerator", 107, (IUnknown**)&m_pNormalMap);
    CD3DWatch::SafeRelease("WaveGenerator", 108, (IUnknown**)&m_pQuadVB);
    CD3DWatch::SafeRelease("WaveGenerator", 109, (IUnknown**)&m_pGridVB);
    CD3DWatch::SafeRelease("WaveGenerator", 110, (IUnknown**)&m_pHeightEffect);
    CD3DWatch::SafeRelease("WaveGenerator", 111, (IUnknown**)&m_pNormalEffect);
    if (m_pGridNormals)
    {
        delete[] m_pGridNormals;
        m_pGridNormals = NULL;
    }
}

void CWaveGenerator::Update(DWORD dwElapsed)
{
    if (!m_pNormalMap)
        return;
    SynthesizeLayers(dwElapsed);
    if (m_bNoPS20)
    {
        ComputeGridNormals();
        UploadGridNormals();
        RenderMaps();
    }
    else
    {
        UploadNoiseLayers();
        RenderMaps();
    }
}

void CWaveGenerator::ReleaseDefaultPool()
{
    CD3DWatch::SafeRelease("WaveGenerator", 1024, (IUnknown**)&m_pNoiseTex[0]);
    CD3DWatch::SafeRelease("WaveGenerator", 1025, (IUnknown**)&m_pNoiseTex[1]);
    CD3DWatch::SafeRelease("WaveGenerator", 1026, (IUnknown**)&m_pHeightMap);
    CD3DWatch::SafeRelease("WaveGenerator", 1027, (IUnknown**)&m_pNormalMap);
    CD3DWatch::SafeRelease("WaveGenerator", 1028, (IUnknown**)&m_pGridVB);
}

// Without its normal map the generator behaves as lost, and a lost generator
// holds nothing in the default pool. Taking the set-up steps literally would
// keep what was made beside the missing map, and the device would then refuse
// every Reset of the host until the generator is gone; we deliberately depart
// from that and let go of it at once.
void CWaveGenerator::ReleaseIfIncomplete()
{
    if (!m_pNormalMap)
        ReleaseDefaultPool();
}

void CWaveGenerator::OnLostDevice()
{
    if (!m_pNormalMap)
        return;
    ReleaseDefaultPool();
    if (m_pHeightEffect)
        m_pHeightEffect->OnLostDevice();
    if (m_pNormalEffect)
        m_pNormalEffect->OnLostDevice();
}

void CWaveGenerator::OnRestoreDevice()
{
    if (m_pHeightEffect)
        m_pHeightEffect->OnResetDevice();
    if (m_pNormalEffect)
        m_pNormalEffect->OnResetDevice();
    CreateVertexBuffers();
    CreateTextures();
    ReleaseIfIncomplete();
}

IDirect3DTexture9* CWaveGenerator::GetHeightMap() const
{
    return m_pHeightMap;
}

IDirect3DTexture9* CWaveGenerator::GetNormalMap() const
{
    return m_pNormalMap;
}

float CWaveGenerator::GetSpeed() const
{
    return m_fSpeed;
}

void CWaveGenerator::SetSpeed(float fSpeed)
{
    m_fSpeed = fSpeed;
}
