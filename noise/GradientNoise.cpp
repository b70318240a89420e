#include "GradientNoise.h"

#include <cmath>
#include <cstdlib>

namespace
{
// Coordinates are offset by this before the cell is taken, so that the
// integer part of any coordinate above -4096 is its floor.
const float g_fCoordOffset = 4096.0f;
const int g_nLatticeMask = 255;
const float g_fPi = 3.1415927f;

float DrawComponent()
{
    return (float)(rand() % 8192 - 4096) * (1.0f / 4096.0f);
}

// A vector of zero length keeps its zero components: it contributes nothing
// instead of spreading NaN through the noise.
void Normalize(float* pfVector, int nCount)
{
    float fSquares = 0.0f;
    for (int i = 0; i < nCount; ++i)
        fSquares += pfVector[i] * pfVector[i];
    const float fLength = std::sqrt(fSquares);
    if (fLength == 0.0f)
        return;
    const float fInv = 1.0f / fLength;
    for (int i = 0; i < nCount; ++i)
        pfVector[i] *= fInv;
}

inline float Blend(float w, float a, float b)
{
    return b * w + (1.0f - w) * a;
}
} // namespace

CGradientNoise::CGradientNoise()
{
    for (int k = 0; k < TABLE_SIZE; ++k)
        m_afWeight[k] = Weight((float)k * (1.0f / TABLE_SIZE));
    Init();
}

void CGradientNoise::Init()
{
    for (int i = 0; i < TABLE_SIZE; ++i)
    {
        m_anPerm[i] = i;
        m_afGrad1[i] = DrawComponent();
        for (int c = 0; c < 2; ++c)
            m_afGrad2[i][c] = DrawComponent();
        Normalize(m_afGrad2[i], 2);
        for (int c = 0; c < 3; ++c)
            m_afGrad3[i][c] = DrawComponent();
        Normalize(m_afGrad3[i], 3);
    }

    // The partner may lie anywhere in the table, not only below i.
    for (int i = TABLE_SIZE - 1; i > 0; --i)
    {
        const int j = rand() % TABLE_SIZE;
        const int nSwap = m_anPerm[i];
        m_anPerm[i] = m_anPerm[j];
        m_anPerm[j] = nSwap;
    }

    // Upwards, so that the last two entries repeat the first two once more.
    for (int k = 0; k < TABLE_SIZE + 2; ++k)
    {
        m_anPerm[TABLE_SIZE + k] = m_anPerm[k];
        m_afGrad1[TABLE_SIZE + k] = m_afGrad1[k];
        for (int c = 0; c < 2; ++c)
            m_afGrad2[TABLE_SIZE + k][c] = m_afGrad2[k][c];
        for (int c = 0; c < 3; ++c)
            m_afGrad3[TABLE_SIZE + k][c] = m_afGrad3[k][c];
    }
}

float CGradientNoise::Weight(float fFraction)
{
    const float fEase = (3.0f - 2.0f * fFraction) * fFraction * fFraction;
    return (1.0f - std::cos(fEase * g_fPi)) * 0.5f;
}

void CGradientNoise::SetupAxis(float fCoord, CAxis& axis) const
{
    // Held in single precision on purpose: the fraction is that of the
    // rounded sum, a multiple of 1/2048 for coordinates from 0 to 4096.
    // Through memory, since x87 builds would keep the sum in extended precision.
    const volatile float fRounded = fCoord + g_fCoordOffset;
    const float t = fRounded;
    const int nCell = (int)t;
    axis.nCell0 = nCell & g_nLatticeMask;
    axis.nCell1 = (axis.nCell0 + 1) & g_nLatticeMask;
    axis.fOffset0 = t - (float)nCell;
    axis.fOffset1 = axis.fOffset0 - 1.0f;
    if (t >= 2048.0f)
        axis.fWeight = m_afWeight[(int)(axis.fOffset0 * (float)TABLE_SIZE)];
    else
        axis.fWeight = Weight(axis.fOffset0);
}

float CGradientNoise::Sample(const CAxis& ax, const CAxis& ay, const CAxis& az) const
{
    const int i = m_anPerm[ax.nCell0];
    const int j = m_anPerm[ax.nCell1];
    const int b00 = m_anPerm[i + ay.nCell0];
    const int b10 = m_anPerm[j + ay.nCell0];
    const int b01 = m_anPerm[i + ay.nCell1];
    const int b11 = m_anPerm[j + ay.nCell1];

    const auto corner = [this](int nIndex, float dx, float dy, float dz)
    {
        const float* g = m_afGrad3[nIndex];
        return dz * g[2] + dy * g[1] + dx * g[0];
    };

    float a = Blend(ax.fWeight, corner(b00 + az.nCell0, ax.fOffset0, ay.fOffset0, az.fOffset0),
                    corner(b10 + az.nCell0, ax.fOffset1, ay.fOffset0, az.fOffset0));
    float b = Blend(ax.fWeight, corner(b01 + az.nCell0, ax.fOffset0, ay.fOffset1, az.fOffset0),
                    corner(b11 + az.nCell0, ax.fOffset1, ay.fOffset1, az.fOffset0));
    const float c = Blend(ay.fWeight, a, b);

    a = Blend(ax.fWeight, corner(b00 + az.nCell1, ax.fOffset0, ay.fOffset0, az.fOffset1),
              corner(b10 + az.nCell1, ax.fOffset1, ay.fOffset0, az.fOffset1));
    b = Blend(ax.fWeight, corner(b01 + az.nCell1, ax.fOffset0, ay.fOffset1, az.fOffset1),
              corner(b11 + az.nCell1, ax.fOffset1, ay.fOffset1, az.fOffset1));
    const float d = Blend(ay.fWeight, a, b);

    return Blend(az.fWeight, c, d);
}

float CGradientNoise::Noise(float x, float y, float z) const
{
    CAxis ax, ay, az;
    SetupAxis(x, ax);
    SetupAxis(y, ay);
    SetupAxis(z, az);
    return Sample(ax, ay, az);
}

float CGradientNoise::TileableNoise(float x, float y, float z, float w, float h, float d) const
{
    // The eight samples share their lattice set-up: two coordinates per axis.
    CAxis ax, axw, ay, ayh, az, azd;
    SetupAxis(x, ax);
    SetupAxis(x - w, axw);
    SetupAxis(y, ay);
    SetupAxis(y - h, ayh);
    SetupAxis(z, az);
    SetupAxis(z - d, azd);

    float fSum = (Sample(ax, ay, azd) * z + Sample(ax, ay, az) * (d - z)) * (h - y) * (w - x);
    fSum += Sample(axw, ayh, azd) * x * y * z;
    fSum += Sample(axw, ayh, az) * (d - z) * x * y;
    fSum += Sample(ax, ayh, az) * (w - x) * (d - z) * y;
    fSum += Sample(axw, ay, az) * (h - y) * (d - z) * x;
    fSum += Sample(ax, ayh, azd) * (w - x) * y * z;
    fSum += Sample(axw, ay, azd) * (h - y) * x * z;
    return fSum / (w * h * d);
}
