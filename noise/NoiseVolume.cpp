#include "WaveGenerator.h"

#include "GradientNoise.h"

#include <cstdlib>
#include <memory>
#include <new>

namespace
{
// Very nearly 1/137: a hundred jitters spread over less than three quarters
// of a cell.
const float g_fJitterStep = 0.00729927f;
} // namespace

void CWaveGenerator::BuildNoiseVolume()
{
    // The tables take over 200 KB, too much for a small thread stack; they
    // are needed only while the volume is built.
    std::unique_ptr<CGradientNoise> pNoise(new (std::nothrow) CGradientNoise);
    if (!pNoise)
        return;
    // The first set of tables only advances rand(); the volume uses the second.
    pNoise->Init();

    for (int z = 0; z < 256; ++z)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
            {
                // One jitter moves the point along the diagonal, so that a
                // draw of 0 lands on a lattice point where the noise is 0.
                const float fJitter = (float)(rand() % 100) * g_fJitterStep;
                const float fNoise =
                    pNoise->TileableNoise((float)x + fJitter, (float)y + fJitter,
                                          (float)z + fJitter, 16.0f, 16.0f, 256.0f);
                m_anNoiseVolume[z][y][x] = (int)(fNoise * 16384.0f * 2.0f);
            }
}
