// White-box access to the noise stages, and deliberately plain reference
// versions of them that the optimised code must match bit for bit.
#pragma once

#include "GradientNoise.h"
#include "WaveGenerator.h"

#include <vector>

struct CGradientNoiseProbe
{
    static const int* Perm(const CGradientNoise& n) { return n.m_anPerm; }
    static const float (*Grad3(const CGradientNoise& n))[3] { return n.m_afGrad3; }
    static const float (*Grad2(const CGradientNoise& n))[2] { return n.m_afGrad2; }
    static const float* Grad1(const CGradientNoise& n) { return n.m_afGrad1; }
};

struct CWaveGeneratorProbe
{
    static void BuildNoiseVolume(CWaveGenerator& g) { g.BuildNoiseVolume(); }
    static void SynthesizeLayers(CWaveGenerator& g, DWORD dwElapsed)
    {
        g.SynthesizeLayers(dwElapsed);
    }
    static int SampleSlice(CWaveGenerator& g, int x, int y, int s, int k)
    {
        return g.SampleSlice(x, y, s, k);
    }
    static void UploadNoiseLayers(CWaveGenerator& g) { g.UploadNoiseLayers(); }

    static int (&Volume(CWaveGenerator& g))[256][16][16] { return g.m_anNoiseVolume; }
    static int (&Slices(CWaveGenerator& g))[16][16][16] { return g.m_anOctaveSlice; }
    static int (&Layers(CWaveGenerator& g))[2][128][128] { return g.m_anLayer; }
    static float (&OctaveWeights(CWaveGenerator& g))[16] { return g.m_afOctaveWeight; }
    static int Octaves(const CWaveGenerator& g) { return g.m_nOctaves; }
    static double& Time(CWaveGenerator& g) { return g.m_dTime; }
    static IDirect3DTexture9*& NoiseTexture(CWaveGenerator& g, int t) { return g.m_pNoiseTex[t]; }
    static bool& EightBitNoise(CWaveGenerator& g) { return g.m_b8BitNoise; }
};

namespace reference
{
// The noise tables as a straightforward reading of their draw order makes them.
struct Tables
{
    std::vector<int> perm;
    std::vector<float> grad3; // three floats per entry
};
Tables DrawTables();

float Noise(const Tables& t, float x, float y, float z);
float TileableNoise(const Tables& t, float x, float y, float z, float w, float h, float d);

// One frame of layer synthesis on plain arrays: advances dTime, fills the
// two 128 x 128 layers.
void SynthesizeLayers(const int (&volume)[256][16][16], float fSpeed, DWORD dwElapsed,
                      double& dTime, int (&layers)[2][128][128]);
} // namespace reference
