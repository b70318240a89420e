#include "NoiseProbe.h"

#include <cmath>
#include <cstdlib>

namespace reference
{
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
        const int swap = t.perm[i];
        t.perm[i] = t.perm[j];
        t.perm[j] = swap;
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

namespace
{
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
