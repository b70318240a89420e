// White-box access to the generator's device stages, and small helpers shared
// by the device-resource, geometry and render-pass tests.
#pragma once

#include <WaveGenerator.h>
#include <FakeEffects.h>
#include <TestDevice.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

struct CWaveGeneratorProbe
{
    static void CreateTextures(CWaveGenerator& g) { g.CreateTextures(); }
    static void CreateVertexBuffers(CWaveGenerator& g) { g.CreateVertexBuffers(); }

    static IDirect3DTexture9*& NoiseTex(CWaveGenerator& g, int i) { return g.m_pNoiseTex[i]; }
    static IDirect3DTexture9*& HeightMap(CWaveGenerator& g) { return g.m_pHeightMap; }
    static IDirect3DTexture9*& NormalMap(CWaveGenerator& g) { return g.m_pNormalMap; }
    static IDirect3DVertexBuffer9*& QuadVB(CWaveGenerator& g) { return g.m_pQuadVB; }
    static IDirect3DVertexBuffer9*& GridVB(CWaveGenerator& g) { return g.m_pGridVB; }
    static D3DXVECTOR3* GridNormals(CWaveGenerator& g) { return g.m_pGridNormals; }
    static ID3DXEffect* HeightEffect(CWaveGenerator& g) { return g.m_pHeightEffect; }
    static ID3DXEffect* NormalEffect(CWaveGenerator& g) { return g.m_pNormalEffect; }
    static D3DVIEWPORT9& Viewport(CWaveGenerator& g) { return g.m_Viewport; }
    static const D3DMATERIAL9& Material(CWaveGenerator& g) { return g.m_Material; }
    static bool& EightBitNoise(CWaveGenerator& g) { return g.m_b8BitNoise; }
    static int GridWidth(CWaveGenerator& g) { return g.m_nGridWidth; }
    static int GridHeight(CWaveGenerator& g) { return g.m_nGridHeight; }
    static int Width(CWaveGenerator& g) { return g.m_nWidth; }
    static int Height(CWaveGenerator& g) { return g.m_nHeight; }
    static double Time(CWaveGenerator& g) { return g.m_dTime; }
};

namespace gputest
{

using swk::test::TestDevice;
using swk::test::TestTexture;
using swk::test::TestVertexBuffer;
using Probe = CWaveGeneratorProbe;

const DWORD kPS20 = D3DPS_VERSION(2, 0);
const DWORD kPS14 = D3DPS_VERSION(1, 4);
const DWORD kPS11 = D3DPS_VERSION(1, 1);
const DWORD kNoPS = 0;

inline std::unique_ptr<TestDevice> MakeDevice(DWORD psVersion,
                                              TestDevice::Options options = TestDevice::Options())
{
    options.pixelShaderVersion = psVersion;
    return std::make_unique<TestDevice>(options);
}

// The current reference count of a COM object, left as it was.
inline ULONG References(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

inline TestTexture* AsTexture(IDirect3DTexture9* p)
{
    return static_cast<TestTexture*>(p);
}
inline TestVertexBuffer* AsBuffer(IDirect3DVertexBuffer9* p)
{
    return static_cast<TestVertexBuffer*>(p);
}

inline D3DSURFACE_DESC TopLevel(IDirect3DTexture9* p)
{
    D3DSURFACE_DESC desc;
    std::memset(&desc, 0, sizeof desc);
    p->GetLevelDesc(0, &desc);
    return desc;
}

// A member of the vertex at index i of a buffer whose vertices are stride
// bytes long, read from its bytes.
template <typename T> T Member(IDirect3DVertexBuffer9* vb, int stride, int i, int offset)
{
    T value;
    std::memcpy(&value, AsBuffer(vb)->Bytes().data() + static_cast<size_t>(i) * stride + offset,
                sizeof value);
    return value;
}

} // namespace gputest
