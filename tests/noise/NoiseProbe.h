// White-box access to the noise stages, and deliberately plain reference
// versions of them that the optimised code must match bit for bit.
#pragma once

#include "GradientNoise.h"
#include "WaveGeneratorProbe.h"

#include <vector>

struct CGradientNoiseProbe
{
    static const int* Perm(const CGradientNoise& n) { return n.m_anPerm; }
    static const float (*Grad3(const CGradientNoise& n))[3] { return n.m_afGrad3; }
    static const float (*Grad2(const CGradientNoise& n))[2] { return n.m_afGrad2; }
    static const float* Grad1(const CGradientNoise& n) { return n.m_afGrad1; }
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
