// CWaveGenerator keeps an animated water height map and normal map current on
// the host's Direct3D 9 device. Construct it on the device with the map size
// wanted, call Update once per frame outside a scene, sample GetHeightMap and
// GetNormalMap, and forward device loss and restoration.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <Brantholm.h>

#if defined(_WIN32)
#if defined(SWELLKIT_BUILD)
#define SWELLKIT_API __declspec(dllexport)
#else
#define SWELLKIT_API __declspec(dllimport)
#endif
#define SWELLKIT_CLASS
#else
#define SWELLKIT_API __attribute__((visibility("default")))
// The type information and vtable too, for hosts that use typeid or build with
// -fsanitize=undefined; generator/Swellkit.map keeps the private members local.
#define SWELLKIT_CLASS __attribute__((visibility("default")))
#endif

class SWELLKIT_CLASS CWaveGenerator : public CDeviceRestorable
{
public:
    SWELLKIT_API CWaveGenerator(IDirect3DDevice9* pDevice, int nWidth, int nHeight);
    SWELLKIT_API virtual ~CWaveGenerator();

    SWELLKIT_API void Update(DWORD dwElapsed);
    SWELLKIT_API IDirect3DTexture9* GetHeightMap() const;
    SWELLKIT_API IDirect3DTexture9* GetNormalMap() const;
    SWELLKIT_API float GetSpeed() const;
    SWELLKIT_API void SetSpeed(float fSpeed);

    SWELLKIT_API virtual void OnLostDevice();
    SWELLKIT_API virtual void OnRestoreDevice();

    CWaveGenerator(const CWaveGenerator&) = delete;
    CWaveGenerator& operator=(const CWaveGenerator&) = delete;

private:
    // White-box tests reach the stages and fields through this.
    friend struct CWaveGeneratorProbe;

    void CreateEffects();
    void CreateTextures();
    void BuildNoiseVolume();
    void CreateVertexBuffers();
    void CreateGrid();
    void FillGrid();
    void SynthesizeLayers(DWORD dwElapsed);
    int SampleSlice(int x, int y, int nShift, int nSlice);
    void UploadNoiseLayers();
    void ComputeGridNormals();
    void UploadGridNormals();
    void RenderMaps();
    void DrawFixedFunctionNormalPass(bool bHostTarget, int nFetchLine, int nReleaseLine);
    void DrawHeightPass(bool bHostTarget, int nFetchLine, int nReleaseLine);
    void DrawNormalPass(bool bHostTarget, int nFetchLine, int nReleaseLine);
    void ReleaseDefaultPool();
    void ReleaseIfIncomplete();

    IDirect3DDevice9* m_pDevice;
    IDirect3DTexture9* m_pNoiseTex[2];
    IDirect3DTexture9* m_pHeightMap;
    IDirect3DTexture9* m_pNormalMap;
    ID3DXEffect* m_pHeightEffect;
    ID3DXEffect* m_pNormalEffect;
    IDirect3DVertexBuffer9* m_pQuadVB;
    IDirect3DVertexBuffer9* m_pGridVB;
    D3DMATERIAL9 m_Material;
    D3DVIEWPORT9 m_Viewport;
    bool m_b8BitNoise;
    bool m_bNoPS20;
    bool m_bNoPS11;
    int m_nWidth;
    int m_nHeight;
    int m_nGridWidth;
    int m_nGridHeight;
    float m_fSpeed;
    D3DXVECTOR3* m_pGridNormals;
    int m_anNoiseVolume[256][16][16];
    int m_anOctaveSlice[16][16][16];
    int m_anLayer[2][128][128];
    int m_nOctaves;
    float m_afOctaveWeight[16];
    double m_dTime;
};
