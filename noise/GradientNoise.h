// CGradientNoise is a three-dimensional gradient noise whose lattice repeats
// every 256 cells, with a tileable sample that makes it periodic over any box.
// Its tables come from the C run time's rand() in a fixed order of draws, so
// the same rand() history gives the same noise.
#pragma once

class CGradientNoise
{
public:
    enum
    {
        TABLE_SIZE = 4096,
        TABLE_ENTRIES = TABLE_SIZE + TABLE_SIZE + 2
    };

    CGradientNoise();

    void Init();
    float Noise(float x, float y, float z) const;
    float TileableNoise(float x, float y, float z, float w, float h, float d) const;

private:
    friend struct CGradientNoiseProbe;

    // One axis of a sample: the two lattice cells around the coordinate, the
    // offsets from them and the blend weight.
    struct CAxis
    {
        int nCell0;
        int nCell1;
        float fOffset0;
        float fOffset1;
        float fWeight;
    };

    void SetupAxis(float fCoord, CAxis& axis) const;
    float Sample(const CAxis& ax, const CAxis& ay, const CAxis& az) const;
    static float Weight(float fFraction);

    int m_anPerm[TABLE_ENTRIES];
    float m_afGrad3[TABLE_ENTRIES][3];
    float m_afGrad2[TABLE_ENTRIES][2];
    float m_afGrad1[TABLE_ENTRIES];
    // Weights of the fractions k / 4096, the only fractions that coordinates
    // at or above -2048 can have once the lattice offset has been added.
    float m_afWeight[TABLE_SIZE];
};
