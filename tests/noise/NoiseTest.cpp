// The noise stages against deliberately plain readings of them: the gradient
// tables and samples, the volume, the layers and their upload. A generator on
// the recording test device reports no pixel shaders, so construction compiles
// no effect; the noise stages do not depend on the path.
#include "GradientNoise.h"
#include "WaveGeneratorProbe.h"

#include <TestDevice.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

// White-box access to the gradient tables.
struct CGradientNoiseProbe
{
    static const int* Perm(const CGradientNoise& n) { return n.m_anPerm; }
    static const float (*Grad3(const CGradientNoise& n))[3] { return n.m_afGrad3; }
    static const float (*Grad2(const CGradientNoise& n))[2] { return n.m_afGrad2; }
    static const float* Grad1(const CGradientNoise& n) { return n.m_afGrad1; }
};

// Deliberately plain readings of the noise stages, which the optimised code
// must match bit for bit.
namespace reference
{
// The noise tables as a straightforward reading of their draw order makes them.
struct Tables
{
    std::vector<int> perm;
    std::vector<float> grad3; // three floats per entry
};

namespace
{
const int kSize = 4096;

float Draw()
{
    return (float)(rand() % 8192 - 4096) * (1.0f / 4096.0f);
}

float Weight(float r)
{
    const float e = (3.0f - 2.0f * r) * r * r;
    return (1.0f - std::cos(e * 3.1415927f)) * 0.5f;
}

float Lerp(float w, float a, float b)
{
    return b * w + (1.0f - w) * a;
}

int Sample(const int (&slice)[16][16], int x, int y, int s)
{
    const int S = 1 << s;
    const int fx = x % S, fy = y % S;
    const int x0 = (x / S) % 16, x1 = (x / S + 1) % 16;
    const int y0 = (y / S) % 16, y1 = (y / S + 1) % 16;
    const int top = slice[y0][x0] * (S - fx) + slice[y0][x1] * fx;
    const int bottom = slice[y1][x0] * (S - fx) + slice[y1][x1] * fx;
    return (top * (S - fy) + bottom * fy) >> (2 * s);
}
} // namespace

Tables DrawTables()
{
    Tables t;
    t.perm.resize(2 * kSize + 2);
    t.grad3.resize(3 * (2 * kSize + 2));
    for (int i = 0; i < kSize; ++i)
    {
        t.perm[i] = i;
        Draw();
        Draw();
        Draw();
        float g[3] = {Draw(), Draw(), Draw()};
        const float s = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
        for (int c = 0; c < 3; ++c)
            t.grad3[3 * i + c] = g[c] * (1.0f / s);
    }
    for (int i = kSize - 1; i > 0; --i)
    {
        const int j = rand() % kSize;
        std::swap(t.perm[i], t.perm[j]);
    }
    for (int k = 0; k < kSize + 2; ++k)
    {
        t.perm[kSize + k] = t.perm[k];
        for (int c = 0; c < 3; ++c)
            t.grad3[3 * (kSize + k) + c] = t.grad3[3 * k + c];
    }
    return t;
}

float Noise(const Tables& t, float x, float y, float z)
{
    const float tx = x + 4096.0f, ty = y + 4096.0f, tz = z + 4096.0f;
    const int cx = (int)tx, cy = (int)ty, cz = (int)tz;
    const int bx0 = cx & 255, bx1 = (bx0 + 1) & 255;
    const int by0 = cy & 255, by1 = (by0 + 1) & 255;
    const int bz0 = cz & 255, bz1 = (bz0 + 1) & 255;
    const float rx0 = tx - (float)cx, rx1 = rx0 - 1.0f;
    const float ry0 = ty - (float)cy, ry1 = ry0 - 1.0f;
    const float rz0 = tz - (float)cz, rz1 = rz0 - 1.0f;

    const int i = t.perm[bx0], j = t.perm[bx1];
    const int b00 = t.perm[i + by0], b10 = t.perm[j + by0];
    const int b01 = t.perm[i + by1], b11 = t.perm[j + by1];

    const auto corner = [&](int index, float dx, float dy, float dz)
    {
        const float* g = &t.grad3[3 * index];
        return dz * g[2] + dy * g[1] + dx * g[0];
    };
    const float wx = Weight(rx0), wy = Weight(ry0), wz = Weight(rz0);

    const float c =
        Lerp(wy, Lerp(wx, corner(b00 + bz0, rx0, ry0, rz0), corner(b10 + bz0, rx1, ry0, rz0)),
             Lerp(wx, corner(b01 + bz0, rx0, ry1, rz0), corner(b11 + bz0, rx1, ry1, rz0)));
    const float d =
        Lerp(wy, Lerp(wx, corner(b00 + bz1, rx0, ry0, rz1), corner(b10 + bz1, rx1, ry0, rz1)),
             Lerp(wx, corner(b01 + bz1, rx0, ry1, rz1), corner(b11 + bz1, rx1, ry1, rz1)));
    return Lerp(wz, c, d);
}

float TileableNoise(const Tables& t, float x, float y, float z, float w, float h, float d)
{
    const auto N = [&](float a, float b, float c) { return Noise(t, a, b, c); };
    float sum = (N(x, y, z - d) * z + N(x, y, z) * (d - z)) * (h - y) * (w - x);
    sum += N(x - w, y - h, z - d) * x * y * z;
    sum += N(x - w, y - h, z) * (d - z) * x * y;
    sum += N(x, y - h, z) * (w - x) * (d - z) * y;
    sum += N(x - w, y, z) * (h - y) * (d - z) * x;
    sum += N(x, y - h, z - d) * (w - x) * y * z;
    sum += N(x - w, y, z - d) * (h - y) * x * z;
    return sum / (w * h * d);
}

void SynthesizeLayers(const int (&volume)[256][16][16], float fSpeed, DWORD dwElapsed,
                      double& dTime, int (&layers)[2][128][128])
{
    float weights[8];
    float sum = 0.0f;
    for (int i = 0; i < 8; ++i)
    {
        const double p = std::pow(0.5600000023841858, i);
        weights[i] = (float)p;
        sum = (float)(sum + p);
    }
    for (int i = 0; i < 8; ++i)
        weights[i] = weights[i] * (1.0f / sum);

    dTime = dTime + (double)fSpeed * (double)dwElapsed * 0.001;

    static int slices[8][16][16];
    double f = 1.0;
    for (int i = 0; i < 8; ++i)
    {
        double whole;
        const double phi = std::modf(f * dTime, &whole);
        const long long n = (long long)whole;
        const double c = 1.0471975803375244;
        const auto weight = [&](double a)
        {
            const double s = std::sin(a * c);
            return (int)(s * s * 0.6666666666666666 * weights[i] * 16384.0);
        };
        const int wa = weight(phi + 2.0), wb = weight(phi + 1.0), wc = weight(phi);
        const int a = (int)(n & 255), b = (int)((n + 1) & 255), cc = (int)((n + 2) & 255);
        for (int r = 0; r < 16; ++r)
            for (int q = 0; q < 16; ++q)
                slices[i][r][q] = ((volume[cc][r][q] * wc) >> 15) + ((volume[b][r][q] * wb) >> 15) +
                                  ((volume[a][r][q] * wa) >> 15);
        f = f * 1.2699999809265137;
    }

    for (int L = 0; L < 2; ++L)
    {
        const int k = 4 * L;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                layers[L][y][x] = slices[k + 3][y % 16][x % 16] + Sample(slices[k], x, y, 3) +
                                  Sample(slices[k + 1], x, y, 2) + Sample(slices[k + 2], x, y, 1);
    }

    int* p = &layers[0][0][0];
    for (int c = 129; c <= 16254; ++c)
    {
        const int edges = p[c - 128] + p[c - 1] + p[c + 1] + p[c + 128];
        const int corners = p[c - 129] + p[c - 127] + p[c + 127] + p[c + 129];
        p[c] = (2 * edges + corners + 4 * p[c]) / 16;
    }
}
} // namespace reference

