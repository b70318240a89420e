// The per-pixel normal technique's arithmetic on the CPU: five bilinear
// samples of the height map (the centre and 2.5 texels left, up, right and
// down, Direct3D 9 texel centres at (i + 0.5) / size) and the ring of four
// cross products of the edges, normalised. With Wrap addressing the normals
// repeat exactly as the heights do; Mirror is what the generator's own pass uses.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace swk::tools
{

enum class Addressing
{
    Wrap,
    Mirror,
    Clamp
};

// One channel as a sampler reads it, row by row.
struct HeightField
{
    int width = 0;
    int height = 0;
    std::vector<double> values;

    double at(long x, long y) const { return values[size_t(y) * size_t(width) + size_t(x)]; }
};

double SampleBilinear(const HeightField& field, double u, double v, Addressing addressing);

// The unit normal at pixel (x, y) of a map the size of the field; its colour
// in the map is (n + 1) / 2. The strength scales the slopes before normalising.
std::array<double, 3> SurfaceNormal(const HeightField& field, int x, int y, Addressing addressing,
                                    double strength = 1.0);

} // namespace swk::tools
