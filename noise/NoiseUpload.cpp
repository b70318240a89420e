#include "WaveGenerator.h"

#include <cstring>

namespace
{
// Layer values are signed; the textures hold unsigned luminance centred on
// the middle of their range.
inline WORD ToL16(int v)
{
    return (WORD)(v + 32768);
}
inline BYTE ToL8(int v)
{
    return (BYTE)(v / 256 + 128);
}
} // namespace

void CWaveGenerator::UploadNoiseLayers()
{
    for (int t = 0; t < 2; ++t)
    {
        IDirect3DTexture9* pTexture = m_pNoiseTex[t];
        if (!pTexture)
            continue;
        D3DLOCKED_RECT locked;
        if (FAILED(pTexture->LockRect(0, &locked, NULL, 0)))
            continue;
        BYTE* pbRow = (BYTE*)locked.pBits;
        for (int y = 0; y < 128; ++y, pbRow += locked.Pitch)
        {
            const int* pnLayer = m_anLayer[t][y];
            if (m_b8BitNoise)
            {
                // Bytes may alias the layers; converting into a row of our own
                // first lets the conversion run in vector registers.
                BYTE abTexel[128];
                for (int x = 0; x < 128; ++x)
                    abTexel[x] = ToL8(pnLayer[x]);
                std::memcpy(pbRow, abTexel, sizeof abTexel);
            }
            else
            {
                WORD* pwTexel = (WORD*)pbRow;
                for (int x = 0; x < 128; ++x)
                    pwTexel[x] = ToL16(pnLayer[x]);
            }
        }
        pTexture->UnlockRect(0);
    }
}
