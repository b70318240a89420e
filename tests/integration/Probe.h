// White-box access to what the generator computed on the CPU for its last
// frame, so that the maps read back from the device can be checked against it.
#pragma once

#include <WaveGenerator.h>

struct CWaveGeneratorProbe
{
    static bool NoPS20(const CWaveGenerator& g) { return g.m_bNoPS20; }
    static bool NoPS11(const CWaveGenerator& g) { return g.m_bNoPS11; }
    static bool EightBitNoise(const CWaveGenerator& g) { return g.m_b8BitNoise; }
    static double Time(const CWaveGenerator& g) { return g.m_dTime; }
    static const int (&Layers(const CWaveGenerator& g))[2][128][128] { return g.m_anLayer; }
    static const D3DXVECTOR3* GridNormals(const CWaveGenerator& g) { return g.m_pGridNormals; }
    static int GridWidth(const CWaveGenerator& g) { return g.m_nGridWidth; }
    static int GridHeight(const CWaveGenerator& g) { return g.m_nGridHeight; }
    static IDirect3DVertexBuffer9* GridVB(const CWaveGenerator& g) { return g.m_pGridVB; }
};
