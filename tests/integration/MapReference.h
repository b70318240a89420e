// What each path should leave in the maps, worked out on the CPU from what the
// generator computed for the frame, under Direct3D 9's sampling rules: texel
// centres at (i + 0.5) / size, and pixel (x, y) of a full-target quad drawn
// with the texture coordinate u = x / width, v = y / height.
#pragma once

#include <MapImage.h>
#include <common/SurfaceNormal.h>

#include <d3dx9.h>

#include <array>
#include <cmath>
#include <ostream>
#include <vector>

namespace integration
{

using Colour = std::array<double, 3>;

// Bilinear sampling and the per-pixel normal arithmetic are the bake tool's.
using Channel = swk::tools::HeightField;
using swk::tools::Addressing;
using swk::tools::SampleBilinear;

// A layer as the upload stores it (L16, or L8 when eightBit) and the sampler
// reads it back, in [0, 1].
Channel NoiseTexture(const int (&layer)[128][128], bool eightBit);
Channel RedChannel(const MapImage& image);

// The height pass at pixel (x, y) of a width x height map: layer 0 spans the
// map once, layer 1 sixteen times each way.
double ExpectedHeight(const Channel& noise0, const Channel& noise1, int x, int y, int width,
                      int height);
// The per-pixel normal pass at (x, y), from the heights it samples.
Colour ExpectedSurfaceNormal(const Channel& heights, int x, int y);
// A CPU grid normal as the vertex-normal technique writes it: (n + 1) / 2.
Colour ShaderColour(const D3DXVECTOR3& n);
// A CPU grid normal packed into a vertex colour for the fixed-function pass,
// as the target reads that colour back.
Colour PackedColour(const D3DXVECTOR3& n);

// The spacing of a map format's values.
double FormatStep(D3DFORMAT format);

// The largest difference seen, and where.
struct Worst
{
    double error = 0;
    int x = -1;
    int y = -1;

    void take(double e, int atX, int atY)
    {
        if (e > error || x < 0)
            *this = Worst{e, atX, atY};
    }
};

std::ostream& operator<<(std::ostream& out, const Worst& worst);

// The largest difference between the colour channels of the texels in columns
// [fromColumn, toColumn) of the first rows of an image and the colour that
// expected(x, y) gives them; alpha is expected to be 1 where opaque.
template <typename Expected>
Worst Compare(const MapImage& image, int fromColumn, int toColumn, int rows, bool opaque,
              Expected expected)
{
    Worst worst;
    for (int y = 0; y < rows; ++y)
        for (int x = fromColumn; x < toColumn; ++x)
        {
            const Colour colour = expected(x, y);
            const float* texel = &image.rgba[(size_t(y) * image.width + size_t(x)) * 4];
            for (int c = 0; c < 3; ++c)
                worst.take(std::abs(texel[c] - colour[size_t(c)]), x, y);
            if (opaque)
                worst.take(std::abs(texel[3] - 1.0), x, y);
        }
    return worst;
}

} // namespace integration
