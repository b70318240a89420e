#include "GeneratorFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
using Probe = CWaveGeneratorProbe;
using swk::test::TestTexture;

class NoiseUpload : public ::testing::Test
{
protected:
    void Prepare(D3DFORMAT format, int nPitchPadding = 0)
    {
        // The generator holds textures of the device it was made on.
        m_generator.reset();
        m_device = MakeDevice(nPitchPadding);
        m_generator = MakeGenerator(*m_device);
        for (int t = 0; t < 2; ++t)
        {
            IDirect3DTexture9* pTexture = nullptr;
            ASSERT_EQ(D3D_OK, m_device->CreateTexture(128, 128, 1, D3DUSAGE_DYNAMIC, format,
                                                      D3DPOOL_DEFAULT, &pTexture, nullptr));
            m_texture[t] = static_cast<TestTexture*>(pTexture);
            // The generator owns the textures from here and releases them.
            Probe::NoiseTex(*m_generator, t) = pTexture;
            std::vector<unsigned char>& bytes = Bytes(t);
            std::memset(bytes.data(), kCanary, bytes.size());
        }
        Probe::EightBitNoise(*m_generator) = format == D3DFMT_L8;
    }
    std::vector<unsigned char>& Bytes(int t) { return m_texture[t]->Level(0).Bytes(); }
    int Pitch(int t) { return m_texture[t]->Level(0).Pitch(); }
    int& Layer(int t, int y, int x) { return Probe::Layers(*m_generator)[t][y][x]; }
    unsigned L8(int t, int y, int x) { return Bytes(t)[y * Pitch(t) + x]; }
    unsigned L16(int t, int y, int x)
    {
        const unsigned char* p = &Bytes(t)[y * Pitch(t) + 2 * x];
        return p[0] | p[1] << 8;
    }

    static constexpr unsigned char kCanary = 0xCD;
    std::unique_ptr<swk::test::TestDevice> m_device;
    std::unique_ptr<CWaveGenerator> m_generator;
    TestTexture* m_texture[2] = {};
};

// Values spread over many rows of textures with padded rows: each lands in
// its own texel, converted, and the padding keeps its bytes.
TEST_F(NoiseUpload, ConvertsToUnsignedLuminanceAroundTheMiddleAlongThePitch)
{
    // L8 truncates the quotient toward zero.
    const int values[] = {0, -1, -255, -256, 255, 256, -25999, 25999, -32768, 32767};
    const unsigned l8[] = {128, 128, 128, 127, 128, 129, 27, 229, 0, 255};
    const unsigned l16[] = {32768, 32767, 32513, 32512, 33023, 33024, 6769, 58767, 0, 65535};
    for (const D3DFORMAT format : {D3DFMT_L8, D3DFMT_L16})
    {
        Prepare(format, 36);
        for (int n = 0; n < 10; ++n)
        {
            Layer(0, 3 * n, 127 - n) = values[n];
            Layer(1, 127 - n, 5 * n) = values[n];
        }
        Probe::UploadNoiseLayers(*m_generator);
        const auto texel = [&](int t, int y, int x)
        { return format == D3DFMT_L8 ? L8(t, y, x) : L16(t, y, x); };
        for (int n = 0; n < 10; ++n)
        {
            const unsigned expected = format == D3DFMT_L8 ? l8[n] : l16[n];
            EXPECT_EQ(expected, texel(0, 3 * n, 127 - n)) << values[n];
            EXPECT_EQ(expected, texel(1, 127 - n, 5 * n)) << values[n];
        }
        const int row = format == D3DFMT_L8 ? 128 : 256;
        for (int t = 0; t < 2; ++t)
        {
            EXPECT_FALSE(m_texture[t]->Level(0).Locked());
            ASSERT_EQ(Pitch(t), row + 36);
            for (int y = 0; y < 128; ++y)
                ASSERT_TRUE(std::all_of(Bytes(t).begin() + y * Pitch(t) + row,
                                        Bytes(t).begin() + (y + 1) * Pitch(t),
                                        [](unsigned char b) { return b == kCanary; }))
                    << "row " << y;
        }
    }
}

TEST_F(NoiseUpload, WritesNothingThroughAFailedLock)
{
    Prepare(D3DFMT_L8);
    m_device->Fail("LockRect", D3DERR_INVALIDCALL, 1);
    Probe::UploadNoiseLayers(*m_generator);
    EXPECT_EQ(std::vector<unsigned char>(Bytes(0).size(), kCanary), Bytes(0));
    EXPECT_EQ(128u, L8(1, 64, 64));
    EXPECT_FALSE(m_texture[1]->Level(0).Locked());
}
} // namespace
