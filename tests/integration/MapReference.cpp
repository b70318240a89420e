#include "MapReference.h"

#include <algorithm>
#include <cmath>

namespace integration
{

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
    const std::array<double, 3> n = swk::tools::SurfaceNormal(heights, x, y, Addressing::Mirror);
    return {(n[0] + 1) / 2, (n[1] + 1) / 2, (n[2] + 1) / 2};
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
    // The maps are 16-bit integers, or bytes where the device refuses those;
    // the checks of the per-pixel maps fail any other format.
    return format == D3DFMT_A16B16G16R16 ? 1.0 / 65535 : 1.0 / 255;
}

std::ostream& operator<<(std::ostream& out, const Worst& worst)
{
    return out << worst.error << " at (" << worst.x << ", " << worst.y << ")";
}

} // namespace integration
