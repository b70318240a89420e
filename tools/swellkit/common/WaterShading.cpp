#include "WaterShading.h"

#include <algorithm>
#include <cmath>

namespace swk::tools
{

std::array<float, 3> ShadeWater(float nx, float ny, float nz)
{
    // The eye looks down the map's columns at about 40 degrees; the sun sits
    // low ahead of it, so the glints dance on the far slopes of the waves.
    const float view[3] = {0.0f, 0.766f, 0.643f};
    const float sun[3] = {0.10f, -0.62f, 0.78f};
    const float nDotV = std::max(nx * view[0] + ny * view[1] + nz * view[2], 0.0f);
    const float r[3] = {2 * nDotV * nx - view[0], 2 * nDotV * ny - view[1],
                        2 * nDotV * nz - view[2]};
    // Schlick's approximation with water's reflectance at normal incidence.
    const float fresnel = 0.02f + 0.98f * std::pow(1.0f - nDotV, 5.0f);
    const float elevation = std::clamp(r[2], 0.0f, 1.0f);
    const float horizon[3] = {0.78f, 0.86f, 0.93f};
    const float zenith[3] = {0.25f, 0.48f, 0.80f};
    const float deep[3] = {0.02f, 0.13f, 0.20f};
    const float glint =
        std::pow(std::max(r[0] * sun[0] + r[1] * sun[1] + r[2] * sun[2], 0.0f), 200.0f) * 0.5f;
    const float weight = std::clamp(0.2f + 2.0f * fresnel, 0.0f, 1.0f);
    std::array<float, 3> colour;
    for (int c = 0; c < 3; ++c)
    {
        const float sky = horizon[c] + (zenith[c] - horizon[c]) * std::sqrt(elevation);
        const float water = deep[c] * (0.6f + 0.4f * nz);
        colour[size_t(c)] = std::clamp(water + (sky - water) * weight + glint, 0.0f, 1.0f);
    }
    return colour;
}

} // namespace swk::tools