namespace
{
using Probe = CWaveGeneratorProbe;

// The generator holds over 400 KB of arrays, so it lives on the heap.
std::unique_ptr<swk::test::TestDevice> MakeDevice(int nPitchPadding = 0)
{
    swk::test::TestDevice::Options options;
    options.pixelShaderVersion = 0;
    options.pitchPadding = nPitchPadding;
    return std::make_unique<swk::test::TestDevice>(options);
}

const int kSize = CGradientNoise::TABLE_SIZE;
const int kEntries = CGradientNoise::TABLE_ENTRIES;

// The tables as the plain reading draws them (Init draws them again from
// wherever rand() stands: the noise volume's test checks that), and samples
// of them bit for bit what the plain reading gives, below root three, tileable
// ones for boxes of any size.
TEST(GradientNoise, FollowsThePlainReadingOfTablesAndSamples)
{
    srand(13);
    auto noise = std::make_unique<CGradientNoise>();
    const int afterConstruction = rand();
    srand(13);
    const reference::Tables tables = reference::DrawTables();
    EXPECT_EQ(afterConstruction, rand());
    EXPECT_EQ(0, std::memcmp(CGradientNoiseProbe::Perm(*noise), tables.perm.data(),
                             kEntries * sizeof(int)));
    EXPECT_EQ(0, std::memcmp(CGradientNoiseProbe::Grad3(*noise), tables.grad3.data(),
                             kEntries * sizeof(float[3])));
    // The two- and one-dimensional gradients repeat upwards as the others do.
    EXPECT_EQ(0,
              std::memcmp(CGradientNoiseProbe::Grad2(*noise)[kSize],
                          CGradientNoiseProbe::Grad2(*noise)[0], (kSize + 2) * sizeof(float[2])));
    EXPECT_EQ(0, std::memcmp(CGradientNoiseProbe::Grad1(*noise) + kSize,
                             CGradientNoiseProbe::Grad1(*noise), (kSize + 2) * sizeof(float)));

    std::mt19937 random(5);
    // Far below zero the offset sum keeps finer fractions than near it.
    std::uniform_real_distribution<float> coord(-4090.0f, 4000.0f);
    float largest = 0.0f;
    for (int n = 0; n < 20000; ++n)
    {
        const float x = coord(random), y = coord(random), z = coord(random);
        const float value = noise->Noise(x, y, z);
        ASSERT_EQ(reference::Noise(tables, x, y, z), value) << x << "," << y << "," << z;
        ASSERT_LT(std::fabs(value), std::sqrt(3.0f));
        largest = std::max(largest, std::fabs(value));
    }
    EXPECT_GT(largest, 0.5f);

    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int n = 0; n < 5000; ++n)
    {
        const float w = 1.0f + 20.0f * unit(random), h = 1.0f + 20.0f * unit(random),
                    d = 1.0f + 300.0f * unit(random);
        const float x = w * unit(random), y = h * unit(random), z = d * unit(random);
        ASSERT_EQ(reference::TileableNoise(tables, x, y, z, w, h, d),
                  noise->TileableNoise(x, y, z, w, h, d));
    }
    EXPECT_EQ(0.0f, noise->TileableNoise(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f));
}

