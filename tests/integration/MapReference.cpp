#include "MapReference.h"

#include <algorithm>
#include <cmath>

namespace integration
{

namespace
{

long Fold(long i, long n, Addressing addressing)
{
    if (addressing == Addressing::Wrap)
        return ((i % n) + n) % n;
    const long period = ((i % (2 * n)) + 2 * n) % (2 * n);
    return period < n ? period : 2 * n - 1 - period;
}

Colour ToColour(double x, double y, double z)
{
    const double length = std::sqrt(x * x + y * y + z * z);
    return {(x / length + 1) / 2, (y / length + 1) / 2, (z / length + 1) / 2};
}

} // namespace

double SampleBilinear(const Channel& image, double u, double v, Addressing addressing)
{
    const double x = u * image.width - 0.5;
    const double y = v * image.height - 0.5;
    const double fx = x - std::floor(x);
    const double fy = y - std::floor(y);
    const long x0 = long(std::floor(x));
    const long y0 = long(std::floor(y));
    auto texel = [&](long tx, long ty)
    { return image.at(Fold(tx, image.width, addressing), Fold(ty, image.height, addressing)); };
    return (1 - fy) * ((1 - fx) * texel(x0, y0) + fx * texel(x0 + 1, y0)) +
           fy * ((1 - fx) * texel(x0, y0 + 1) + fx * texel(x0 + 1, y0 + 1));
}

Channel NoiseTexture(const int (&layer)[128][128], bool eightBit)
{
    Channel noise{128, 128, std::vector<double>(128 * 128)};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
        {
            const int v = layer[y][x];
            // The integer quotient truncates toward zero; the texel keeps the low bits.
            noise.values[size_t(y) * 128 + size_t(x)] =
                eightBit ? ((v / 256 + 128) & 0xFF) / 255.0 : ((v + 32768) & 0xFFFF) / 65535.0;
        }
    return noise;
}

Channel RedChannel(const MapImage& image)
{
    Channel red{int(image.width), int(image.height),
                std::vector<double>(size_t(image.width) * image.height)};
    for (size_t i = 0; i < red.values.size(); ++i)
        red.values[i] = image.rgba[i * 4];
    return red;
}

double ExpectedHeight(const Channel& noise0, const Channel& noise1, int x, int y, int width,
                      int height)
{
    const double u = double(x) / width;
    const double v = double(y) / height;
    const double sum = SampleBilinear(noise0, u, v, Addressing::Wrap) +
                       SampleBilinear(noise1, 16 * u, 16 * v, Addressing::Wrap) - 0.5;
    return std::clamp(sum, 0.0, 1.0);
}

Colour ExpectedSurfaceNormal(const Channel& heights, int x, int y)
{
    // The offsets come from single-precision parameters, 2.5 texels each way.
    const double dx = double(1.0f / float(heights.width) * 2.5f);
    const double dy = double(1.0f / float(heights.height) * 2.5f);
    const double u = double(x) / heights.width;
    const double v = double(y) / heights.height;
    const double h0 = SampleBilinear(heights, u, v, Addressing::Mirror);
    // Left, up, right, down: each edge pairs with the next one round the ring.
    const double edges[4][3] = {
        {-dx, 0, SampleBilinear(heights, u - dx, v, Addressing::Mirror) - h0},
        {0, -dy, SampleBilinear(heights, u, v - dy, Addressing::Mirror) - h0},
        {dx, 0, SampleBilinear(heights, u + dx, v, Addressing::Mirror) - h0},
        {0, dy, SampleBilinear(heights, u, v + dy, Addressing::Mirror) - h0}};
    double n[3] = {0, 0, 0};
    for (int k = 0; k < 4; ++k)
    {
        const double* a = edges[k];
        const double* b = edges[(k + 1) % 4];
        n[0] += a[1] * b[2] - a[2] * b[1];
        n[1] += a[2] * b[0] - a[0] * b[2];
        n[2] += a[0] * b[1] - a[1] * b[0];
    }
    return ToColour(n[0], n[1], n[2]);
}

Colour ShaderColour(const D3DXVECTOR3& n)
{
    return {(n.x + 1.0) / 2, (n.y + 1.0) / 2, (n.z + 1.0) / 2};
}

Colour PackedColour(const D3DXVECTOR3& n)
{
    // Packed from the single-precision normal, truncating each byte.
    auto q = [](float c) { return int((c + 1.0f) * 127.5f) / 255.0; };
    return {q(n.x), q(n.y), q(n.z)};
}

double FormatStep(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_A16B16G16R16:
        return 1.0 / 65535;
    case D3DFMT_A16B16G16R16F:
        return std::ldexp(1.0, -11);
    case D3DFMT_A32B32G32R32F:
        return std::ldexp(1.0, -24);
    default:
        return 1.0 / 255;
    }
}

std::ostream& operator<<(std::ostream& out, const Worst& worst)
{
    return out << worst.error << " at (" << worst.x << ", " << worst.y << ")";
}

} // namespace integration
