// White-box access to the generator for tests in this folder.
#pragma once

#include <WaveGenerator.h>

struct CWaveGeneratorProbe
{
    static bool NoPS20(const CWaveGenerator& g) { return g.m_bNoPS20; }
    static bool NoPS11(const CWaveGenerator& g) { return g.m_bNoPS11; }
    static int Width(const CWaveGenerator& g) { return g.m_nWidth; }
    static int Height(const CWaveGenerator& g) { return g.m_nHeight; }
    static double Time(const CWaveGenerator& g) { return g.m_dTime; }
    static ID3DXEffect* HeightEffect(const CWaveGenerator& g) { return g.m_pHeightEffect; }
    static ID3DXEffect* NormalEffect(const CWaveGenerator& g) { return g.m_pNormalEffect; }
    static IDirect3DVertexBuffer9* QuadVB(const CWaveGenerator& g) { return g.m_pQuadVB; }
    static const D3DMATERIAL9& Material(const CWaveGenerator& g) { return g.m_Material; }
};