// The build draws one set of tables it throws away, the set it samples, then
// one jitter per entry: 122878 draws, and every entry is the tileable noise of
// the second set at its jittered lattice point.
TEST(NoiseVolume, SamplesTheSecondTablesAtTheJitteredPointsIn122878Draws)
{
    srand(104);
    for (int i = 0; i < 28671; ++i)
        rand();
    const reference::Tables tables = reference::DrawTables();
    std::vector<int> jitter(65536);
    for (int& r : jitter)
        r = rand() % 100;
    const int next = rand();

    auto device = MakeDevice();
    auto generator = std::make_unique<CWaveGenerator>(device.get(), 64, 64);
    srand(104);
    Probe::BuildNoiseVolume(*generator);
    EXPECT_EQ(next, rand());

    const int* entries = &Probe::Volume(*generator)[0][0][0];
    const float jitterStep = 0.007299270015209913f;
    int largest = 0;
    for (int k = 0; k < 65536; ++k)
    {
        const int x = k % 16, y = (k / 16) % 16, z = k / 256;
        const float j = jitter[k] * jitterStep;
        const float t = reference::TileableNoise(tables, x + j, y + j, z + j, 16, 16, 256);
        ASSERT_EQ((int)(t * 32768.0f), entries[k]) << "entry " << k;
        largest = std::max(largest, std::abs(entries[k]));
    }
    // Noise reaches beyond a half, which is 16384 on this scale.
    EXPECT_GT(largest, 16384);
}

