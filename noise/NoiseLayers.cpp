#include "WaveGenerator.h"

#include <cmath>

namespace
{
// Each octave's amplitude is this fraction of the one before; the constants
// are single-precision values used in double arithmetic.
const double g_dOctaveFalloff = (double)0.56f;
// Each octave runs through the time planes this much faster than the one before.
const double g_dOctaveRate = (double)1.27f;
// sin^2 at three phases a third of pi apart sums to 3/2.
const double g_dThirdPi = (double)1.0471975803375244f;
const double g_dTwoThirds = 2.0 / 3.0;
// Slice weights carry 16384 per unit of octave weight; volume entries carry
// 32768 per unit of noise, removed by the 15-bit shift.
const double g_dSliceScale = 16384.0;
const int g_nVolumeShift = 15;

inline int PlaneWeight(double dPhase, double dOctaveWeight)
{
    const double dSine = std::sin(dPhase * g_dThirdPi);
    return (int)(dSine * dSine * g_dTwoThirds * dOctaveWeight * g_dSliceScale);
}
} // namespace

void CWaveGenerator::SynthesizeLayers(DWORD dwElapsed)
{
    m_nOctaves = 8;

    float fWeightSum = 0.0f;
    for (int i = 0; i < m_nOctaves; ++i)
    {
        const double dWeight = std::pow(g_dOctaveFalloff, i);
        m_afOctaveWeight[i] = (float)dWeight;
        fWeightSum += dWeight;
    }
    const float fInvWeightSum = 1.0f / fWeightSum;
    for (int i = 0; i < m_nOctaves; ++i)
        m_afOctaveWeight[i] *= fInvWeightSum;

    m_dTime += (double)m_fSpeed * (double)dwElapsed * 0.001;

    double dRate = 1.0;
    for (int i = 0; i < m_nOctaves; ++i)
    {
        double dWhole;
        const double dFraction = std::modf(dRate * m_dTime, &dWhole);
        // Only the plane modulo 256 matters; taking it in double keeps clocks
        // beyond the integer range defined.
        const int nPlane = (int)std::fmod(dWhole, 256.0);
        const double dWeight = m_afOctaveWeight[i];
        const int nWeightA = PlaneWeight(dFraction + 2.0, dWeight);
        const int nWeightB = PlaneWeight(dFraction + 1.0, dWeight);
        const int nWeightC = PlaneWeight(dFraction, dWeight);
        const int* pnA = &m_anNoiseVolume[nPlane & 255][0][0];
        const int* pnB = &m_anNoiseVolume[(nPlane + 1) & 255][0][0];
        const int* pnC = &m_anNoiseVolume[(nPlane + 2) & 255][0][0];
        int* pnSlice = &m_anOctaveSlice[i][0][0];
        for (int m = 0; m < 256; ++m)
            pnSlice[m] = ((pnC[m] * nWeightC) >> g_nVolumeShift) +
                         ((pnB[m] * nWeightB) >> g_nVolumeShift) +
                         ((pnA[m] * nWeightA) >> g_nVolumeShift);
        dRate *= g_dOctaveRate;
    }

    for (int nLayer = 0; nLayer < m_nOctaves / 4; ++nLayer)
    {
        const int k = 4 * nLayer;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                m_anLayer[nLayer][y][x] = m_anOctaveSlice[k + 3][y & 15][x & 15] +
                                          SampleSlice(x, y, 3, k) + SampleSlice(x, y, 2, k + 1) +
                                          SampleSlice(x, y, 1, k + 2);
    }

    // In place and by index alone: each texel sees its already smoothed
    // neighbours above and to the left, and rows wrap into each other.
    int* pnLayer = &m_anLayer[0][0][0];
    for (int c = 129; c <= 16254; ++c)
        pnLayer[c] = (2 * (pnLayer[c - 128] + pnLayer[c - 1] + pnLayer[c + 1] + pnLayer[c + 128]) +
                      (pnLayer[c - 129] + pnLayer[c - 127] + pnLayer[c + 127] + pnLayer[c + 129]) +
                      4 * pnLayer[c]) /
                     16;
}

int CWaveGenerator::SampleSlice(int x, int y, int nShift, int nSlice)
{
    const int nSize = 1 << nShift;
    const int fx = x & (nSize - 1);
    const int fy = y & (nSize - 1);
    const int x0 = (x >> nShift) & 15;
    const int x1 = ((x >> nShift) + 1) & 15;
    const int y0 = (y >> nShift) & 15;
    const int y1 = ((y >> nShift) + 1) & 15;
    const int(*E)[16] = m_anOctaveSlice[nSlice];
    return ((E[y0][x0] * (nSize - fx) + E[y0][x1] * fx) * (nSize - fy) +
            (E[y1][x0] * (nSize - fx) + E[y1][x1] * fx) * fy) >>
           (2 * nShift);
}
