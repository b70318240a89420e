#include "WaveGenerator.h"

#include <climits>
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

// Truncation toward zero; a value outside the int range, or NaN, gives
// INT_MIN, as the processor's own truncating conversion does, instead of
// leaving the result undefined.
inline int TruncateToInt(double d)
{
    if (!(d > -2147483649.0 && d < 2147483648.0))
        return INT_MIN;
    return (int)d;
}

inline int PlaneWeight(double dPhase, double dOctaveWeight)
{
    const double dSine = std::sin(dPhase * g_dThirdPi);
    return TruncateToInt(dSine * dSine * g_dTwoThirds * dOctaveWeight * g_dSliceScale);
}

// An octave slice of a layer, interpolated across the layer's columns once
// per frame, and the vertical interpolation between two of its rows carried
// from one layer row to the next by adding the difference of the two rows:
// the bilinear sums come out exactly as SampleSlice forms them, unshifted.
template <int nShift> class CStretchedSlice
{
public:
    enum
    {
        CELL = 1 << nShift,
        WIDTH = 16 << nShift
    };

    void Stretch(const int (&anSlice)[16][16])
    {
        for (int r = 0; r < 16; ++r)
            for (int q = 0; q < 16; ++q)
            {
                const int nLeft = anSlice[r][q];
                const int nRight = anSlice[r][(q + 1) & 15];
                for (int f = 0; f < CELL; ++f)
                    m_anRow[r][q * CELL + f] = nLeft * (CELL - f) + nRight * f;
            }
    }

    // Moves to layer row y and adds this slice's samples to a row that
    // repeats every WIDTH / 2 columns, giving one that repeats every WIDTH.
    void AddRow(int y, const int (&anIn)[WIDTH / 2], int (&anOut)[WIDTH])
    {
        if ((y & (CELL - 1)) == 0)
        {
            const int nTop = (y >> nShift) & 15;
            const int nBottom = (nTop + 1) & 15;
            for (int x = 0; x < WIDTH; ++x)
            {
                m_anSum[x] = m_anRow[nTop][x] * CELL;
                m_anStep[x] = m_anRow[nBottom][x] - m_anRow[nTop][x];
            }
        }
        else
        {
            for (int x = 0; x < WIDTH; ++x)
                m_anSum[x] += m_anStep[x];
        }
        for (int h = 0; h < WIDTH; h += WIDTH / 2)
            for (int x = 0; x < WIDTH / 2; ++x)
                anOut[h + x] = anIn[x] + (m_anSum[h + x] >> (2 * nShift));
    }

private:
    int m_anRow[16][WIDTH];
    int m_anSum[WIDTH];
    int m_anStep[WIDTH];
};

// Layer row by row: the unstretched slice repeats every 16 columns, the ones
// with 2, 4 and 8 texels per cell every 32, 64 and 128, so each is added to
// the sum of the ones before it.
void BuildLayer(const int (&anSlice)[16][16][16], int k, int (&anLayer)[128][128])
{
    CStretchedSlice<3> coarse;
    CStretchedSlice<2> middle;
    CStretchedSlice<1> fine;
    coarse.Stretch(anSlice[k]);
    middle.Stretch(anSlice[k + 1]);
    fine.Stretch(anSlice[k + 2]);

    for (int y = 0; y < 128; ++y)
    {
        int anTile[16];
        for (int x = 0; x < 16; ++x)
            anTile[x] = anSlice[k + 3][y & 15][x];
        int anFine[32];
        fine.AddRow(y, anTile, anFine);
        int anMiddle[64];
        middle.AddRow(y, anFine, anMiddle);
        coarse.AddRow(y, anMiddle, anLayer[y]);
    }
}

// The weighted sum of a texel's neighbours other than its left one; the row
// above is already smoothed, the row itself and the one below are not.
inline int NeighbourSum(const int* L, int c)
{
    return 2 * (L[c - 128] + L[c + 1] + L[c + 128]) +
           (L[c - 129] + L[c - 127] + L[c + 127] + L[c + 129]) + 4 * L[c];
}

// In place and by index alone, from index 129 to 16254: each texel sees its
// already smoothed neighbours above and to the left, and rows wrap into each
// other. The left neighbour chains every texel to the one before, so all
// other neighbours are summed for the whole row first and the chain itself
// is kept short.
void SmoothLayer(int (&anLayer)[128][128])
{
    int* L = &anLayer[0][0];
    int anSum[128];
    int nLeft = L[128];
    for (int y = 1; y <= 126; ++y)
    {
        const int nFirst = y == 1 ? 1 : 0;
        const int nEnd = y == 126 ? 127 : 128;
        const int c0 = y * 128;
        if (nFirst == 0 && nEnd == 128)
        {
            for (int x = 0; x < 128; ++x)
                anSum[x] = NeighbourSum(L, c0 + x);
        }
        else
        {
            for (int x = nFirst; x < nEnd; ++x)
                anSum[x] = NeighbourSum(L, c0 + x);
        }
        const int nOldFirst = L[c0];
        const int nChainEnd = nEnd < 127 ? nEnd : 127;
        for (int x = nFirst; x < nChainEnd; ++x)
        {
            nLeft = (anSum[x] + 2 * nLeft) / 16;
            L[c0 + x] = nLeft;
        }
        if (nEnd == 128)
        {
            // The last texel's upper right neighbour is this row's first,
            // smoothed since its sum was taken.
            nLeft = (anSum[127] + L[c0] - nOldFirst + 2 * nLeft) / 16;
            L[c0 + 127] = nLeft;
        }
    }
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

    // A step that would take the clock out of the finite range is not taken:
    // the water stands still, and a later finite speed moves it on again.
    const double dTime = m_dTime + (double)m_fSpeed * (double)dwElapsed * 0.001;
    if (std::isfinite(dTime))
        m_dTime = dTime;

    double dRate = 1.0;
    for (int i = 0; i < m_nOctaves; ++i)
    {
        double dWhole;
        const double dFraction = std::modf(dRate * m_dTime, &dWhole);
        // Only the plane modulo 256 matters; taking it in double keeps clocks
        // beyond the integer range defined. A phase that overflowed to
        // infinity has no fraction left and lands on plane 0.
        const int nPlane = TruncateToInt(std::fmod(dWhole, 256.0));
        const double dWeight = m_afOctaveWeight[i];
        const int nWeightA = PlaneWeight(dFraction + 2.0, dWeight);
        const int nWeightB = PlaneWeight(dFraction + 1.0, dWeight);
        const int nWeightC = PlaneWeight(dFraction, dWeight);
        const int a = nPlane & 255;
        const int b = (nPlane + 1) & 255;
        const int c = (nPlane + 2) & 255;
        for (int r = 0; r < 16; ++r)
            for (int q = 0; q < 16; ++q)
                m_anOctaveSlice[i][r][q] =
                    ((m_anNoiseVolume[c][r][q] * nWeightC) >> g_nVolumeShift) +
                    ((m_anNoiseVolume[b][r][q] * nWeightB) >> g_nVolumeShift) +
                    ((m_anNoiseVolume[a][r][q] * nWeightA) >> g_nVolumeShift);
        dRate *= g_dOctaveRate;
    }

    for (int nLayer = 0; nLayer < m_nOctaves / 4; ++nLayer)
        BuildLayer(m_anOctaveSlice, 4 * nLayer, m_anLayer[nLayer]);

    SmoothLayer(m_anLayer[0]);
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
