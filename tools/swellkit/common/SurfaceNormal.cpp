#include "SurfaceNormal.h"

#include <cmath>

namespace swk::tools
{

namespace
{

long Fold(long i, long n, Addressing addressing)
{
    if (addressing == Addressing::Wrap)
        return ((i % n) + n) % n;
    if (addressing == Addressing::Clamp)
        return i < 0 ? 0 : i < n ? i : n - 1;
    const long period = ((i % (2 * n)) + 2 * n) % (2 * n);
    return period < n ? period : 2 * n - 1 - period;
}

} // namespace

double SampleBilinear(const HeightField& field, double u, double v, Addressing addressing)
{
    const double x = u * field.width - 0.5;
    const double y = v * field.height - 0.5;
    const double fx = x - std::floor(x);
    const double fy = y - std::floor(y);
    const long x0 = long(std::floor(x));
    const long y0 = long(std::floor(y));
    auto texel = [&](long tx, long ty)
    { return field.at(Fold(tx, field.width, addressing), Fold(ty, field.height, addressing)); };
    return (1 - fy) * ((1 - fx) * texel(x0, y0) + fx * texel(x0 + 1, y0)) +
           fy * ((1 - fx) * texel(x0, y0 + 1) + fx * texel(x0 + 1, y0 + 1));
}

std::array<double, 3> SurfaceNormal(const HeightField& field, int x, int y, Addressing addressing,
                                    double strength)
{
    // The offsets come from single-precision parameters, 2.5 texels each way.
    const double dx = double(1.0f / float(field.width) * 2.5f);
    const double dy = double(1.0f / float(field.height) * 2.5f);
    const double u = double(x) / field.width;
    const double v = double(y) / field.height;
    const double h0 = SampleBilinear(field, u, v, addressing);
    // Left, up, right, down: each edge pairs with the next one round the ring.
    const double edges[4][3] = {{-dx, 0, SampleBilinear(field, u - dx, v, addressing) - h0},
                                {0, -dy, SampleBilinear(field, u, v - dy, addressing) - h0},
                                {dx, 0, SampleBilinear(field, u + dx, v, addressing) - h0},
                                {0, dy, SampleBilinear(field, u, v + dy, addressing) - h0}};
    double n[3] = {0, 0, 0};
    for (int k = 0; k < 4; ++k)
    {
        const double* a = edges[k];
        const double* b = edges[(k + 1) % 4];
        n[0] += a[1] * b[2] - a[2] * b[1];
        n[1] += a[2] * b[0] - a[0] * b[2];
        n[2] += a[0] * b[1] - a[1] * b[0];
    }
    n[0] *= strength;
    n[1] *= strength;
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return {n[0] / length, n[1] / length, n[2] / length};
}

} // namespace swk::tools