// Speeds and steps of any size: the clock never leaves the finite range (a
// step that would is not taken), and the layers stay in their 16-bit range,
// also once the phases of the faster octaves overflow to infinity.
TEST(NoiseLayers, AnySpeedKeepsTheClockFiniteAndTheLayersInRange)
{
    auto device = MakeDevice();
    auto generator = std::make_unique<CWaveGenerator>(device.get(), 64, 64);
    const float speeds[] = {0.0f, -3.0f, NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
    const DWORD steps[] = {0, 0xFFFFFFFFu, 0xFFFFFFFFu};
    const auto inRange = [&]
    {
        const int* l = &Probe::Layers(*generator)[0][0][0];
        return std::all_of(l, l + 2 * 128 * 128, [](int v) { return v >= -32768 && v <= 32767; });
    };
    for (const double start : {2.0, DBL_MAX / 2})
        for (const float speed : speeds)
        {
            Probe::Time(*generator) = start;
            generator->SetSpeed(speed);
            for (const DWORD ms : steps)
            {
                Probe::SynthesizeLayers(*generator, ms);
                ASSERT_TRUE(std::isfinite(Probe::Time(*generator))) << speed;
                ASSERT_TRUE(inRange()) << speed << " from " << start;
            }
            if (!std::isfinite(speed))
            {
                EXPECT_EQ(start, Probe::Time(*generator)) << speed;
            }
        }
    // A clock that stood still through non-finite speeds moves on again.
    Probe::Time(*generator) = 2.0;
    generator->SetSpeed(NAN);
    Probe::SynthesizeLayers(*generator, 100);
    generator->SetSpeed(1.0f);
    Probe::SynthesizeLayers(*generator, 500);
    EXPECT_EQ(2.5, Probe::Time(*generator));
}

// The clock, the cross-fade, the shifts and the smoothing of layer 0 (its
// border left alone) all against the plain reading, with huge, zero and
// negative steps of the clock.
TEST(NoiseLayersReference, MatchAPlainReadingOverManyFramesSeedsAndSpeeds)
{
    auto device = MakeDevice();
    auto generator = std::make_unique<CWaveGenerator>(device.get(), 64, 64);
    std::mt19937 random(17);
    std::uniform_int_distribution<int> elapsed(0, 120);
    static int expected[2][128][128];
    const float speeds[] = {1.0f, 0.37f, -2.5f, 7.0f, 0.0f, 1e4f};
    for (unsigned seed = 1; seed <= 3; ++seed)
    {
        srand(seed);
        Probe::BuildNoiseVolume(*generator);
        for (const float speed : speeds)
        {
            generator->SetSpeed(speed);
            double time = Probe::Time(*generator);
            for (int frame = 0; frame < 40; ++frame)
            {
                const DWORD ms = frame == 7 ? 0xFFFFFFF0u : (DWORD)elapsed(random);
                Probe::SynthesizeLayers(*generator, ms);
                reference::SynthesizeLayers(Probe::Volume(*generator), speed, ms, time, expected);
                ASSERT_EQ(time, Probe::Time(*generator));
                ASSERT_EQ(0, std::memcmp(expected, Probe::Layers(*generator), sizeof expected))
                    << "seed " << seed << " speed " << speed << " frame " << frame;
            }
        }
    }
}

// Values spread over many rows of textures with padded rows: each lands in
// its own texel, converted, and the padding keeps its bytes.
TEST(NoiseUpload, ConvertsAroundTheMiddleAlongThePitchAndSkipsAFailedLock)
{
    constexpr unsigned char kCanary = 0xCD;
    std::unique_ptr<swk::test::TestDevice> device;
    std::unique_ptr<CWaveGenerator> generator;
    swk::test::TestTexture* texture[2] = {};
    bool eightBit = false;
    const auto prepare = [&](D3DFORMAT format, int nPitchPadding)
    {
        // The generator holds textures of the device it was made on.
        generator.reset();
        device = MakeDevice(nPitchPadding);
        generator = std::make_unique<CWaveGenerator>(device.get(), 64, 64);
        for (int t = 0; t < 2; ++t)
        {
            IDirect3DTexture9* pTexture = nullptr;
            ASSERT_EQ(D3D_OK, device->CreateTexture(128, 128, 1, D3DUSAGE_DYNAMIC, format,
                                                    D3DPOOL_DEFAULT, &pTexture, nullptr));
            texture[t] = static_cast<swk::test::TestTexture*>(pTexture);
            // The generator owns the textures from here and releases them.
            Probe::NoiseTex(*generator, t) = pTexture;
            std::vector<unsigned char>& bytes = texture[t]->Level(0).Bytes();
            std::memset(bytes.data(), kCanary, bytes.size());
        }
        eightBit = format == D3DFMT_L8;
        Probe::EightBitNoise(*generator) = eightBit;
    };
    const auto bytes = [&](int t) -> std::vector<unsigned char>&
    { return texture[t]->Level(0).Bytes(); };
    const auto pitch = [&](int t) { return texture[t]->Level(0).Pitch(); };
    const auto texel = [&](int t, int y, int x)
    {
        const unsigned char* p = &bytes(t)[y * pitch(t) + (eightBit ? x : 2 * x)];
        return eightBit ? p[0] : unsigned(p[0] | p[1] << 8);
    };

    // L8 truncates the quotient toward zero.
    const int values[] = {0, -1, -255, -256, 255, 256, -25999, 25999, -32768, 32767};
    const unsigned l8[] = {128, 128, 128, 127, 128, 129, 27, 229, 0, 255};
    const unsigned l16[] = {32768, 32767, 32513, 32512, 33023, 33024, 6769, 58767, 0, 65535};
    for (const D3DFORMAT format : {D3DFMT_L8, D3DFMT_L16})
    {
        prepare(format, 36);
        for (int n = 0; n < 10; ++n)
        {
            Probe::Layers(*generator)[0][3 * n][127 - n] = values[n];
            Probe::Layers(*generator)[1][127 - n][5 * n] = values[n];
        }
        Probe::UploadNoiseLayers(*generator);
        for (int n = 0; n < 10; ++n)
        {
            const unsigned expected = eightBit ? l8[n] : l16[n];
            EXPECT_EQ(expected, texel(0, 3 * n, 127 - n)) << values[n];
            EXPECT_EQ(expected, texel(1, 127 - n, 5 * n)) << values[n];
        }
        const int row = eightBit ? 128 : 256;
        for (int t = 0; t < 2; ++t)
        {
            EXPECT_FALSE(texture[t]->Level(0).Locked());
            ASSERT_EQ(pitch(t), row + 36);
            for (int y = 0; y < 128; ++y)
                ASSERT_TRUE(std::all_of(bytes(t).begin() + y * pitch(t) + row,
                                        bytes(t).begin() + (y + 1) * pitch(t),
                                        [](unsigned char b) { return b == kCanary; }))
                    << "row " << y;
        }
    }

    // A failed lock of texture 0 writes nothing there, and texture 1 still comes.
    prepare(D3DFMT_L8, 0);
    device->Fail("LockRect", D3DERR_INVALIDCALL, 1);
    Probe::UploadNoiseLayers(*generator);
    EXPECT_EQ(std::vector<unsigned char>(bytes(0).size(), kCanary), bytes(0));
    EXPECT_EQ(128u, texel(1, 64, 64));
    EXPECT_FALSE(texture[1]->Level(0).Locked());
}
} // namespace
