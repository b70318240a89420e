// White-box access to the generator for its tests: its stages, and what it
// holds, through a const or a mutable generator alike.
#pragma once

#include <WaveGenerator.h>

struct CWaveGeneratorProbe
{
    static void CreateTextures(CWaveGenerator& g) { g.CreateTextures(); }
    static void CreateVertexBuffers(CWaveGenerator& g) { g.CreateVertexBuffers(); }
    static void ComputeGridNormals(CWaveGenerator& g) { g.ComputeGridNormals(); }
    static void UploadGridNormals(CWaveGenerator& g) { g.UploadGridNormals(); }
    static void SynthesizeLayers(CWaveGenerator& g, DWORD dwElapsed)
    {
        g.SynthesizeLayers(dwElapsed);
    }
    static void UploadNoiseLayers(CWaveGenerator& g) { g.UploadNoiseLayers(); }
    static void BuildNoiseVolume(CWaveGenerator& g) { g.BuildNoiseVolume(); }

    template <typename G> static auto& NoiseTex(G& g, int i) { return g.m_pNoiseTex[i]; }
    template <typename G> static auto& HeightMap(G& g) { return g.m_pHeightMap; }
    template <typename G> static auto& QuadVB(G& g) { return g.m_pQuadVB; }
    template <typename G> static auto& GridVB(G& g) { return g.m_pGridVB; }
    template <typename G> static auto& GridNormals(G& g) { return g.m_pGridNormals; }
    template <typename G> static auto& HeightEffect(G& g) { return g.m_pHeightEffect; }
    template <typename G> static auto& NormalEffect(G& g) { return g.m_pNormalEffect; }
    template <typename G> static auto& Viewport(G& g) { return g.m_Viewport; }
    template <typename G> static auto& Material(G& g) { return g.m_Material; }
    template <typename G> static auto& Layers(G& g) { return g.m_anLayer; }
    template <typename G> static auto& EightBitNoise(G& g) { return g.m_b8BitNoise; }
    template <typename G> static bool NoPS20(G& g) { return g.m_bNoPS20; }
    template <typename G> static bool NoPS11(G& g) { return g.m_bNoPS11; }
    template <typename G> static int GridWidth(G& g) { return g.m_nGridWidth; }
    template <typename G> static int GridHeight(G& g) { return g.m_nGridHeight; }
    template <typename G> static int Width(G& g) { return g.m_nWidth; }
    template <typename G> static int Height(G& g) { return g.m_nHeight; }
    template <typename G> static auto& Time(G& g) { return g.m_dTime; }
    template <typename G> static auto& Volume(G& g) { return g.m_anNoiseVolume; }
};
